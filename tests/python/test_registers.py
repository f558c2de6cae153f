"""Registers by name through the package: as luma_cli prints them, writes, dry runs, and a report log offline."""
import os
import re
import subprocess

import pytest

HEADER = re.compile(r"^(.+?)\s+\[0x([0-9A-F]+)\s*\]\s+: 0x([0-9A-F]+)$")
FIELD = re.compile(r"^\[(\d+)(?::(\d+))?\]\s+(\w+)\s+: 0x([0-9A-F]+)$")
NAMES = ["pipe_a_conf", "plane_a_ctrl", "pipe_a_htotal", "dpll_a_ctrl", "tv_ctrl"]


def run_tool(bin_dir, tool, state, profile, commands, cwd):
    """Runs a tool on the machine and returns its log: `commands` as its script, or None for its automatic run."""
    env = dict(os.environ, LUMA_SIM_PROFILE=profile, LUMA_SIM_STATE=str(state))
    script = [] if commands is None else ["--script"]
    subprocess.run([os.path.join(bin_dir, tool)] + script, input="\n".join((commands or []) + ["quit"]) + "\n",
                   env=env, cwd=str(cwd), capture_output=True, text=True, errors="replace", timeout=300, check=True)
    return (cwd / (tool + ".log")).read_text(errors="replace")


def dumped_registers(log):
    """{title: (offset, value, {field: (high, low, value)})} of the register lines in a log."""
    registers, current = {}, None
    for line in log.splitlines():
        header, field = HEADER.match(line), FIELD.match(line)
        if header:
            current = registers[header.group(1).strip()] = (int(header.group(2), 16), int(header.group(3), 16), {})
        elif field and current:
            high = int(field.group(1))
            low = int(field.group(2)) if field.group(2) else high
            current[2][field.group(3)] = (high, low, int(field.group(4), 16))
    return registers


READ_SCRIPT = """
    with lumagraph.Session(install_driver=True) as s:
        out = []
        for name in %r:
            r = s.registers.read(name)
            out.append([r.name, r.title, r.offset, r.value, [[f.name, f.high, f.low, f.value] for f in r.fields.values()]])
        print(json.dumps(out))
"""


@pytest.mark.parametrize("profile", ["dov", "fyn"])
def test_registers_read_by_name_equal_luma_cli_output(machine, bin_dir, tmp_path, profile):
    got = machine(READ_SCRIPT % NAMES, profile=profile)
    log = run_tool(bin_dir, "luma_cli", machine.state, profile, ["read_reg " + " ".join(NAMES)], tmp_path)
    printed = dumped_registers(log)
    assert len(printed) == len(NAMES)
    for name, title, offset, value, fields in got:
        assert title in printed, (name, title)
        p_offset, p_value, p_fields = printed[title]
        assert (offset, value) == (p_offset, p_value), name
        assert {f: (h, lo, v) for f, h, lo, v in fields} == p_fields, name


def test_find_lists_what_luma_cli_finds(machine, bin_dir, tmp_path):
    got = machine("""
        with lumagraph.Session(install_driver=True) as s:
            print(json.dumps([[m.name, m.field, m.offset, m.high, m.low] for m in s.registers.find("pipe_a_*")]
                             + [["fields"] + [m.field for m in s.registers.find("pipe_a_conf.*")]]))
    """)
    *registers, fields = got
    assert registers and all(name.startswith("pipe_a_") and field == "" and (h, lo) == (31, 0)
                             for name, field, _, h, lo in registers)
    log = run_tool(bin_dir, "luma_cli", machine.state, "dov", ["find_reg pipe_a_*"], tmp_path)
    for name, _, offset, _, _ in registers:
        assert re.search(r"\b%s\b.*0x%X" % (name, offset), log, re.I), name
    assert "pipe_enable" in " ".join(fields[1:]) and "" not in fields[1:]


def test_a_field_write_changes_only_its_bits_and_a_dry_run_nothing(machine):
    got = machine("""
        with lumagraph.Session(install_driver=True) as s:
            start = s.read_mmio(0x70180)
            dry = s.registers.write("disp_plane_a_enable", 0, dry_run=True)
            after_dry = s.read_mmio(0x70180)
            done = s.registers.write("disp_plane_a_enable", 0)
            after = s.read_mmio(0x70180)
            field = s.registers.read("plane_a_ctrl.disp_plane_a_enable").value
            s.registers.write("disp_plane_a_enable", 1)
            print(json.dumps({"start": start, "after_dry": after_dry, "after": after, "field": field,
                              "dry": [dry.register, dry.before, dry.after, dry.changed, dry.dry_run],
                              "done": [done.before, done.after, done.changed, done.dry_run],
                              "back": s.read_mmio(0x70180)}))
    """)
    enable = 1 << 31
    assert got["start"] & enable
    assert got["after_dry"] == got["start"]
    assert got["dry"] == ["plane_a_ctrl", got["start"], got["start"] & ~enable,
                          {"disp_plane_a_enable": [1, 0]}, True]
    assert got["after"] == got["start"] & ~enable
    assert got["done"] == [got["start"], got["after"], {"disp_plane_a_enable": [1, 0]}, False]
    assert got["field"] == 0
    assert got["back"] == got["start"]


REGISTER_ERRORS = [
    # (call, code, a line the library wrote)
    ("s.registers.read('pipe_a_cnof')", 5, "close names"),
    ("s.registers.read('pipe_a_*')", 5, "names"),
    ("s.registers.write('disp_plane_a_enable', 2)", 5, "does not fit"),
    ("s.registers.write('disp_plane_a_enable', 2, dry_run=True)", 5, "does not fit"),
    ("s.registers.write('disp_plane_a_enable', 0)", 6, "read back"),
]


def test_register_failures_raise_with_the_librarys_lines(machine, tmp_path):
    profile = tmp_path / "readonly.profile"
    # Bit 31 of plane A's control register does not take writes.
    profile.write_text("base = dov\n[mmio 2 read_only]\n0x70180 = 0x80000000\n")
    got = machine("""
        out = []
        with lumagraph.Session(install_driver=True) as s:
            for call in %r:
                try:
                    eval(call)
                    out.append(None)
                except lumagraph.LumaError as e:
                    out.append([e.code, e.name, e.lines])
        print(json.dumps(out))
    """ % [c[0] for c in REGISTER_ERRORS], profile=str(profile))
    for (call, code, line), result in zip(REGISTER_ERRORS, got):
        assert result is not None, call
        assert result[0] == code, (call, result)
        assert any(line in text for text in result[2]), (call, result)


def test_a_report_log_read_offline_gives_the_live_values(machine, bin_dir, tmp_path):
    captured = ["pipe_a_conf", "plane_a_ctrl", "pipe_a_htotal", "plane_b_ctrl"]
    live = machine(READ_SCRIPT % captured, profile="fyn")
    run_tool(bin_dir, "luma_qrt", machine.state, "fyn", None, tmp_path)
    log_path = tmp_path / "luma_qrt.log"
    assert log_path.exists()
    # No session: without the log's own family the library would decode with its default one.
    got = machine("""
        with lumagraph.ReportLog(%r) as log:
            out = []
            for name in %r:
                r = log.registers.read(name)
                out.append([r.name, r.title, r.offset, r.value, [[f.name, f.high, f.low, f.value] for f in r.fields.values()]])
            errors = []
            # fyn's DPLLs lie outside the ranges the report dumps.
            for call in ["log.registers.write('disp_plane_a_enable', 0)", "log.registers.read('dpll_a_ctrl')"]:
                try:
                    eval(call)
                except lumagraph.LumaError as e:
                    errors.append([e.code, e.lines])
            matches = len(log.registers.find("*"))
        print(json.dumps({"read": out, "errors": errors, "matches": matches}))
    """ % (str(log_path), captured), profile="fyn")
    assert got["read"] == live
    write_error, uncaptured = got["errors"]
    assert write_error[0] == 5 and any("cannot be written" in l for l in write_error[1])
    assert uncaptured[0] == 6 and any("not captured" in l for l in uncaptured[1])
    assert got["matches"] > len(captured)


def test_a_log_that_cannot_be_read_raises_logfile_error(machine, tmp_path):
    got = machine("""
        try:
            lumagraph.ReportLog(%r)
        except lumagraph.LumaError as e:
            print(json.dumps([e.code, e.name, e.lines]))
    """ % str(tmp_path / "missing.log"))
    assert got[0] == 4 and got[1] == "EXIT_LOGFILE_ERROR"
    assert any("Failed to open" in line for line in got[2])
