#!/usr/bin/env python3
"""Takes the cabinet out of an estimate file with the generator's unscrambling, not the library's.

  vek_tail.py FILE.vek OUT.cab      write the archive (its first 32 bytes unscrambled)

"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))
import make_vek  # noqa: E402


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[0], "rb") as f:
        data = f.read()
    count = struct.unpack("<h", data[329:331])[0]
    tail = data[331 + 93 * max(count, 0):]
    if len(tail) < 32:
        print("archive shorter than 32 bytes", file=sys.stderr)
        return 1
    with open(argv[1], "wb") as f:
        f.write(make_vek.unscramble(tail, 3))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
