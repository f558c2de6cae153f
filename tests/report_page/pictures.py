"""The README's pictures of the report page, and its size and load time.

    python3 tests/report_page/pictures.py [build/bin] [docs]

writes report-page-dov.png (the page of tests/data/qrt_logs/dov.log),
report-page-dov-fyn.png (dov compared with fyn) and report-page-changes.png
(dov compared with a copy of it whose plane and pipe A registers changed)
into the folder, and prints
each page's size and the median time from navigation to the end of its load
event over five loads in headless Chromium.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def main():
    bin_dir = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(ROOT, "build", "bin")
    out_dir = sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "docs")
    logs = os.path.join(ROOT, "tests", "data", "qrt_logs")
    work = tempfile.mkdtemp()
    # A board whose plane A was switched to pipe B and whose pipe A is off,
    # beside the log it came from.
    for name in ("dov.log", "fyn.log"):
        shutil.copy(os.path.join(logs, name), work)
    changed = os.path.join(work, "dov-changed.log")
    text = open(os.path.join(logs, "dov.log"), encoding="latin-1").read()
    text = text.replace("\n00070180     00 00 00 98", "\n00070180     00 00 00 81")
    text = text.replace("\n00070008     00 00 00 80", "\n00070008     00 00 00 00")
    open(changed, "w", encoding="latin-1").write(text)
    pages = [("report-page-dov", ["dov.log"]), ("report-page-dov-fyn", ["dov.log", "fyn.log"]),
             ("report-page-changes", ["dov.log", "dov-changed.log"])]
    with Browser(width=1280, height=900) as b:
        for name, names in pages:
            page = os.path.join(work, name + ".html")
            # Logs named as a user names them, from their own folder.
            subprocess.run([os.path.join(bin_dir, "luma_cli"), "--html", page] + names, cwd=work, check=True)
            loads = [b.open(page) for _ in range(5)]
            print("%s: %.2f MB, load event after %.3f s (median of %s)" % (
                name, os.path.getsize(page) / 1e6, statistics.median(loads), ", ".join("%.3f" % t for t in loads)))
            problems = b.problems()
            if problems:
                sys.exit("%s: %s" % (name, problems))
            if name == "report-page-changes":
                b.evaluate("document.getElementById('only-changed').click()")
            b.screenshot(os.path.join(out_dir, name + ".png"), clip_height=1300)


if __name__ == "__main__":
    main()
