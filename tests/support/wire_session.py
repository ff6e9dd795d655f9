#!/usr/bin/env python3
"""Writes one fixed session of requests as raw frames, for comparing two hosts' bytes.

    tests/support/wire_session.py FOLDER > session.bin
    build/bin/ferolant < session.bin > replies.bin

FOLDER receives the files the session names (written afresh each time, same bytes), so two
hosts run on the same session in the same FOLDER answer with the same bytes when they behave
the same: `cmp` the two replies.bin. The session covers long results handed out in blocks
(and dropped by another request), non-ASCII text raw and escaped, requests of the wrong shape,
tab ids of every kind, file sizes and the code pages.
"""
import json
import pathlib
import struct
import sys


def frame(body: bytes) -> bytes:
    return struct.pack("<I", len(body)) + body


def request(method, *params, tab=1):
    members = {f"param{i}": p for i, p in enumerate(params, 1)}
    text = json.dumps({"metoda": method, "parametry": members, "tabID": tab},
                      ensure_ascii=False, separators=(",", ":"))
    return text.encode("utf-8")


def main():
    folder = pathlib.Path(sys.argv[1]).resolve()
    folder.mkdir(parents=True, exist_ok=True)
    plain = folder / "plain.bin"
    plain.write_bytes(bytes(range(256)) * 3 + "Žluťoučký kůň".encode("utf-8"))
    (folder / "empty.bin").write_bytes(b"")
    named = folder / "soubor č.txt"
    named.write_bytes(b"abc\n")

    bodies = [
        request("NATIVEVERSION"),
        request("ABOUT", tab=2),
        request("INIT", tab=3),
        request("about", tab=7),
        request("GETCFGCODEPAGENUMBER"),
        request("SETCFGCODEPAGENUMBER", "1250"),
        request("GETCFGCODEPAGENUMBER"),
        request("SETCFGCODEPAGENUMBER", "0"),
        request("SIGNDETACHED", "Žluťoučký kůň úpěl ďábelské ódy 😀", "0", tab=11),
        request("GETLASTCERTSENDERSIGNATURESN"),
        # 900000 ASCII units: two blocks, then one GETNEXTBLOCK too many.
        request("SIGNDETACHED", "", "10900000", tab=12),
        request("GETNEXTBLOCK", tab=12),
        request("getNextBlock", tab=12),
        # A million non-ASCII units, dropped by another request after two blocks.
        request("SIGNDETACHED", "", "21000000", tab=13),
        request("GETNEXTBLOCK", tab=13),
        request("ABOUT", tab=14),
        request("GETNEXTBLOCK", tab=14),
        request("GETFILESIZE", str(plain)),
        request("GETFILESIZE", "  " + str(named) + "\t"),
        request("GETFILESIZE", str(folder / "missing")),
        request("GETFILESIZE"),
        request("ENCODEFILE", str(plain)),
        request("ENCODEFILE", str(folder / "empty.bin")),
        request("SIGNFILEDETACHED", str(named), "5"),
        request("SETCFGSIGNATUREHASHALGORITHMNUMBER", "2"),
        request("SETCFGSIGNATUREHASHALGORITHMNUMBER", "4"),
        request("SETCFGSIGNATUREHASHALGORITHMNUMBER", "9"),
        request("GETFILENAMEDLG", "Vyberte", "", "*.txt", "/tmp", "0"),
        request("NOSUCHMETHOD", tab=5),
        b"not JSON at all",
        b'{"metoda":"INIT","parametry":[]}',
        b'{"metoda":"SIGNDETACHED","parametry":{"param1":"\\u010d","param2":"0"},"tabID":"12"}',
        b'{"metoda":"SIGNDETACHED","parametry":{"param1":"a","param3":"c"},"tabID":4294967303}',
        b'{"metoda":"SIGNDETACHED","parametry":{"param1":"\xe8\xf8","param2":"1"},"tabID":true}',
        b'{"metoda":"","parametry":{}}',
        request("SETCFGCODEPAGENUMBER", "65535"),
        request("INIT"),
        request("GETCFGCODEPAGENUMBER"),
        request("SETCFGCODEPAGENUMBER", "1252"),
        request("NATIVEVERSION", tab=99),
        # Method names echoed: non-ASCII, bytes that are not UTF-8, one cut to its limit.
        request("NATIVEVERSIÓN", tab=100),
        b'{"metoda":"\xff\xfeX\xc4","parametry":{},"tabID":101}',
        request("M" * 262143 + "/" * 10, tab=102),
        request("\u010d" * 50000, tab=103),
    ]
    sys.stdout.buffer.write(b"".join(frame(b) for b in bodies))


if __name__ == "__main__":
    main()
