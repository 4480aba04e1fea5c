// pybind11 answers a call that matches no signature (an argument missing or
// too many, an unknown keyword, a value no converter takes) with a TypeError
// that ends in the repr of every argument: a whole frame's pixels. Each
// function of the module is wrapped so that this TypeError names the
// arguments at fault and the types given instead, never their values.
#include <pybind11/eval.h>

#include "calls.h"

namespace talmeq::python {

namespace py = pybind11;

namespace {

constexpr const char* kWrapper = R"py(
import functools, re

def _conciseArgumentErrors(module):
    def wrap(function):
        @functools.wraps(function)
        def call(*args, **kwargs):
            try:
                return function(*args, **kwargs)
            except TypeError as error:
                text = str(error)
                if "incompatible function arguments" not in text:
                    raise
                signatures = re.findall(r"^\s*\d+\. \((.*)\) ->", text, re.M)
                names = re.findall(r"(\w+): ", signatures[0]) if signatures else []
                faults = ["missing " + n for n in names[len(args):] if n not in kwargs]
                faults += ["unknown keyword " + k for k in kwargs if k not in names]
                if len(args) > len(names):
                    faults.append(f"{len(args)} arguments given, {len(names)} taken")
                given = [type(a).__name__ for a in args] + [f"{k}={type(v).__name__}" for k, v in kwargs.items()]
                raise TypeError(f"{function.__name__}(): " + ("; ".join(faults) or "an argument of the wrong type")
                                + f"; it takes ({', '.join(signatures[:1])}), given ({', '.join(given)})") from None
        return call

    for name, value in list(vars(module).items()):
        if type(value).__name__ == "builtin_function_or_method" and not name.startswith("_"):
            setattr(module, name, wrap(value))
)py";

}  // namespace

void conciseArgumentErrors(py::module_& module) {
  py::dict scope;
  py::exec(kWrapper, scope);
  scope["_conciseArgumentErrors"](module);
}

}  // namespace talmeq::python
