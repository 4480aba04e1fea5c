# The type stubs beside the module (talmeq.pyi, placed there by the build as
# by cmake --install) list exactly what the compiled module holds: the same
# functions with the same parameter names, the same classes with the same
# attributes and enumeration members, so the two cannot drift apart.
import ast
import pathlib
import re

import pytest
import talmeq

STUBS = ast.parse(pathlib.Path(talmeq.__file__).with_name("talmeq.pyi").read_text())


def public(names):
    return {name for name in names if not name.startswith("_")}


def defined(body):
    """Names a stub body defines: functions, classes and annotated names."""
    names = set()
    for node in body:
        if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
            names.add(node.name)
        elif isinstance(node, ast.AnnAssign):
            names.add(node.target.id)
    return names


def stub_nodes(kind):
    return {node.name: node for node in STUBS.body if isinstance(node, kind)}


def module_parameters(function):
    """The parameter names of every typed signature pybind11 writes into the
    docstring (one per overload); the hand-written summary lines that follow
    carry no types and are passed over."""
    pattern = rf"^(?:\d+\. )?{function.__name__}\((.*)\) ->"
    signatures = re.findall(pattern, function.__doc__, re.MULTILINE)
    return [re.findall(r"(\w+): ", arguments) for arguments in signatures if ": " in arguments]


def test_stubs_name_every_function_and_class_of_the_module_and_no_other():
    assert public(defined(STUBS.body)) == public(vars(talmeq))


@pytest.mark.parametrize("name", sorted(stub_nodes(ast.FunctionDef)))
def test_stub_functions_take_the_module_functions_parameters(name):
    stub = [argument.arg for argument in stub_nodes(ast.FunctionDef)[name].args.args]
    signatures = module_parameters(getattr(talmeq, name))
    assert signatures and all(parameters == stub for parameters in signatures)


@pytest.mark.parametrize("name", sorted(stub_nodes(ast.ClassDef)))
def test_stub_classes_have_the_module_classes_attributes(name):
    cls = getattr(talmeq, name)
    assert isinstance(cls, type)
    assert public(defined(stub_nodes(ast.ClassDef)[name].body)) == public(vars(cls))
