#!/usr/bin/env python3
"""The Python package's cost over bare ctypes calls of the same export.

10,000 named register reads through lumagraph (s.registers.read, which also
decodes every field) against the same reads through bare ctypes calls of
opal_read_reg declared by hand, and the same for an MMIO read, in one run on
the simulated machine; prints each side's time per read and the ratio (goal
for the named reads: at most 2x).

    LUMAGRAPH_LIBRARY=build/bin python3 bench/python_package_bench.py
"""
import ctypes
import os
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "python"))
import lumagraph  # noqa: E402
from lumagraph import _core  # noqa: E402

READS = 10000
ROUNDS = 7


def best_of(read):
    """The median time per read of ROUNDS rounds of READS reads."""
    times = []
    for _ in range(ROUNDS):
        start = time.perf_counter()
        for _ in range(READS):
            read()
        times.append((time.perf_counter() - start) / READS)
    return statistics.median(times)


def bare_library():
    """lumainfo loaded a second time as a harness would by hand: its own handle, its own declarations."""
    lib = ctypes.CDLL(_core.lumainfo().lib._name)
    lib.opal_read_mmio_reg.restype = ctypes.c_uint32
    lib.opal_read_mmio_reg.argtypes = [ctypes.c_uint32, ctypes.c_uint32]
    lib.opal_read_reg.restype = ctypes.c_uint32
    lib.opal_read_reg.argtypes = [ctypes.c_char_p, ctypes.POINTER(ctypes.c_uint32)]
    return lib


def compare(title, package_read, bare_read):
    package, bare = best_of(package_read), best_of(bare_read)
    print("%-46s package %7.2f us/read   bare ctypes %7.2f us/read   ratio %.2fx (goal <= 2x: %s)"
          % (title, package * 1e6, bare * 1e6, package / bare, "met" if package <= 2 * bare else "NOT met"))
    return package / bare


def main():
    print("%d reads per round, median of %d rounds" % (READS, ROUNDS))
    with tempfile.TemporaryDirectory() as state:
        os.environ.setdefault("LUMA_SIM_STATE", state)
        with lumagraph.Session(install_driver=True) as s:
            bare = bare_library()
            value = ctypes.c_uint32()
            name = b"pipe_a_conf"
            fields = len(s.registers.read("pipe_a_conf").fields)

            def bare_read():
                if bare.opal_read_reg(name, ctypes.byref(value)):
                    raise RuntimeError("opal_read_reg failed")
                return value.value

            compare("registers.read('pipe_a_conf') / opal_read_reg",
                    lambda: s.registers.read("pipe_a_conf"), bare_read)
            print("  (the package's read also decodes the register's %d fields by name)" % fields)
            compare("read_mmio(0x70180) / opal_read_mmio_reg",
                    lambda: s.read_mmio(0x70180), lambda: bare.opal_read_mmio_reg(0x70180, 32))


if __name__ == "__main__":
    main()
