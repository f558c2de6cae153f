"""The JUnit and JSON files of luma_qrt and luma_cli, read back by real
consumers: junitparser and lxml for the XML, jsonschema for every JSON line,
and the text log as the reference for what the JSON must hold."""
import json
import os
import re
import subprocess

import jsonschema
import junitparser
import pytest
from lxml import etree

BIN = os.environ["LUMA_BIN_DIR"]
SCHEMA = json.load(open(os.environ["LUMA_RECORD_SCHEMA"]))
VALIDATOR = jsonschema.Draft202012Validator(SCHEMA, format_checker=jsonschema.FormatChecker())
FAMILIES = ["ava", "dov", "cyr", "eft", "fyn", "bex"]

# Memory figures of the host would differ between two runs.
FIXED_MEMORY = b"\n[memory]\ntotal_phys = 1073741824\navail_phys = 536870912\n" \
               b"total_page_file = 2147483648\navail_page_file = 1073741824\n"


def profile(tmp_path, family, extra=b""):
    path = tmp_path / f"{family}.profile"
    path.write_bytes(b"base = " + family.encode() + b"\n[machine]\nwait_scale = 0\n" + FIXED_MEMORY + extra)
    return str(path)


def run(tool, tmp_path, profile_path, args, script=None, state="state"):
    env = dict(os.environ, LUMA_SIM_PROFILE=profile_path, LUMA_SIM_STATE=str(tmp_path / state))
    r = subprocess.run([os.path.join(BIN, tool)] + args, input=script, cwd=tmp_path, env=env,
                       capture_output=True, timeout=120)
    assert r.returncode == 0, r.stderr
    return r


def json_lines(path):
    objects = []
    for number, line in enumerate(open(path, "rb"), 1):
        obj = json.loads(line)
        errors = sorted(VALIDATOR.iter_errors(obj), key=str)
        assert not errors, f"line {number}: {errors[0].message}"
        objects.append(obj)
    assert objects[0]["record"] == "run" and objects[-1]["record"] == "summary"
    return objects


def junit_counts(path):
    # lxml refuses anything that is not well-formed XML.
    etree.parse(str(path), etree.XMLParser(recover=False))
    xml = junitparser.JUnitXml.fromfile(str(path))
    suites = list(xml)
    assert len(suites) == 1
    cases = list(suites[0])
    failed = sum(1 for c in cases if not c.is_passed)
    assert suites[0].tests == len(cases) and suites[0].failures == failed
    return suites[0], cases, failed


def exit_lines(log):
    return re.findall(rb"^Function: \S+, Exit Code: (\S+)$", log, re.M)


@pytest.mark.parametrize("family", FAMILIES)
def test_automatic_report_of_every_family(tmp_path, family):
    p = profile(tmp_path, family)
    run("luma_qrt", tmp_path, p, ["--junit", "r.xml", "--json", "r.jsonl"], state="with")
    log_with = (tmp_path / "luma_qrt.log").read_bytes()
    run("luma_qrt", tmp_path, p, [], state="without")
    # The text log is the same with the writers as without them.
    assert (tmp_path / "luma_qrt.log").read_bytes() == log_with

    codes = exit_lines(log_with)
    failed_in_log = sum(1 for c in codes if c != b"EXIT_OK")
    suite, cases, failed = junit_counts(tmp_path / "r.xml")
    assert (len(cases), failed) == (len(codes), failed_in_log)
    props = {p.name: p.value for p in suite.properties()}
    assert props["tool"] == "LUMA_QRT" and props["family"] == family and props["chipset"]

    objects = json_lines(tmp_path / "r.jsonl")
    commands = [o for o in objects if o["record"] == "command"]
    assert [c["exit_name"].encode() for c in commands] == codes
    assert objects[-1]["passed"] == len(codes) - failed_in_log and objects[-1]["failed"] == failed_in_log
    assert objects[0]["family"] == family
    # The byte dump the log holds, as raw records: every dumped MMIO line's bytes.
    mmio = next(c for c in commands if c["name"] == "read_mmio_regs")
    dumped = {d["address"]: bytes.fromhex(d["bytes"]) for d in mmio["dumps"]}
    for m in re.finditer(rb"^([0-9A-F]{8})     ((?: [0-9A-F]{2})+)$", log_with, re.M):
        address = int(m.group(1), 16)
        base = max(a for a in dumped if a <= address)
        chunk = dumped[base][address - base:]
        line = bytes(int(b, 16) for b in m.group(2).split())
        assert chunk[:len(line)] == line, hex(address)


HEADER = re.compile(r"^(\S.*?) +\[0x([0-9A-F]+) *\] +: (?:0x([0-9A-F]+)|(not captured))$")
DEVICE = re.compile(r"^Device (\d+)$")
FIELD = re.compile(r"^\[(\d+)(?::(\d+))?\] +(\S+) +: 0x([0-9A-F]+)$")
DUMPS = ["read_error", "get_pipe_regs", "get_port_regs", "get_fuse_regs", "get_plane_regs", "get_vgacntrl",
         "get_reg_lvds", "get_tv_regs", "get_cmos_settings"]


def check_registers_against_text(log_text, commands):
    """Every register header and field line of the text log is in the JSON
    with the same values, in the same order."""
    flat = [r for c in commands for r in c["registers"]]
    at = 0
    current = None
    checked = 0

    def next_register(wanted, line):
        nonlocal at
        for i in range(at, len(flat)):
            if wanted(flat[i]):
                at = i + 1
                return flat[i]
        raise AssertionError(f"{line!r} not in the JSON")

    offset = None
    after_device = False
    for line in log_text.split("\n"):
        h = HEADER.match(line)
        if h:
            title, offset = h.group(1).rstrip(), int(h.group(2), 16)
            value = int(h.group(3), 16) if h.group(3) else None
            wanted = lambda r: (r["title"], r["offset"], r["value"]) == (title, offset, value)
            # A device line may come first and have found this register already.
            if not (after_device and wanted(current)):
                current = next_register(wanted, line)
            after_device = False
            assert current["captured"] == (value is not None)
            checked += 1
            continue
        d = DEVICE.match(line)
        if d:
            # The fields that follow are of the register read again from that device.
            device = int(d.group(1))
            if not (current and current["offset"] == offset and current["device"] == device):
                current = next_register(lambda r: r["offset"] == offset and r["device"] == device, line)
            after_device = True
            continue
        f = FIELD.match(line)
        if f:
            high = int(f.group(1))
            low = int(f.group(2)) if f.group(2) else high
            field = {"name": f.group(3), "high": high, "low": low, "value": int(f.group(4), 16)}
            assert current and field in current["fields"], line
            checked += 1
    return checked


@pytest.mark.parametrize("family", ["dov", "fyn"])
def test_register_dumps_and_replay_hold_what_the_text_holds(tmp_path, family):
    p = profile(tmp_path, family)
    run("luma_qrt", tmp_path, p, [])
    os.rename(tmp_path / "luma_qrt.log", tmp_path / "report.log")
    script = "\n".join(DUMPS + ["parse_qrt report.log", "read_mmio 0x70180 1 7", "quit"]) + "\n"
    run("luma_cli", tmp_path, p, ["--script", "--json", "c.jsonl", "--junit", "c.xml"], script.encode())
    log = (tmp_path / "luma_cli.log").read_text(errors="surrogateescape")
    objects = json_lines(tmp_path / "c.jsonl")
    commands = [o for o in objects if o["record"] == "command"]
    assert [c["line"] for c in commands] == DUMPS + ["parse_qrt report.log", "read_mmio 0x70180 1 7"]
    # The banner comes before the first command's block.
    log = log.split("\n", 2)[2]
    assert check_registers_against_text(log, commands) > 200

    passed, failed = map(int, re.search(r"ULTSUMMARY (\d+) (\d+)", log).groups())
    _, cases, junit_failed = junit_counts(tmp_path / "c.xml")
    assert (len(cases), junit_failed) == (passed + failed, failed)
    assert objects[-1]["passed"] == passed and objects[-1]["failed"] == failed
    bad = next(c for c in cases if c.name == "read_mmio 0x70180 1 7")
    assert bad.result[0].type == "EXIT_INVALID_PARAM_ERROR"
    assert bad.result[0].text == ("ERROR: Invalid width: 7 (8, 16 or 32)\n"
                                  "Function: READ_MMIO, Exit Code: EXIT_INVALID_PARAM_ERROR\n")
    if family == "fyn":
        replay = commands[len(DUMPS)]["registers"]
        assert any(not r["captured"] and r["device"] == 3 for r in replay)
        assert any(r["device"] == 3 and r["captured"] for r in commands[DUMPS.index("get_pipe_regs")]["registers"])


HOSTILE = b'Evil "quoted" <b>&amp; </system-out> ]]> \x7f \xff\xc3( \xed\xa0\x80 \xef\xbf\xbf end'


def test_hostile_text_from_the_machine_and_the_script(tmp_path):
    extra = (b"[registry HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Evil]\n"
             b"DisplayName = " + HOSTILE + b"\n")
    p = profile(tmp_path, "dov", extra)
    refused = b"get_os_name \x01\x1b[31m <x>&\"\xff"
    script = b"get_all_software\n" + refused + b"\nquit\n"
    run("luma_qrt", tmp_path, p, ["--script", "--json", "h.jsonl", "--junit", "h.xml"], script)
    log = (tmp_path / "luma_qrt.log").read_bytes()
    assert HOSTILE + b"\n" in log

    objects = json_lines(tmp_path / "h.jsonl")
    software = next(o for o in objects if o.get("name") == "get_all_software")
    evil = [m for m in software["messages"] if m["text"].startswith("Evil")]
    assert len(evil) == 1 and bytes.fromhex(evil[0]["bytes"]) == HOSTILE
    refusal = next(o for o in objects if o["record"] == "command" and o["name"] == "")
    assert refusal["exit_name"] == "EXIT_INVALID_PARAM_ERROR"
    assert refusal["line"].startswith("get_os_name \x01\x1b[31m <x>&\"")

    _, cases, failed = junit_counts(tmp_path / "h.xml")
    assert failed == 1
    out = next(c for c in cases if c.name == "get_all_software").system_out
    assert 'Evil "quoted" <b>&amp; </system-out> ]]> \\x7F \\xFF\\xC3( \\xED\\xA0\\x80 \\xEF\\xBF\\xBF end' in out
    assert cases[1].name == 'get_os_name \\x01\\x1B[31m <x>&"\\xFF'


def text_of(messages):
    return "".join(m["text"] + "\n" for m in messages)


@pytest.mark.parametrize("family", ["dov", "fyn"])
def test_a_stored_log_converts_to_the_json_of_its_run(tmp_path, family):
    p = profile(tmp_path, family)
    run("luma_qrt", tmp_path, p, ["--json", "live.jsonl"])
    live = json_lines(tmp_path / "live.jsonl")
    converted = run("luma_cli", tmp_path, p, ["--to-json", "luma_qrt.log"]).stdout
    (tmp_path / "log.jsonl").write_bytes(converted)
    stored = json_lines(tmp_path / "log.jsonl")
    assert stored[0]["mode"] == "log" and stored[0]["family"] == family
    assert {k: stored[0][k] for k in ("tool", "tool_version", "chipset")} == \
           {k: live[0][k] for k in ("tool", "tool_version", "chipset")}
    live_commands = [o for o in live if o["record"] == "command"]
    stored_commands = [o for o in stored if o["record"] == "command"]
    # The log's blocks, then the replay of its capture.
    assert len(stored_commands) == len(live_commands) + 1
    for a, b in zip(live_commands, stored_commands):
        assert (a["name"], a["exit_code"], a["exit_name"]) == (b["name"], b["exit_code"], b["exit_name"])
        assert text_of(a["messages"]) == text_of(b["messages"])

    # The replay's registers are those parse_qrt decodes from the log.
    run("luma_cli", tmp_path, p, ["--script", "--json", "replay.jsonl"], b"parse_qrt luma_qrt.log\nquit\n")
    replay = next(o for o in json_lines(tmp_path / "replay.jsonl") if o["record"] == "command")
    assert stored_commands[-1]["line"] == "parse_qrt luma_qrt.log"
    assert stored_commands[-1]["registers"] == replay["registers"] and len(replay["registers"]) > 40


def test_to_json_of_a_missing_log_fails_with_2(tmp_path):
    r = subprocess.run([os.path.join(BIN, "luma_cli"), "--to-json", str(tmp_path / "none.log")], capture_output=True)
    assert r.returncode == 2 and b"Failed to open" in r.stderr and r.stdout == b""
