#!/usr/bin/env python3
"""Writes one resource of a Windows PE image (a program, library or driver)
to standard output, found by type name and numeric id, so a check can
compare what a program carries with the file it should be.
Usage: tools/pe-resource.py <image> <TYPE> <id>   (exit 1: no such resource)"""
import struct
import sys


def resource(data, type_name, res_id):
    if data[:2] != b"MZ":
        raise ValueError("not a PE image")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = optional + optional_size
    ranges = []
    for i in range(sections):
        size, rva, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        ranges.append((rva, max(size, raw_size), raw))

    def offset(rva):
        for start, size, raw in ranges:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("address 0x%x is in no section" % rva)

    base = offset(rsrc_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", data, at)[0]
                name = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield name, target

    def find(directory, key):
        for name, target in entries(directory):
            if name == key and target & 0x80000000:
                return target & 0x7FFFFFFF
        return None

    types = find(0, type_name)
    ids = find(types, res_id) if types is not None else None
    if ids is None:
        return None
    for _, target in entries(ids):  # the first language
        rva, size = struct.unpack_from("<II", data, base + target)
        return data[offset(rva):offset(rva) + size]
    return None


def main():
    if len(sys.argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    try:
        found = resource(data, sys.argv[2], int(sys.argv[3], 0))
    except (ValueError, struct.error) as e:
        sys.stderr.write("%s: %s\n" % (sys.argv[1], e))
        return 1
    if found is None:
        sys.stderr.write("%s has no resource %s %s\n" % (sys.argv[1], sys.argv[2], sys.argv[3]))
        return 1
    sys.stdout.buffer.write(found)
    return 0


if __name__ == "__main__":
    sys.exit(main())
