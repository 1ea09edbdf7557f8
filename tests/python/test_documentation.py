"""Every example in the docstrings runs as written, and the type stubs
name the same arguments, with the same defaults, as the code."""

import ast
import doctest
import inspect
import pathlib

import quorbelin


def test_docstring_examples_run():
    failures, tried = doctest.testmod(quorbelin, optionflags=doctest.NORMALIZE_WHITESPACE)
    assert tried > 0 and failures == 0


def stub_signatures():
    tree = ast.parse((pathlib.Path(quorbelin.__file__).parent / "__init__.pyi").read_text())
    found = {}

    def visit(nodes, prefix=""):
        for node in nodes:
            if isinstance(node, ast.FunctionDef) and not node.decorator_list:
                arguments = node.args
                defaults = {a.arg: ast.literal_eval(d) for a, d in
                            zip(arguments.args[len(arguments.args) - len(arguments.defaults):], arguments.defaults)}
                defaults.update({a.arg: ast.literal_eval(d) for a, d in
                                 zip(arguments.kwonlyargs, arguments.kw_defaults) if d is not None})
                names = [a.arg for a in arguments.args + arguments.kwonlyargs]
                found[prefix + node.name] = (names, defaults)
            elif isinstance(node, ast.ClassDef):
                visit(node.body, node.name + ".")
    visit(tree.body)
    return found


def test_stubs_match_the_code():
    stubs = stub_signatures()
    public = {"delay": quorbelin.delay, "design_filter": quorbelin.design_filter,
              "Delay.__init__": quorbelin.Delay.__init__, "Delay.process": quorbelin.Delay.process,
              "Delay.reset": quorbelin.Delay.reset, "Delay.close": quorbelin.Delay.close}
    for name, function in public.items():
        parameters = inspect.signature(function).parameters.values()
        names = [p.name for p in parameters]
        defaults = {p.name: p.default for p in parameters if p.default is not inspect.Parameter.empty}
        assert stubs[name] == (names, defaults), name
