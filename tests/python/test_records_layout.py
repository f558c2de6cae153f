"""The package's C records and prototypes against include/lumainfo.h.

Sizes and offsets come from the C compiler: a probe program built here for
this machine, and static assertions compiled for 32-bit Windows with
i686-w64-mingw32-gcc, so neither layout can drift from the Python one.
"""
import ctypes
import os
import re
import shutil
import subprocess

import pytest

from conftest import ROOT
from lumagraph import _library, _records

HEADER = os.path.join(ROOT, "include", "lumainfo.h")


def header_text():
    with open(HEADER) as f:
        text = f.read()
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    return re.sub(r"//[^\n]*", " ", text)


def header_structs():
    """typedef name -> [(member, C type)] in order, from the header's typedef structs."""
    structs = {}
    for body, name in re.findall(r"typedef struct \w+ \{(.*?)\} (\w+);", header_text(), re.S):
        members = []
        for declaration in body.split(";"):
            declaration = " ".join(declaration.split())
            if declaration:
                # One type, then one or more declarators ("uint8_t high, low").
                match = re.match(r"(.*?)\s*\b(\w+(?:\[[^\]]+\])?(?:\s*,\s*\w+(?:\[[^\]]+\])?)*)$", declaration)
                for declarator in match.group(2).split(","):
                    member = re.match(r"\s*(\w+)(\[[^\]]+\])?", declarator)
                    members.append((member.group(1), match.group(1) + (member.group(2) or "")))
        structs[name] = members
    return structs


def header_functions():
    """Export name -> (result, [parameter types]) as the header spells them, without const and names."""
    functions = {}
    for result, name, params in re.findall(r"LUMA_API\s+([\w\s\*]+?)\s*\b(\w+)\(([^)]*)\)", header_text()):
        types = []
        for param in params.split(","):
            param = " ".join(param.replace("const ", "").split())
            if param and param not in ("void", "..."):
                # Drop the parameter's name, keep the type and its stars.
                types.append(re.sub(r"\s*\b\w+$", "", param).replace(" ", ""))
        functions[name] = (result.replace(" ", ""), types, "..." in params)
    return functions


def same_width(c_type):
    # ctypes has one type for each of these pairs.
    return re.sub(r"\bint32_t\b", "int", c_type.replace("opal_exit_t", "uint32_t"))


def c_spelling(ctype):
    """How the header writes a ctypes type."""
    simple = {ctypes.c_uint8: "uint8_t", ctypes.c_uint16: "uint16_t", ctypes.c_uint32: "uint32_t",
              ctypes.c_int: "int", ctypes.c_float: "float", ctypes.c_double: "double",
              ctypes.c_char_p: "char*", ctypes.c_void_p: "void*", None: "void",
              _library.MESSAGE_LISTENER: "opal_message_listener_t"}
    if ctype in simple:
        return simple[ctype]
    if hasattr(ctype, "_type_") and issubclass(ctype, ctypes._Pointer):
        return c_spelling(ctype._type_) + "*"
    if issubclass(ctype, ctypes.Structure):
        return ctype.__name__
    raise AssertionError("no C spelling for %r" % (ctype,))


def test_every_header_record_is_declared_with_the_same_members():
    structs = header_structs()
    assert set(structs) == set(_records.records()), "records of the header and of the package differ"
    for name, members in structs.items():
        fields = [field for field, _ in _records.records()[name]._fields_]
        assert fields == [member for member, _ in members], name


def test_records_hold_only_fixed_width_fields():
    # What keeps the layout the same on every platform ctypes runs on.
    allowed = (ctypes.c_uint8, ctypes.c_uint16, ctypes.c_uint32, ctypes.c_char)
    for name, record in _records.records().items():
        for field, ctype in record._fields_:
            while issubclass(ctype, ctypes.Array):
                ctype = ctype._type_
            assert ctype in allowed or ctype in _records.records().values(), (name, field, ctype)


def test_prototypes_match_the_header():
    functions = header_functions()
    for name, (result, arguments) in _library.PROTOTYPES.items():
        assert name in functions, name + " is not in the header"
        c_result, c_params, variadic = functions[name]
        assert not variadic, name
        assert c_spelling(result) == same_width(c_result).replace("constchar*", "char*"), name
        assert [c_spelling(a) for a in arguments] == [same_width(p) for p in c_params], name


def layout_lines():
    """(expression, value) pairs: every record's size and every field's offset as ctypes computes them."""
    pairs = []
    for name, record in sorted(_records.records().items()):
        pairs.append(("sizeof(%s)" % name, ctypes.sizeof(record)))
        for field, _ in record._fields_:
            pairs.append(("offsetof(%s, %s)" % (name, field), getattr(record, field).offset))
    return pairs


def test_layout_matches_the_c_compiler_of_this_machine(tmp_path):
    cc = os.environ.get("LUMA_TEST_CC", "cc")
    pairs = layout_lines()
    probe = tmp_path / "probe.c"
    probe.write_text("#include <stddef.h>\n#include <stdio.h>\n#include \"lumainfo.h\"\nint main(void) {\n" +
                     "".join('  printf("%%zu\\n", (size_t)%s);\n' % expression for expression, _ in pairs) +
                     "  return 0;\n}\n")
    subprocess.run([cc, "-I", os.path.join(ROOT, "include"), str(probe), "-o", str(tmp_path / "probe")],
                   check=True)
    printed = subprocess.run([str(tmp_path / "probe")], capture_output=True, text=True, check=True).stdout.split()
    assert [(e, int(v)) for (e, _), v in zip(pairs, printed)] == pairs


def test_layout_matches_32_bit_windows(tmp_path):
    cc = shutil.which("i686-w64-mingw32-gcc")
    if not cc:
        pytest.skip("i686-w64-mingw32-gcc (Debian g++-mingw-w64) is not installed")
    asserts = tmp_path / "layout32.c"
    asserts.write_text("#include <stddef.h>\n#include \"lumainfo.h\"\n" +
                       "".join('_Static_assert(%s == %d, "%s is not %d on 32-bit Windows");\n'
                               % (expression, value, expression, value) for expression, value in layout_lines()) +
                       '_Static_assert(sizeof(void*) == 4, "not a 32-bit target");\n')
    done = subprocess.run([cc, "-fsyntax-only", "-I", os.path.join(ROOT, "include"), str(asserts)],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
