#!/usr/bin/env python3
"""Sets what widl cannot express on a dispinterface: its version and its flags; and blanks the
time widl writes into the library ("Created by WIDL version 7.0 at <date>"), so that one source
gives one library whenever it is built.

usage: fix_typelib.py IN.tlb OUT.tlb GUID MAJOR.MINOR FLAGS_TO_ADD
The typelib is the MSFT format; the type info is found by its GUID.
"""
import re
import struct
import sys
import uuid


def blank_build_time(data):
    # Same length, so every offset in the library stays as it is.
    return re.sub(rb"(Created by WIDL version [0-9.]+) at [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d "
                  rb"\d\d:\d\d:\d\d \d{4}",
                  lambda m: m.group(1) + b" " * (len(m.group(0)) - len(m.group(1))), data)


def main():
    src, dst, guid_text, version, add_flags = sys.argv[1:6]
    data = bytearray(open(src, "rb").read())
    magic, _, _, _, _, varflags, _, _, ntypes = struct.unpack_from("<9i", data, 0)
    if magic != 0x5446534D:
        sys.exit(f"{src}: not an MSFT type library")
    pos = 0x54 + (4 if varflags & 0x100 else 0) + 4 * ntypes
    segments = [struct.unpack_from("<4i", data, pos + 16 * i) for i in range(15)]
    typeinfo_offset, typeinfo_length = segments[0][:2]
    guid_offset = segments[5][0]
    wanted = uuid.UUID(guid_text).bytes_le
    major, minor = (int(x) for x in version.split("."))
    for index in range(typeinfo_length // 0x64):
        base = typeinfo_offset + index * 0x64
        posguid = struct.unpack_from("<i", data, base + 44)[0]
        if posguid < 0 or bytes(data[guid_offset + posguid:guid_offset + posguid + 16]) != wanted:
            continue
        flags = struct.unpack_from("<i", data, base + 48)[0] | int(add_flags, 0)
        struct.pack_into("<i", data, base + 48, flags)
        struct.pack_into("<i", data, base + 56, major | (minor << 16))
        open(dst, "wb").write(blank_build_time(bytes(data)))
        return
    sys.exit(f"{src}: no type info with GUID {guid_text}")


if __name__ == "__main__":
    main()
