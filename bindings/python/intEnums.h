// The library's enumerations as Python enum.IntEnum classes of the module
// (talmeq.SpotStatus.kFound == 0, pickled by name), and the casters that
// turn the C++ enumerators into their members and back. A member of another
// enumeration, or a plain int, does not convert: toText and the like pick
// their overload by the member's class.
#pragma once

#include <pybind11/pybind11.h>
#include <talmeq/precision.h>

#include <initializer_list>
#include <utility>

namespace talmeq::python {

// The Python class of `Enum`, once addIntEnum has made it; kept for the
// life of the process, as the module's own types are.
template <class Enum>
struct IntEnumClass {
  static inline pybind11::handle type;
};

// Makes the class `name` of the module from the enumerators' names and values.
template <class Enum>
void addIntEnum(pybind11::module_& module, const char* name, const char* doc,
                std::initializer_list<std::pair<const char*, Enum>> values) {
  pybind11::list members;
  for (const auto& [memberName, value] : values) members.append(pybind11::make_tuple(memberName, int(value)));
  pybind11::object type = pybind11::module_::import("enum").attr("IntEnum")(
      name, members, pybind11::arg("module") = module.attr("__name__"));
  type.attr("__doc__") = doc;
  module.attr(name) = type;
  IntEnumClass<Enum>::type = type.release();
}

}  // namespace talmeq::python

namespace pybind11::detail {

template <class Enum>
struct IntEnumCaster {
  PYBIND11_TYPE_CASTER(Enum, const_name("IntEnum"));

  bool load(handle source, bool) {
    const handle type = talmeq::python::IntEnumClass<Enum>::type;
    if (!type || !isinstance(source, type)) return false;
    value = static_cast<Enum>(source.cast<int>());
    return true;
  }

  static handle cast(Enum member, return_value_policy, handle) {
    return talmeq::python::IntEnumClass<Enum>::type(static_cast<int>(member)).release();
  }
};

#define TALMEQ_PYTHON_INT_ENUM(Enum, Name)         \
  template <>                                      \
  struct type_caster<Enum> : IntEnumCaster<Enum> { \
    static constexpr auto name = const_name(Name); \
  };

TALMEQ_PYTHON_INT_ENUM(talmeq::SpotStatus, "SpotStatus")
TALMEQ_PYTHON_INT_ENUM(talmeq::CentreMethod, "CentreMethod")
TALMEQ_PYTHON_INT_ENUM(talmeq::ModelStatus, "ModelStatus")
TALMEQ_PYTHON_INT_ENUM(talmeq::HeightStatus, "HeightStatus")
TALMEQ_PYTHON_INT_ENUM(talmeq::OffsetStatus, "OffsetStatus")
TALMEQ_PYTHON_INT_ENUM(talmeq::CalibrationTarget, "CalibrationTarget")

#undef TALMEQ_PYTHON_INT_ENUM

}  // namespace pybind11::detail
