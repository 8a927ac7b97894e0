#!/usr/bin/env python3
"""Stand-in of the image server for the tests, on 127.0.0.1.

    image_server.py --record DIR [--port N]

Prints "PORT <n>" on stdout once it listens (port 0, the default, takes a free one), then serves until
it is killed.

Every request but those under /_control/ is kept in DIR/<nnnn>/ (numbered from 0001 in arrival order),
written before the request is answered:
  request.txt  one line per item, fields separated by TAB, every byte below 0x21 but space, 0x7F and up,
               and "%" written as %XX:
                 method M / path P / query Q / header NAME VALUE / cookie NAME VALUE / body SIZE
                 multipart ok | multipart error MESSAGE          (a multipart body, parsed by Werkzeug)
                 field NAME FILE / file NAME FILENAME CONTENT-TYPE FILE   (each part, FILE holds its bytes)
                 pair NAME VALUE                                  (a body of name=value&... pairs, split as it
                                                                   is sent: no decoding)
  body         the body as it was received (unless turned off with /_control/record)
  partN        the bytes of part N (from 1)

Paths of steps and files are matched against the request's path read as CP932, its escapes decoded.
The server answers each request with the next step scripted for its path; with none, it serves the file
registered at that path; with none either, it answers a POST with SENDOK (the request's CGI_ID echoed) and
anything else with 404.

Control (JSON bodies in UTF-8):
  POST /_control/reset                       forget steps, files, the requests kept and their count
  POST /_control/step    {"path": ..., "kind": ..., ...}   queue one step for a path
  POST /_control/file?path=P[&content_type=T][&disposition=D][&status=S]   body: the file's bytes
  POST /_control/record  {"body": false}     do not keep bodies (for large uploads)
  GET  /_control/count                       the number of requests kept so far

Steps (kind and its keys; every page-like step also takes "status", "charset" (euc-jp, shift_jis, utf-8;
default euc-jp), "charset_in" (header, meta, both, none; default header), "content_type",
"set_cookie" (a Set-Cookie value or a list of them) and "headers" (a name-to-value object)):
  sendok    cgi_id (default: the request's CGI_ID)     a reply page beginning SENDOK
  sendng    cgi_id, err_msg, btn_id, btn_nm (each hidden input only when given)
  page      html (text, encoded in the charset) or body_b64 (bytes as they are); the error markers are
            pages such as {"kind": "page", "html": "CER02002"}
  status    status, html (optional)                  an HTTP error such as 404
  redirect  status (default 302), location
  attachment filename, data_b64, content_type (default application/octet-stream)
  drop                                               the connection closed without an answer
  hang      seconds (default: for ever)              no answer at all
  stall     data_b64, stall_after (bytes)            the start of a reply, then nothing more
  trickle   data_b64, every (seconds)                the reply a byte at a time, each after a pause
"""

import argparse
import base64
import html
import json
import logging
import os
import shutil
import socket
import sys
import threading
from collections import defaultdict, deque
from urllib.parse import unquote_to_bytes

from flask import Flask, Response, request
from werkzeug.http import parse_options_header
from werkzeug.sansio.multipart import Data, Epilogue, Field, File, MultipartDecoder, NeedData
from werkzeug.serving import make_server

app = Flask(__name__)
lock = threading.Lock()
state = {
    "record_dir": ".",
    "count": 0,
    "keep_body": True,
    "steps": defaultdict(deque),
    "files": {},
}
stopping = threading.Event()

CHARSETS = {"euc-jp": ("euc_jp", "EUC-JP"), "shift_jis": ("cp932", "Shift_JIS"), "utf-8": ("utf-8", "UTF-8")}


class ByteHeaderDecoder(MultipartDecoder):
    """Werkzeug's multipart decoder, reading part headers byte for byte.

    The client writes its part headers (field names, file paths) in EUC-JP; Werkzeug reads them as UTF-8.
    Each byte is handed on as the character of the same number, so names come back with encode("latin-1").
    """

    def _parse_headers(self, data):
        return super()._parse_headers(bytes(data).decode("latin-1").encode("utf-8"))


def escape(value):
    if isinstance(value, str):
        value = value.encode("latin-1", "replace")
    out = []
    for b in value:
        if b == 0x25 or b < 0x20 or b >= 0x7F:
            out.append("%%%02X" % b)
        else:
            out.append(chr(b))
    return "".join(out)


def line(*items):
    return "\t".join(escape(i) if not isinstance(i, int) else str(i) for i in items) + "\n"


def raw_header_bytes(value):
    # WSGI hands header values over as Latin-1 strings.
    return value.encode("latin-1", "replace")


def request_path():
    """The request's path as bytes, its escapes decoded (the client's URLs are CP932)."""
    target = request.environ.get("RAW_URI") or request.environ.get("REQUEST_URI") or request.path
    target = target.split("?", 1)[0]
    if "://" in target:
        target = "/" + target.split("://", 1)[1].partition("/")[2]
    return unquote_to_bytes(target)


def record_request(folder, body_stream):
    """Reads the request body (streaming), parses it and writes the record; gives the form fields."""
    os.makedirs(folder)
    lines = [line("method", request.method), line("path", request_path()),
             line("query", request.query_string)]
    for name, value in request.headers.items():
        lines.append(line("header", name, raw_header_bytes(value)))
    for name, value in request.cookies.items():
        lines.append(line("cookie", name, value.encode("utf-8")))
    fields = {}
    ctype, options = parse_options_header(request.headers.get("Content-Type", ""))
    decoder = None
    if ctype == "multipart/form-data" and options.get("boundary"):
        decoder = ByteHeaderDecoder(options["boundary"].encode("latin-1"))
    body_file = open(os.path.join(folder, "body"), "wb") if state["keep_body"] else None
    size = 0
    small = bytearray()  # a non-multipart body, for its pairs
    parts = []
    current = None
    error = None

    def drain():
        nonlocal current
        while True:
            event = decoder.next_event()
            if isinstance(event, NeedData) or isinstance(event, Epilogue):
                return isinstance(event, Epilogue)
            if isinstance(event, (Field, File)):
                index = len(parts) + 1
                part = {"index": index, "name": event.name.encode("latin-1"), "event": event,
                        "file": open(os.path.join(folder, "part%d" % index), "wb")}
                parts.append(part)
                current = part
            elif isinstance(event, Data):
                current["file"].write(event.data)

    try:
        while True:
            chunk = body_stream.read(65536)
            if not chunk:
                break
            size += len(chunk)
            if body_file:
                body_file.write(chunk)
            if decoder is not None and error is None:
                try:
                    decoder.receive_data(chunk)
                    drain()
                except ValueError as e:
                    error = str(e)
            elif decoder is None and len(small) < (1 << 20):
                small.extend(chunk)
        if decoder is not None and error is None:
            try:
                decoder.receive_data(None)
                drain()
                if decoder.state.name != "COMPLETE":
                    error = "body ends before the closing delimiter"
            except ValueError as e:
                error = str(e)
    finally:
        if body_file:
            body_file.close()
        for part in parts:
            part["file"].close()
    lines.append(line("body", size))
    if decoder is not None:
        lines.append(line("multipart", "ok") if error is None else line("multipart", "error", error))
        for part in parts:
            event = part["event"]
            data_name = "part%d" % part["index"]
            if isinstance(event, File):
                lines.append(line("file", part["name"], event.filename.encode("latin-1"),
                                  event.headers.get("Content-Type", "").encode("latin-1"), data_name))
            else:
                lines.append(line("field", part["name"], data_name))
                with open(os.path.join(folder, data_name), "rb") as f:
                    fields[part["name"]] = f.read()
    elif small:
        for pair in bytes(small).split(b"&"):
            name, _, value = pair.partition(b"=")
            lines.append(line("pair", name, value))
            fields.setdefault(name, value)
    tmp = os.path.join(folder, "request.txt.tmp")
    with open(tmp, "w", encoding="ascii") as f:
        f.writelines(lines)
    os.rename(tmp, os.path.join(folder, "request.txt"))
    return fields


def encode_page(text, step):
    codec, label = CHARSETS.get(step.get("charset", "euc-jp"), CHARSETS["euc-jp"])
    where = step.get("charset_in", "header")
    head = ""
    if where in ("meta", "both"):
        head = '<head><meta http-equiv="Content-Type" content="text/html; charset=%s"></head>' % label
    page = "<html>%s<body>%s</body></html>" % (head, text)
    ctype = step.get("content_type", "text/html")
    if where in ("header", "both"):
        ctype += "; charset=" + label
    return page.encode(codec, "xmlcharrefreplace"), ctype


def hidden(name, value):
    if value is None:
        return ""
    return '<input type="hidden" name="%s" value="%s">' % (name, html.escape(str(value), quote=True))


def finish(response, step):
    cookies = step.get("set_cookie", [])
    if isinstance(cookies, str):
        cookies = [cookies]
    for c in cookies:
        response.headers.add("Set-Cookie", c)
    for name, value in step.get("headers", {}).items():
        response.headers[name] = value
    return response


def hold(seconds):
    stopping.wait(seconds)


def answer(step, fields):
    kind = step.get("kind", "sendok")
    status = int(step.get("status", 200))
    if kind == "sendok":
        cgi = step.get("cgi_id", fields.get(b"CGI_ID", b"").decode("latin-1"))
        body, ctype = encode_page("SENDOK" + hidden("CGI_ID", cgi), step)
        return finish(Response(body, status=status, content_type=ctype), step)
    if kind == "sendng":
        text = "SENDNG" + "".join(hidden(name, step.get(key)) for name, key in (
            ("CGI_ID", "cgi_id"), ("ERR_MSG", "err_msg"), ("BTN_ID", "btn_id"), ("BTN_NM", "btn_nm")))
        body, ctype = encode_page(text, step)
        return finish(Response(body, status=status, content_type=ctype), step)
    if kind in ("page", "status"):
        if kind == "status" and "status" not in step:
            status = 404
        if "body_b64" in step:
            body = base64.b64decode(step["body_b64"])
            ctype = step.get("content_type", "text/html")
        else:
            body, ctype = encode_page(step.get("html", ""), step)
        return finish(Response(body, status=status, content_type=ctype), step)
    if kind == "redirect":
        response = Response(b"", status=int(step.get("status", 302)))
        response.headers["Location"] = step["location"]
        return finish(response, step)
    if kind == "attachment":
        response = Response(base64.b64decode(step.get("data_b64", "")), status=status,
                            content_type=step.get("content_type", "application/octet-stream"))
        response.headers["Content-Disposition"] = step.get(
            "disposition", 'attachment; filename="%s"' % step.get("filename", "file"))
        return finish(response, step)
    if kind == "drop":
        sock = request.environ.get("werkzeug.socket")
        if sock is not None:
            sock.shutdown(socket.SHUT_RDWR)
        return Response(b"", status=200)
    if kind == "hang":
        hold(step.get("seconds"))
        return Response(b"", status=204)
    if kind == "stall":
        data = base64.b64decode(step.get("data_b64", ""))
        cut = int(step.get("stall_after", 0))

        def stream():
            yield data[:cut]
            hold(step.get("seconds"))

        response = Response(stream(), status=status, content_type=step.get("content_type",
                                                                             "application/octet-stream"))
        response.headers["Content-Length"] = str(len(data))
        return finish(response, step)
    if kind == "trickle":
        data = base64.b64decode(step.get("data_b64", ""))
        pause = float(step.get("every", 1))

        def stream():
            for i in range(len(data)):
                hold(pause)
                yield data[i:i + 1]

        response = Response(stream(), status=status, content_type=step.get("content_type",
                                                                             "application/octet-stream"))
        response.headers["Content-Length"] = str(len(data))
        return finish(response, step)
    return Response(b"unknown step kind", status=500)


@app.route("/_control/<command>", methods=["GET", "POST"])
def control(command):
    with lock:
        if command == "reset":
            # The records of the requests go too, so that numbering starts again at 0001.
            for name in os.listdir(state["record_dir"]):
                if len(name) == 4 and name.isdigit():
                    shutil.rmtree(os.path.join(state["record_dir"], name), ignore_errors=True)
            state["count"] = 0
            state["steps"].clear()
            state["files"].clear()
            state["keep_body"] = True
            return "ok"
        if command == "step":
            step = json.loads(request.get_data().decode("utf-8"))
            state["steps"][step.pop("path", "/")].append(step)
            return "ok"
        if command == "file":
            state["files"][request.args["path"]] = {
                "data": request.get_data(),
                "content_type": request.args.get("content_type", "application/octet-stream"),
                "disposition": request.args.get("disposition"),
                "status": int(request.args.get("status", 200)),
            }
            return "ok"
        if command == "record":
            state["keep_body"] = bool(json.loads(request.get_data().decode("utf-8")).get("body", True))
            return "ok"
        if command == "count":
            return str(state["count"])
    return Response("unknown control", status=404)


@app.route("/", defaults={"path": ""}, methods=["GET", "POST", "PUT", "HEAD", "DELETE"])
@app.route("/<path:path>", methods=["GET", "POST", "PUT", "HEAD", "DELETE"])
def serve(path):
    with lock:
        state["count"] += 1
        folder = os.path.join(state["record_dir"], "%04d" % state["count"])
        key = request_path().decode("cp932", "replace")
        queue = state["steps"].get(key)
        step = queue.popleft() if queue else None
        registered = state["files"].get(key)
    fields = record_request(folder, request.stream)
    if step is not None:
        return answer(step, fields)
    if registered is not None:
        response = Response(registered["data"], status=registered["status"],
                            content_type=registered["content_type"])
        if registered["disposition"]:
            response.headers["Content-Disposition"] = registered["disposition"]
        return response
    if request.method == "POST":
        return answer({"kind": "sendok"}, fields)
    return Response(b"<html><body>not found</body></html>", status=404, content_type="text/html")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--record", required=True)
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    os.makedirs(args.record, exist_ok=True)
    state["record_dir"] = args.record
    logging.getLogger("werkzeug").setLevel(logging.ERROR)
    server = make_server("127.0.0.1", args.port, app, threaded=True)
    print("PORT %d" % server.server_port, flush=True)
    try:
        server.serve_forever()
    finally:
        stopping.set()


if __name__ == "__main__":
    sys.exit(main())
