#!/usr/bin/env python3
"""A short photo registration, scripted through vekpage against the image-server stand-in.

    run.py VEKPAGE IMAGE_SERVER_PY OUT_DIR

The stand-in (tests/servers/image_server.py) starts on a free port of 127.0.0.1 and holds two registered
photographs of the estimate. The page (page.html) embeds the photo control; the script (script.txt) drops two
new photographs on its form, turns one in the image dialog, shrinks them with the batch resize, attaches a
document, removes a registered photograph, writes a comment and registers. What the page hears is printed, one
JSON line an event or message box; OUT_DIR/shots/ gets pictures of the form and of the upload dialog. Exit 0
when the registration ended with status 4.
"""
import json
import os
import shutil
import subprocess
import sys
import time
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
CLSID = "9850172F-5180-4D4F-BFB6-3CB39E817481"


def write_photo(path, width, height, seed):
    """A photograph-like JPEG: sky, ground and a sun, made as PPM and coded by cjpeg."""
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            if (x - width * (2 + seed) // 8) ** 2 + (y - height * 2 // 5) ** 2 < (min(width, height) // 6) ** 2:
                row += bytes((230, 120 + 30 * seed, 60))
            elif y > height * 3 // 5:
                row += bytes((80 + 20 * seed, 130 + y * 60 // height, 60))
            else:
                row += bytes((110 + y * 80 // height, 160 + y * 50 // height, 235 - 20 * seed))
        rows.append(bytes(row))
    ppm = b"P6 %d %d 255\n" % (width, height) + b"".join(rows)
    with open(path, "wb") as out:
        subprocess.run(["cjpeg", "-quality", "85"], input=ppm, stdout=out, check=True)


def control(port, command, body, query=""):
    request = urllib.request.Request("http://127.0.0.1:%d/_control/%s%s" % (port, command, query), data=body,
                                     method="POST")
    urllib.request.urlopen(request).read()


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    vekpage, server_script, out = (os.path.abspath(a) for a in sys.argv[1:])
    shutil.rmtree(out, ignore_errors=True)
    for sub in ("home", "photos", "drop", "docs", "shots", "server"):
        os.makedirs(os.path.join(out, sub))
    write_photo(os.path.join(out, "registered_a.jpg"), 640, 480, 0)
    write_photo(os.path.join(out, "registered_b.jpg"), 480, 640, 1)
    write_photo(os.path.join(out, "drop", "front.jpg"), 1600, 1200, 2)
    write_photo(os.path.join(out, "drop", "side.jpg"), 400, 300, 3)
    for n in range(1, 9):
        write_photo(os.path.join(out, "photos", "IMG_%04d.jpg" % (1200 + n)), 400, 300, n % 4)
    with open(os.path.join(out, "docs", "見積書.pdf"), "wb") as f:
        f.write(b"%PDF-1.4 estimate document\n")

    server = subprocess.Popen([sys.executable, server_script, "--record", os.path.join(out, "server")],
                              stdout=subprocess.PIPE, text=True)
    try:
        line = server.stdout.readline().split()
        if len(line) != 2 or line[0] != "PORT":
            print("the image-server stand-in did not start", file=sys.stderr)
            return 1
        port = int(line[1])
        base = "http://127.0.0.1:%d" % port
        for name in ("registered_a.jpg", "registered_b.jpg"):
            with open(os.path.join(out, name), "rb") as f:
                control(port, "file", f.read(), "?path=/img/%s&content_type=image/jpeg" % name)
        for cgi in ("CGI-STEP1", "CGI-STEP2"):
            control(port, "step", json.dumps({"path": "/regist", "kind": "sendok", "cgi_id": cgi}).encode())

        params = {
            "FuncID": "0", "ImageFolder": os.path.join(out, "photos"), "ServerURL": base + "/regist",
            "ImageServerURL": base + "/img/", "MaxByte": "20480", "MaxViewFileNum": "100", "GRP_CD": "G001",
            "MAP_ID": "M001", "BTN_ID": "B001", "SES_ID": "S001", "CGI_ID": "C001", "DBComment": "",
            "DBImageFileNM1": "registered_a.jpg", "DBImageFilePrtNM1": "front_2024.jpg",
            "DBImageFileTime1": "20240501093000", "DBImageEntryTime1": "20240502100000",
            "DBImageFileSize1": str(os.path.getsize(os.path.join(out, "registered_a.jpg"))),
            "DBImageFileNM2": "registered_b.jpg", "DBImageFilePrtNM2": "rear_2024.jpg",
            "DBImageFileTime2": "20240501093500", "DBImageEntryTime2": "20240502100000",
            "DBImageFileSize2": str(os.path.getsize(os.path.join(out, "registered_b.jpg"))),
        }
        with open(os.path.join(HERE, "page.html"), encoding="utf-8") as f:
            page = f.read().replace("@CLSID@", CLSID).replace("@PARAMS@", "\n".join(
                '  <param name="%s" value="%s">' % item for item in params.items()))
        with open(os.path.join(out, "page.html"), "w", encoding="utf-8") as f:
            f.write(page)
        with open(os.path.join(HERE, "script.txt"), encoding="utf-8") as f:
            script = f.read().replace("@OUT@", out).replace("@TAB@", "\t")
        with open(os.path.join(out, "script.txt"), "w", encoding="utf-8") as f:
            f.write(script)

        env = dict(os.environ, HOME=os.path.join(out, "home"), VEK_REGISTRY=os.path.join(out, "registry.ini"))
        run = subprocess.run([vekpage, "page.html", "--script", "script.txt", "--shots", "shots"], cwd=out, env=env,
                             stdout=subprocess.PIPE, text=True, timeout=120)
        sys.stdout.write(run.stdout)
        posts = 0
        for d in os.listdir(os.path.join(out, "server")):
            with open(os.path.join(out, "server", d, "request.txt"), encoding="utf-8", errors="replace") as f:
                posts += f.readline().rstrip("\n").split("\t")[:2] == ["method", "POST"]
        done = '"event":"OnStatusChanged","args":[4,"CGI-STEP2"]' in run.stdout
        print("vekpage exited with %d; the image server received %d registration requests; pictures in %s" %
              (run.returncode, posts, os.path.join(out, "shots")))
        return 0 if run.returncode == 0 and done else 1
    finally:
        server.kill()
        server.wait()


if __name__ == "__main__":
    sys.exit(main())
