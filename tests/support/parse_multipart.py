#!/usr/bin/env python3
"""Parses a multipart/form-data body with Werkzeug's multipart parser (the decoder under its form parser) and
lists what it found, in order, one line each, every value as hex of its raw bytes:

    field <name> <data>
    file <name> <filename> <content type> <data>
    end <epilogue>

Usage: parse_multipart.py BODY_FILE BOUNDARY. Exits 1 with Werkzeug's complaint on stderr when it refuses
the body. Werkzeug reads part headers as UTF-8, so names and filenames are re-encoded as UTF-8 here."""
import sys

from werkzeug.sansio.multipart import Data, Epilogue, Field, File, MultipartDecoder, NeedData


def hexof(text):
    return (text if isinstance(text, bytes) else text.encode("utf-8")).hex() or "-"


def main():
    body_path, boundary = sys.argv[1], sys.argv[2].encode("ascii")
    with open(body_path, "rb") as f:
        body = f.read()
    decoder = MultipartDecoder(boundary)
    decoder.receive_data(body)
    decoder.receive_data(None)
    lines, part, data = [], None, b""
    try:
        while True:
            event = decoder.next_event()
            if isinstance(event, NeedData):
                raise ValueError("body ends before its closing delimiter")
            if isinstance(event, (Field, File)):
                part, data = event, b""
            elif isinstance(event, Data):
                data += event.data
                if not event.more_data:
                    if isinstance(part, File):
                        ctype = part.headers.get("Content-Type", "")
                        lines.append(f"file {hexof(part.name)} {hexof(part.filename)} {hexof(ctype)} {hexof(data)}")
                    else:
                        lines.append(f"field {hexof(part.name)} {hexof(data)}")
            elif isinstance(event, Epilogue):
                lines.append(f"end {hexof(event.data)}")
                break
    except Exception as error:  # Werkzeug's own complaint, for the test's message
        print(f"werkzeug refused the body: {error!r}", file=sys.stderr)
        return 1
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
