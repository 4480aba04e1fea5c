// Value methods of the module's result objects (see valueObjects.h), written
// in Python, where comparing nested lists, tuples and arrays is short.
#include "valueObjects.h"

#include <pybind11/eval.h>

namespace talmeq::python {

namespace py = pybind11;

void addValueHelpers(py::module_& module) {
  py::exec(R"py(
import numpy as _np

def _same(a, b):
    """Equal values: arrays by dtype, shape and bytes, NaN equal to NaN, sequences item by item."""
    if isinstance(a, _np.ndarray) or isinstance(b, _np.ndarray):
        return (isinstance(a, _np.ndarray) and isinstance(b, _np.ndarray) and a.dtype == b.dtype
                and a.shape == b.shape and a.tobytes() == b.tobytes())
    if isinstance(a, float) and isinstance(b, float):
        return a == b or (a != a and b != b)
    if isinstance(a, (list, tuple)):
        return type(a) is type(b) and len(a) == len(b) and all(map(_same, a, b))
    return type(a) is type(b) and a == b

def _rebuild(cls, state):
    """The object pickled as (cls, ((name, value), ...))."""
    value = cls()
    for name, item in state:
        setattr(value, name, item)
    return value

def _addValueMethods(cls, fields, shown):
    fields, shown = tuple(fields), tuple(shown)
    cls.__reduce__ = lambda self: (_rebuild, (cls, tuple((n, getattr(self, n)) for n in fields)))
    cls.__eq__ = lambda self, other: type(other) is type(self) and all(
        _same(getattr(self, n), getattr(other, n)) for n in fields)
    cls.__hash__ = None
    cls.__repr__ = lambda self: "%s(%s)" % (cls.__name__, ", ".join("%s=%r" % (n, getattr(self, n)) for n in shown))
)py",
           module.attr("__dict__"));
}

void addValueMethods(py::module_& module, const py::handle& type, std::initializer_list<const char*> fields,
                     std::initializer_list<const char*> shown) {
  py::list fieldNames, shownNames;
  for (const char* name : fields) fieldNames.append(name);
  for (const char* name : shown) shownNames.append(name);
  module.attr("_addValueMethods")(type, fieldNames, shownNames);
}

}  // namespace talmeq::python
