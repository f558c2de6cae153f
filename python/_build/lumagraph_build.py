"""A build backend for the pure-Python lumagraph package: the wheel is the
package's .py files and its metadata, written with the standard library."""
import base64
import io
import hashlib
import os
import re
import tarfile
import zipfile

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PACKAGE = "lumagraph"


def _project():
    with open(os.path.join(HERE, "pyproject.toml"), encoding="utf-8") as f:
        text = f.read()
    table = text.split("[project]", 1)[1].split("\n[", 1)[0]
    return dict(re.findall(r'^([\w-]+)\s*=\s*"([^"]*)"', table, re.M))


def _metadata():
    p = _project()
    return ("Metadata-Version: 2.1\nName: %s\nVersion: %s\nSummary: %s\nRequires-Python: %s\n"
            % (p["name"], p["version"], p["description"], p["requires-python"]))


def _dist_info():
    p = _project()
    return "%s-%s.dist-info" % (p["name"], p["version"])


def _sources():
    folder = os.path.join(HERE, PACKAGE)
    return sorted(PACKAGE + "/" + name for name in os.listdir(folder) if name.endswith(".py"))


def _write_wheel(wheel_directory, files):
    """files: [(archive name, bytes)]; adds WHEEL, METADATA and RECORD."""
    p = _project()
    info = _dist_info()
    files = list(files) + [
        (info + "/METADATA", _metadata().encode()),
        (info + "/WHEEL", b"Wheel-Version: 1.0\nGenerator: lumagraph_build\nRoot-Is-Purelib: true\nTag: py3-none-any\n"),
        (info + "/top_level.txt", (PACKAGE + "\n").encode()),
    ]
    record = []
    for name, data in files:
        digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
        record.append("%s,sha256=%s,%d" % (name, digest, len(data)))
    record.append(info + "/RECORD,,")
    files.append((info + "/RECORD", ("\n".join(record) + "\n").encode()))
    wheel = "%s-%s-py3-none-any.whl" % (p["name"], p["version"])
    with zipfile.ZipFile(os.path.join(wheel_directory, wheel), "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in files:
            z.writestr(name, data)
    return wheel


def _read(name):
    with open(os.path.join(HERE, name), "rb") as f:
        return f.read()


def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def get_requires_for_build_editable(config_settings=None):
    return []


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    return _write_wheel(wheel_directory, [(name, _read(name)) for name in _sources()])


def build_editable(wheel_directory, config_settings=None, metadata_directory=None):
    # The installed copy is a path entry to this source folder.
    return _write_wheel(wheel_directory, [(PACKAGE + ".pth", (HERE + "\n").encode())])


def build_sdist(sdist_directory, config_settings=None):
    p = _project()
    base = "%s-%s" % (p["name"], p["version"])
    name = base + ".tar.gz"
    with tarfile.open(os.path.join(sdist_directory, name), "w:gz") as tar:
        for member in ["pyproject.toml", "_build/lumagraph_build.py"] + _sources():
            tar.add(os.path.join(HERE, member), arcname=base + "/" + member)
        info = tarfile.TarInfo(base + "/PKG-INFO")
        data = _metadata().encode()
        info.size = len(data)

        tar.addfile(info, io.BytesIO(data))
    return name
