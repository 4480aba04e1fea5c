// Result and settings objects as Python values: a repr that shows what
// matters, equality of every listed attribute (NaN equal to NaN, arrays by
// their bytes), no hash, and pickling through their attributes, so that
// results cross to a process pool. A class gets them from addValueMethods;
// it needs a constructor without arguments and writable attributes.
#pragma once

#include <pybind11/pybind11.h>

#include <initializer_list>

namespace talmeq::python {

// Defines the module's private helpers (_rebuild, _same, _addValueMethods).
void addValueHelpers(pybind11::module_& module);

// `fields`: the attributes that make the value (compared, pickled);
// `shown`: those its repr lists.
void addValueMethods(pybind11::module_& module, const pybind11::handle& type, std::initializer_list<const char*> fields,
                     std::initializer_list<const char*> shown);

}  // namespace talmeq::python
