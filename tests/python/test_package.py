"""The package as users take it: pip in a fresh virtual environment, cmake --install, finding the library."""
import os
import shutil
import subprocess
import sys
import venv

from conftest import PACKAGE_DIR, ROOT


def readme_script():
    """The five-line script of the README's Python section."""
    with open(os.path.join(ROOT, "README.md")) as f:
        lines = f.read().splitlines()
    start = lines.index("    import lumagraph")
    script = []
    for line in lines[start:]:
        if not line.startswith("    "):
            break
        script.append(line[4:])
    return "\n".join(script) + "\n"


def run(args, **kwargs):
    done = subprocess.run(args, capture_output=True, text=True, timeout=300, **kwargs)
    assert done.returncode == 0, "%s\nstdout:\n%s\nstderr:\n%s" % (args, done.stdout, done.stderr)
    return done.stdout


def test_pip_installs_offline_into_a_fresh_venv_and_the_readme_script_runs(tmp_path, library_dir):
    env_dir = tmp_path / "venv"
    venv.EnvBuilder(with_pip=True).create(str(env_dir))
    python = str(env_dir / "bin" / "python")
    source = tmp_path / "python"
    shutil.copytree(PACKAGE_DIR, str(source), ignore=shutil.ignore_patterns("__pycache__"))
    # No index at all: the install must need nothing from the network.
    run([python, "-m", "pip", "install", "--disable-pip-version-check", str(source)],
        env=dict(os.environ, PIP_NO_INDEX="1"), cwd=str(tmp_path))
    script = tmp_path / "script.py"
    script.write_text(readme_script())
    assert len(readme_script().splitlines()) == 5
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    env.update(LUMAGRAPH_LIBRARY=library_dir, LUMA_SIM_STATE=str(tmp_path / "state"))
    out = run([python, str(script)], env=env, cwd=str(tmp_path))
    lines = out.splitlines()
    assert lines[0] == "Varnel Lumagraph DOV-2 Graphics Controller"
    # The decoded register: its value and its fields by name.
    assert len(lines) >= 2 and lines[1].startswith("0x"), out
    imported = run([python, "-c", "import lumagraph; print(lumagraph.__file__)"], env=env, cwd=str(tmp_path))
    assert imported.startswith(str(env_dir))


def test_cmake_install_puts_the_package_beside_the_library_and_it_finds_it(tmp_path):
    prefix = tmp_path / "prefix"
    run(["cmake", "--install", os.environ["LUMA_BUILD_DIR"], "--prefix", str(prefix)])
    packages = [str(p.parent.parent) for p in prefix.rglob("lumagraph/__init__.py")]
    assert len(packages) == 1
    env = {k: v for k, v in os.environ.items() if k not in ("LUMAGRAPH_LIBRARY", "LD_LIBRARY_PATH")}
    env.update(PYTHONPATH=packages[0], LUMA_SIM_STATE=str(tmp_path / "state"))
    out = run([sys.executable, "-c", "import lumagraph\n"
               "with lumagraph.Session(install_driver=True) as s: print(s.chipset.name)\n"
               "print(lumagraph._core.lumainfo().lib._name)"], env=env, cwd=str(tmp_path))
    name, loaded = out.splitlines()
    assert name == "Varnel Lumagraph DOV-2 Graphics Controller"
    assert loaded.startswith(str(prefix)), loaded


def test_a_missing_library_is_reported_with_every_place_tried(tmp_path):
    package = tmp_path / "site" / "lumagraph"
    shutil.copytree(os.path.join(PACKAGE_DIR, "lumagraph"), str(package),
                    ignore=shutil.ignore_patterns("__pycache__"))
    code = ("import lumagraph\ntry:\n    lumagraph.Session().open()\n"
            "except lumagraph.LibraryNotFound as e:\n    print(e)\n")
    env = {k: v for k, v in os.environ.items() if k not in ("LUMAGRAPH_LIBRARY", "LD_LIBRARY_PATH")}
    env["PYTHONPATH"] = str(package.parent)
    out = run([sys.executable, "-c", code], env=env, cwd=str(tmp_path))
    assert "set LUMAGRAPH_LIBRARY" in out
    assert str(package / "liblumainfo.so") + " (beside the package): no such file" in out
    assert os.path.join(sys.prefix, "lib", "liblumainfo.so") + " (the install prefix)" in out
    assert "liblumainfo.so (the system's library search path)" in out
    # An explicit choice is the only place looked at.
    env["LUMAGRAPH_LIBRARY"] = str(tmp_path / "nowhere")
    out = run([sys.executable, "-c", code], env=env, cwd=str(tmp_path))
    assert str(tmp_path / "nowhere") + " ($LUMAGRAPH_LIBRARY): no such file" in out
    assert "beside the package" not in out
