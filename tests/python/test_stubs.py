# The type stubs beside the module (talmeq.pyi, placed there by the build as
# by cmake --install) list exactly what the compiled module holds: the same
# functions with the same parameter names, the same classes with the same
# attributes and enumeration members, so the two cannot drift apart.
import ast
import pathlib
import re

import talmeq

STUBS = ast.parse(pathlib.Path(talmeq.__file__).with_name("talmeq.pyi").read_text())


def public(names):
    return {name for name in names if not name.startswith("_")}


def defined(node):
    """The public names a stub body defines: functions, classes, annotated names, enumeration members."""
    kinds = (ast.FunctionDef, ast.ClassDef, ast.AnnAssign, ast.Assign)
    names = (getattr(n, "name", None) or (n.target if isinstance(n, ast.AnnAssign) else n.targets[0]).id
             for n in node.body if isinstance(n, kinds))
    return public(names)


def test_stubs_list_exactly_the_module_functions_parameters_classes_and_attributes():
    assert defined(STUBS) == public(vars(talmeq))
    for node in STUBS.body:
        if isinstance(node, ast.ClassDef):
            assert defined(node) == public(vars(getattr(talmeq, node.name))), node.name
        elif isinstance(node, ast.FunctionDef):
            # pybind11 writes one typed signature per overload into the
            # docstring; the hand-written summary lines carry no types (nor
            # has a function without parameters any).
            doc = getattr(talmeq, node.name).__doc__
            typed = [s for s in re.findall(rf"^(?:\d+\. )?{node.name}\((.*)\) ->", doc, re.M) if ": " in s]
            typed = typed or ([""] if node.args.args == [] else [])
            stub = [argument.arg for argument in node.args.args]
            assert typed and all(re.findall(r"(\w+): ", s) == stub for s in typed), node.name
