#!/usr/bin/env python3
"""Points a linked image's load configuration directory entry at its _load_config_used record.

    load_config.py IMAGE MAP

GNU ld 2.40 writes the record but leaves the entry empty, so Windows would never read it.
The record's address comes from the link map; the entry's size is the record's own Size
field, which the program chose to stop before fields it does not fill.
"""
import re
import struct
import sys

LOAD_CONFIG = 10  # the data directory's index


def main(image_path, map_path):
    found = re.search(r"^\s+0x([0-9a-fA-F]+)\s+_?_load_config_used\s*$",
                      open(map_path, encoding="utf-8", errors="replace").read(), re.M)
    if not found:
        sys.exit("load_config.py: no _load_config_used in " + map_path)
    image = bytearray(open(image_path, "rb").read())
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    pe32 = struct.unpack_from("<H", image, optional)[0] == 0x10B
    base = struct.unpack_from("<I" if pe32 else "<Q", image, optional + (28 if pe32 else 24))[0]
    rva = int(found.group(1), 16) - base
    for i in range(sections):
        header = optional + optional_size + 40 * i
        virtual_size, address, raw_size, raw_at = struct.unpack_from("<IIII", image, header + 8)
        if address <= rva < address + min(virtual_size, raw_size):
            size = struct.unpack_from("<I", image, raw_at + rva - address)[0]
            break
    else:
        sys.exit("load_config.py: the record lies in no section of " + image_path)
    directory = optional + (96 if pe32 else 112) + 8 * LOAD_CONFIG
    struct.pack_into("<II", image, directory, rva, size)
    open(image_path, "wb").write(image)


if __name__ == "__main__":
    main(*sys.argv[1:3])
