"""Prints what a Windows shortcut (.lnk) runs, one field a line: the target's path, the
arguments and the working folder (empty when the shortcut has none)."""

import struct
import sys

HAS_ID_LIST, HAS_LINK_INFO, IS_UNICODE = 0x01, 0x02, 0x80
# The strings that may follow the link info, in their order, each present when its flag is set.
STRINGS = (("name", 0x04), ("relative_path", 0x08), ("working_dir", 0x10), ("arguments", 0x20),
           ("icon", 0x40))


def read(link):
    if len(link) < 0x4C or struct.unpack_from("<I", link, 0)[0] != 0x4C:
        raise ValueError("not a shortcut")
    flags = struct.unpack_from("<I", link, 0x14)[0]
    at = 0x4C
    if flags & HAS_ID_LIST:
        at += 2 + struct.unpack_from("<H", link, at)[0]
    target = ""
    if flags & HAS_LINK_INFO:
        size, header, info_flags, _, base, _ = struct.unpack_from("<6I", link, at)
        if info_flags & 0x1:  # the target is on a local volume: its path, in the ANSI code page
            end = link.index(b"\0", at + base)
            target = link[at + base:end].decode("ascii")
            if header >= 0x24:  # and in UTF-16 as well
                wide = struct.unpack_from("<I", link, at + 0x1C)[0]
                end = at + wide
                while link[end:end + 2] != b"\0\0":
                    end += 2
                target = link[at + wide:end].decode("utf-16-le")
        at += size
    fields = {}
    for name, flag in STRINGS:
        if flags & flag:
            count = struct.unpack_from("<H", link, at)[0]
            width = 2 if flags & IS_UNICODE else 1
            text = link[at + 2:at + 2 + count * width]
            # Some writers count a terminating NUL in the length.
            fields[name] = text.decode("utf-16-le" if width == 2 else "ascii").rstrip("\0")
            at += 2 + count * width
    return target, fields.get("arguments", ""), fields.get("working_dir", "")


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as file:
        print("\n".join(read(file.read())))
