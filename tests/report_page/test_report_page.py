"""luma_cli --html pages opened in headless Chromium: what a user sees is
what the log holds, the filter narrows it, a comparison counts what
luma_cli --compare counts, and a log built to attack runs nothing."""
import json
import os
import re
import shutil
import subprocess

import pytest

from browser import Browser, chromium_path

BIN = os.environ.get("LUMA_BIN_DIR", "build/bin")
DATA = os.environ.get("LUMA_TEST_DATA_DIR", "tests/data")
HERE = os.path.dirname(os.path.abspath(__file__))
LOGS = os.path.join(DATA, "qrt_logs")


def cli(*args, cwd=None):
    return subprocess.run([os.path.join(BIN, "luma_cli")] + list(args), capture_output=True, text=True,
                          errors="replace", cwd=cwd, timeout=120)


def page_of(out, *logs):
    run = cli("--html", str(out), *[str(l) for l in logs])
    assert run.returncode == 0, run.stdout + run.stderr
    return str(out)


def json_registers(log):
    """The register records luma_cli --to-json holds for a log."""
    run = cli("--to-json", str(log))
    assert run.returncode == 0, run.stdout + run.stderr
    found = []

    def walk(node):
        if isinstance(node, dict):
            if "offset" in node and "fields" in node:
                found.append(node)
                return
            for v in node.values():
                walk(v)
        elif isinstance(node, list):
            for v in node:
                walk(v)

    for line in run.stdout.splitlines():
        if line.strip():
            walk(json.loads(line))
    return found


def compare_count(a, b):
    """What luma_cli --compare says: the number of named registers that
    differ, 0 when they agree, None for two families."""
    run = cli("--compare", str(a), str(b))
    assert run.returncode in (0, 1), run.stdout
    m = re.search(r"^(\d+) named registers differ$", run.stdout, re.M)
    if m:
        return int(m.group(1))
    if "their registers do not compare" in run.stdout:
        return None
    assert "The captures agree on every named register" in run.stdout, run.stdout
    return 0


def changed_log(src, dst, edits):
    """A copy of a log with some captured bytes changed: {address: (byte index, xor)}."""
    text = open(src, encoding="latin-1").read()
    for address, (index, xor) in edits.items():
        m = re.search(r"^%08X((?: +[0-9A-F]{2})+)$" % address, text, re.M)
        assert m, hex(address)
        values = m.group(1).split()
        values[index] = "%02X" % (int(values[index], 16) ^ xor)
        text = text[:m.start(1)] + "     " + " ".join(values) + text[m.end(1):]
    open(dst, "w", encoding="latin-1").write(text)
    return dst


@pytest.fixture(scope="module")
def browser():
    assert chromium_path(), "chromium is not installed (tools/test.sh installs it)"
    with Browser() as b:
        yield b


def visible_offsets(b):
    return b.evaluate("Array.from(document.querySelectorAll('.reg')).filter(r => !r.hidden)"
                      ".map(r => r.querySelector('.off').textContent)")


@pytest.mark.parametrize("family", ["dov", "fyn"])
def test_page_shows_every_decoded_register_of_the_log(browser, tmp_path, family):
    log = os.path.join(LOGS, family + ".log")
    page = page_of(tmp_path / "page.html", log)
    assert os.path.getsize(page) < 3 * 1024 * 1024
    browser.open(page)
    assert browser.problems() == []
    # Nothing but the file itself is fetched.
    assert browser.requests() == ["file://" + os.path.abspath(page)]
    records = json_registers(log)
    rows = browser.evaluate("Array.from(document.querySelectorAll('.reg')).map(r => ["
                            "r.querySelector('.off').textContent, r.querySelector('.rt').textContent,"
                            "r.querySelector('.rn').textContent, !!r.querySelector('.nc'),"
                            "r.querySelectorAll('.f').length])")
    assert len(rows) == len(records) > 0
    for row, rec in zip(rows, records):
        assert row[0] == "0x%X" % rec["offset"]
        assert row[1].startswith(rec["title"])
        if rec.get("name"):
            assert row[2] == rec["name"]
        not_captured = rec.get("captured") is False or rec.get("value") is None
        assert row[3] == not_captured, row
        assert row[4] == (0 if not_captured else len(rec["fields"]))
    summary = browser.evaluate("document.getElementById('summary').textContent")
    assert family in summary
    assert "Windows" in summary and "passed" in summary
    # Each command expands to its output lines.
    assert browser.evaluate("document.querySelectorAll('details.cmd').length") > 10
    browser.evaluate("document.querySelector('details.cmd').open = true")
    assert browser.evaluate("document.querySelector('details.cmd pre').offsetHeight") > 0


def test_filter_narrows_registers_and_fields_as_one_types(browser, tmp_path):
    page = page_of(tmp_path / "page.html", os.path.join(LOGS, "dov.log"))
    browser.open(page)
    total = browser.evaluate("document.querySelectorAll('.reg').length")
    assert len(visible_offsets(browser)) == total
    # An offset: only that register.
    browser.type_text("#filter", "0x70180")
    assert set(visible_offsets(browser)) == {"0x70180"}
    assert browser.evaluate("document.getElementById('filter-count').textContent").startswith("1 of ")
    # A field name: the registers holding it, with only the matching fields.
    browser.evaluate("document.getElementById('filter').value = ''")
    browser.type_text("#filter", "pipe_select")
    shown = visible_offsets(browser)
    assert 0 < len(shown) < total
    fields = browser.evaluate("Array.from(document.querySelectorAll('.reg:not([hidden]) .f:not([hidden]) .fn'))"
                              ".map(f => f.textContent)")
    assert fields and all("pipe_select" in f for f in fields)
    # A title in another case.
    browser.evaluate("document.getElementById('filter').value = ''")
    browser.type_text("#filter", "PIPE A CONFIGURATION")
    assert "0x70008" in visible_offsets(browser)
    assert len(visible_offsets(browser)) < total
    # Emptied: everything again.
    browser.evaluate("var f = document.getElementById('filter'); f.value = ''; "
                     "f.dispatchEvent(new Event('input'))")
    assert len(visible_offsets(browser)) == total
    assert browser.problems() == []


def test_comparison_marks_what_compare_counts(browser, tmp_path):
    dov = os.path.join(LOGS, "dov.log")
    # Plane A's pixel format and pipe select, and pipe A's enable bit.
    other = changed_log(dov, str(tmp_path / "changed.log"), {0x70180: (3, 0x19), 0x70008: (3, 0x80)})
    expected = compare_count(dov, other)
    assert expected == 2
    browser.open(page_of(tmp_path / "cmp.html", dov, other))
    assert browser.problems() == []
    assert browser.evaluate("document.querySelectorAll('#comparison .change').length") == expected
    assert browser.evaluate("+document.getElementById('change-count').dataset.n") == expected
    marked = browser.evaluate("Array.from(new Set(Array.from(document.querySelectorAll('.reg.chg'))"
                              ".map(r => r.querySelector('.off').textContent)))")
    assert sorted(marked) == ["0x70008", "0x70180"]
    fields = browser.evaluate("Array.from(document.querySelectorAll('#r0-70180 .f.c')).map(f => f.textContent)")
    assert any("disp_a_pipe_select" in f and "0x0" in f and "0x1" in f for f in fields), fields
    # The box "only these": the two changed registers alone.
    browser.evaluate("document.getElementById('only-changed').click()")
    assert sorted(set(visible_offsets(browser))) == ["0x70008", "0x70180"]
    browser.evaluate("document.getElementById('only-changed').click()")
    assert len(visible_offsets(browser)) == browser.evaluate("document.querySelectorAll('.reg').length")
    # A change links to its register.
    href = browser.evaluate("document.querySelector('#comparison .change a').getAttribute('href')")
    assert browser.evaluate("!!document.querySelector(%s)" % json.dumps(href))


@pytest.mark.parametrize("second", ["dov", "fyn"])
def test_comparison_of_the_same_capture_or_two_families(browser, tmp_path, second):
    dov = os.path.join(LOGS, "dov.log")
    other = os.path.join(LOGS, second + ".log")
    expected = compare_count(dov, other)
    browser.open(page_of(tmp_path / "cmp.html", dov, other))
    assert browser.problems() == []
    text = browser.evaluate("document.getElementById('comparison').textContent")
    assert browser.evaluate("document.querySelectorAll('#comparison .change, .reg.chg').length") == 0
    if expected is None:
        assert "two chipset families" in text and "do not compare" in text
        # Each log's registers are still there, under its own heading.
        assert browser.evaluate("!!document.getElementById('registers1')")
    else:
        assert expected == 0 and "agree on every named register" in text


def test_hostile_log_renders_as_text_and_runs_nothing(browser, tmp_path):
    run_dir = tmp_path / "run"
    run_dir.mkdir()
    env = dict(os.environ, LUMA_SIM_PROFILE=os.path.join(HERE, "hostile.profile"),
               LUMA_SIM_STATE=str(tmp_path / "state"))
    qrt = subprocess.run([os.path.join(BIN, "luma_qrt")], cwd=run_dir, env=env, stdin=subprocess.DEVNULL,
                         capture_output=True, timeout=300)
    assert qrt.returncode == 0
    # The file's name attacks too.
    log = str(tmp_path / "<img src=x onerror=alert(1)>'\".log")
    shutil.copy(run_dir / "luma_qrt.log", log)
    page = page_of(tmp_path / "hostile.html", log, log)
    browser.open(page)
    assert browser.problems() == []
    assert browser.evaluate("document.title").endswith("Lumagraph report")
    assert browser.evaluate("document.scripts.length") == 1
    assert browser.evaluate("document.querySelectorAll('img, b[x], iframe, object').length") == 0
    text = browser.evaluate("document.body.textContent")
    for shown in ["Monitor Name = <script>\"'&<",
                  "</pre><script>document.title=\"pwned-registry\"</script><b x='1'>",
                  "</li><img src=x onerror=\"document.title='pwned-program'\">"
                  "<script>document.title='pwned'</script> & Co",
                  "<img src=x onerror=alert(1)>'\".log"]:
        assert shown in text, shown
