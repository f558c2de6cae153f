"""luma_cli --regdb: valid against docs/regdb.schema.json, and holding
exactly the registers and fields the dump commands print on each family's
simulated machine.

Run by ctest with LUMA_CLI (the program) and LUMA_SCHEMA (the schema)."""
import json
import os
import re
import subprocess
import tempfile

import jsonschema
import pytest

CLI = os.environ["LUMA_CLI"]
SCHEMA = os.environ["LUMA_SCHEMA"]
FAMILIES = ["ava", "dov", "cyr", "eft", "fyn", "bex"]
DUMPS = ["get_plane_regs", "get_port_regs", "read_error", "get_pipe_regs", "get_tv_regs", "get_vgacntrl",
         "get_reg_lvds"]

HEADER = re.compile(r"^(\S.*?) +\[0x([0-9A-F]+) *\] +: ")
FIELD = re.compile(r"^\[(\d+)(?::(\d+))?\]\s+(\S+)\s+: 0x[0-9A-F]+$")


def regdb(*args):
    run = subprocess.run([CLI, "--regdb", *args], capture_output=True, text=True, check=False)
    return run.returncode, run.stdout, run.stderr


def dumped_registers(family, offsets):
    """(table, title, offset, fields) per register the dumps print, in
    order, and the value of each offset as read_mmio reads it."""
    with tempfile.TemporaryDirectory() as work:
        env = dict(os.environ, LUMA_SIM_PROFILE=family, LUMA_SIM_STATE=os.path.join(work, "state"))
        script = "set_debug_vol 2\n" + "".join(d + "\n" for d in DUMPS)
        script += "".join("read_mmio 0x%X\n" % o for o in offsets) + "quit\n"
        subprocess.run([CLI, "--script"], input=script.encode(), cwd=work, env=env, check=True, capture_output=True)
        with open(os.path.join(work, "luma_cli.log"), encoding="latin-1") as f:
            log = f.read().splitlines()
    registers, table, current, values = [], None, None, {}
    for line in log:
        m = re.match(r"^READ: Register: 0x([0-9A-F]+) Value: 0x([0-9A-F]+)$", line)
        if m:
            values[int(m.group(1), 16)] = int(m.group(2), 16)
        m = re.match(r"^Function: (\w+)$", line)
        if m:
            table, current = m.group(1).lower(), None
            continue
        if table not in DUMPS:
            continue
        if line.startswith("Function: ") or line.startswith("\t====="):
            table, current = None, None
            continue
        m = HEADER.match(line)
        if m:
            title, offset = m.group(1).rstrip(), int(m.group(2), 16)
            # A form that reads its register again from the second device
            # prints the same offset once more: still one register.
            if current is None or current[2] != offset or current[3]:
                current = (table, title, offset, [])
                registers.append(current)
            continue
        m = FIELD.match(line)
        if m and current is not None:
            high = int(m.group(1))
            low = int(m.group(2)) if m.group(2) is not None else high
            current[3].append((m.group(3), high, low))
        elif not line.strip() and current is not None and current[3]:
            current = None
    return registers, values


def test_every_family_validates():
    status, out, _ = regdb()
    assert status == 0
    doc = json.loads(out)
    with open(SCHEMA, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    jsonschema.Draft202012Validator(schema, format_checker=jsonschema.FormatChecker()).validate(doc)
    assert [f["name"] for f in doc["families"]] == FAMILIES
    for family in doc["families"]:
        names = [r["name"] for r in family["registers"]]
        assert len(names) == len(set(names)), family["name"]


def test_one_family_and_an_unknown_one():
    status, out, _ = regdb("fyn")
    assert status == 0
    doc = json.loads(out)
    assert [f["name"] for f in doc["families"]] == ["fyn"]
    status, out, err = regdb("zzz")
    assert status == 2 and out == ""
    assert "No chipset family is named zzz" in err


def test_a_broken_document_fails_the_schema():
    # The validator is real: a field without its bits is refused.
    _, out, _ = regdb("ava")
    doc = json.loads(out)
    del doc["families"][0]["registers"][0]["fields"][0]["high"]
    with open(SCHEMA, encoding="utf-8") as f:
        schema = json.load(f)
    with pytest.raises(jsonschema.ValidationError):
        jsonschema.validate(doc, schema, cls=jsonschema.Draft202012Validator)


@pytest.mark.parametrize("family", FAMILIES)
def test_the_map_is_what_the_dumps_decode(family):
    _, out, _ = regdb(family)
    doc = json.loads(out)["families"][0]
    want = [(r["tables"][0], r["title"], r["offset"], [(f["name"], f["high"], f["low"]) for f in r["fields"]])
            for r in doc["registers"]]
    got, values = dumped_registers(family, sorted({w[2] for w in want}))
    # A dump leaves out the register that reads 0xFFFFFFFF (nothing answers there).
    want = [w for w in want if values.get(w[2]) != 0xFFFFFFFF]
    assert [(t, title, offset) for t, title, offset, _ in got] == [(t, title, offset) for t, title, offset, _ in want]
    for g, w in zip(got, want):
        assert g[3] == w[3], (family, g[1])
