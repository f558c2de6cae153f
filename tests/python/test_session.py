"""Sessions on the simulated machine: facts as luma_cli prints them, changes and their revert, errors, cleanup."""
import os
import re
import subprocess

import pytest

from conftest import driver_left_behind


def luma_cli(bin_dir, state, profile, commands, cwd):
    """Runs luma_cli's script on the same machine and returns its log."""
    env = dict(os.environ, LUMA_SIM_PROFILE=profile, LUMA_SIM_STATE=str(state))
    subprocess.run([os.path.join(bin_dir, "luma_cli"), "--script"], input="\n".join(commands + ["quit"]) + "\n",
                   env=env, cwd=str(cwd), capture_output=True, text=True, errors="replace", timeout=120, check=True)
    return (cwd / "luma_cli.log").read_text(errors="replace")


@pytest.mark.parametrize("profile", ["dov", "fyn"])
def test_session_reports_the_machine_as_luma_cli_does(machine, bin_dir, tmp_path, profile):
    got = machine("""
        with lumagraph.Session(install_driver=True) as s:
            c = s.chipset
            screens = s.port_mapping()
            dc = s.current_dc
            print(json.dumps({"chipset": [c.device_id, c.revision, c.name], "dc": dc,
                              "dcs": [[d.dc, d.name] for d in s.dc_list()],
                              "modes": [[m.width, m.height, m.refresh] for m in s.modes()],
                              "primary": [p for p, _ in screens[0].ports], "screens": len(screens),
                              "os": s.os_name, "config_id": s.config_id}))
    """, profile=profile)
    log = luma_cli(bin_dir, machine.state, profile, ["get_chipset_name", "get_dc_list", "get_os_name"], tmp_path)
    device, revision, name = got["chipset"]
    assert "Chipset: 0x%X, Revision: 0x%X, Name: %s" % (device, revision, name) in log
    assert {"dov": 0x2B02, "fyn": 0x5E01}[profile] == device
    assert got["os"] in log
    # The same dcs with the same names, in the same order.
    listed = [[int(dc, 16), name] for dc, name in re.findall(r"^\d+ 0x([0-9A-F]{8}) (.*)$", log, re.M)]
    assert got["dcs"] == listed and listed
    assert got["dc"] in [dc for dc, _ in listed]
    assert got["modes"] and all(w > 0 and h > 0 for w, h, _ in got["modes"])
    assert got["primary"] == [(got["dc"] >> 4) & 0xF]


def test_mode_change_and_its_revert(machine):
    got = machine("""
        with lumagraph.Session() as s:
            port = s.port(s.current_dc, 0, 0)
            before = s.port_info(port)
            other = next(m for m in s.modes() if (m.width, m.height) != (before.width, before.height))
            s.set_mode(0, other, before.depth)
            changed = s.port_info(port)
            s.set_mode(0, (before.width, before.height, before.refresh), before.depth)
            after = s.port_info(port)
            s.set_rotation(port, 90)
            rotated = s.rotation(port)
            turned = s.port_info(port)
            s.set_rotation(port, 0)
            print(json.dumps({"before": [before.width, before.height], "other": [other.width, other.height],
                              "changed": [changed.width, changed.height], "after": [after.width, after.height],
                              "rotated": [rotated.rotation, rotated.flip], "turned": [turned.width, turned.height],
                              "back": s.rotation(port).rotation}))
    """)
    assert got["changed"] == got["other"] != got["before"]
    assert got["after"] == got["before"]
    assert got["rotated"] == [90, 0]
    assert got["back"] == 0
    # A quarter turn swaps the desktop's width and height.
    assert got["turned"] == got["before"][::-1]
    # The revert is what the machine keeps: a later process sees it.
    again = machine("""
        with lumagraph.Session() as s:
            i = s.port_info(s.port(s.current_dc, 0, 0))
            print(json.dumps([i.width, i.height]))
    """)
    assert again == got["before"]


ERROR_CASES = [
    # (call inside the session, code, name, lines the library wrote)
    ("s.modes(display=2)", 5, "EXIT_INVALID_PARAM_ERROR", []),
    ("s.set_rotation(4, 45, 2)", 5, "EXIT_INVALID_PARAM_ERROR",
     ["ERROR: Invalid Rotation specified", "ERROR: Invalid Flip specified"]),
    ("s.port_info(3)", 6, "EXIT_OS_CALL_ERROR", ["ERROR while sending VARNEL_ESCAPE_GET_PORT_INFO escape key"]),
    ("s.read_mmio(0x70180)", 6, "EXIT_OS_CALL_ERROR",
     ["ERROR: Driver not present, First install driver by calling os_initialize"]),
    ("s.write_mmio(0x70180, 1, 12)", 5, "EXIT_INVALID_PARAM_ERROR", ["ERROR: Invalid width: 12 (8, 16 or 32)"]),
    ("s.registry_value(0, 0, 'x', 'NoSuchValue')", 8, "EXIT_REGISTRY_ERROR",
     ["The system cannot find the file specified."]),
    ("s.set_registry_value(0, 0, 'x', 'Edid', 'abc')", 5, "EXIT_INVALID_PARAM_ERROR",
     ["ERROR: Invalid DWORD value: abc"]),
    ("s.chipset", 6, "EXIT_OS_CALL_ERROR", []),
]


def test_failures_raise_luma_error_with_code_name_and_lines(machine):
    got = machine("""
        cases = %r
        out = []
        with lumagraph.Session() as s:
            for call in cases:
                try:
                    eval(call)
                    out.append(None)
                except lumagraph.LumaError as e:
                    out.append([e.code, e.name, e.lines, str(e).splitlines()[0]])
        print(json.dumps(out))
    """ % [c[0] for c in ERROR_CASES])
    for (call, code, name, lines), result in zip(ERROR_CASES, got):
        assert result is not None, call + " did not raise"
        assert result[:3] == [code, name, lines], call
        assert name in result[3]


def test_library_lines_go_to_the_logger_instead_of_standard_output(machine):
    done = machine("""
        import logging
        seen = []
        class Keep(logging.Handler):
            def emit(self, record):
                seen.append([record.levelname, record.getMessage()])
        logging.getLogger("lumagraph").addHandler(Keep())
        logging.getLogger("lumagraph").setLevel(logging.INFO)
        with lumagraph.Session() as s:
            try:
                s.set_rotation(4, 45, 0)
            except lumagraph.LumaError:
                pass
        print(json.dumps(seen))
    """, raw=True)
    # The one line on standard output is the script's own; with no handler
    # of the caller's nothing reaches standard error either.
    assert done.stdout == '[["ERROR", "ERROR: Invalid Rotation specified"]]\n'
    assert done.stderr == ""


def test_no_driver_is_left_after_an_exception_in_the_with_block(machine):
    got = machine("""
        import os
        state = os.environ["LUMA_SIM_STATE"]
        inside = None
        try:
            with lumagraph.Session(install_driver=True) as s:
                inside = "hwpeek." in open(state + "/services.state").read()
                raise KeyError("the harness failed")
        except KeyError:
            pass
        print(json.dumps(inside))
    """)
    assert got is True  # the check below can see a driver
    assert driver_left_behind(machine.state) == []


def test_a_session_that_fails_to_open_removes_the_driver_it_installed(machine, tmp_path):
    # The simulation library is found and its boot fails after the driver
    # was installed: opening fails with 6 and leaves nothing behind.
    profile = tmp_path / "bootfail.profile"
    profile.write_text("base = dov\n[faults]\nbootup_sequence = fail\n")
    os.environ["LD_LIBRARY_PATH"] = os.environ["LUMA_SIMLIB_DIR"]
    try:
        got = machine("""
            try:
                lumagraph.Session(install_driver=True).open()
                print(json.dumps(None))
            except lumagraph.LumaError as e:
                print(json.dumps([e.code, e.function]))
        """, profile=str(profile))
    finally:
        del os.environ["LD_LIBRARY_PATH"]
    assert got == [6, "opal_open"]
    assert driver_left_behind(machine.state) == []


def test_a_session_left_open_at_exit_still_removes_the_driver(machine):
    machine("""
        s = lumagraph.Session(install_driver=True).open()
        s.chipset
    """)
    assert driver_left_behind(machine.state) == []


def test_one_session_at_a_time(machine):
    got = machine("""
        with lumagraph.Session():
            try:
                lumagraph.Session().open()
                print(json.dumps("opened twice"))
            except RuntimeError as e:
                print(json.dumps(str(e)))
    """)
    assert "already open" in got


def test_edid_attributes_and_registry_values(machine):
    got = machine("""
        with lumagraph.Session() as s:
            port = s.port(s.current_dc, 0, 0)
            edid = s.edid(port)
            attrs = s.attributes(port)
            gamma = next(a for a in attrs if a.id == 35)
            s.set_attribute(port, gamma, 0x404040)
            after = next(a for a in s.attributes(port) if a.id == 35).current_value
            s.set_attribute(port, gamma, gamma.current_value)
            s.set_registry_value(0, 0, "x", "Edid", 7)
            edid_value = s.registry_value(0, 0, "x", "Edid")
            print(json.dumps({"edid": list(edid), "after": after, "name": s.registry_value(0, 0, "x", "Name"),
                              "edid_value": edid_value, "names": [a.name for a in attrs]}))
    """)
    edid = bytes(got["edid"])
    assert len(edid) == 128 and edid[:8] == b"\x00\xff\xff\xff\xff\xff\xff\x00"
    assert sum(edid) % 256 == 0  # the block's own checksum
    assert got["after"] == 0x404040
    assert got["edid_value"] == 7
    assert isinstance(got["name"], str) and got["name"]
    assert "Gamma" in got["names"]
