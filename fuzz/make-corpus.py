#!/usr/bin/env python3
"""Writes the seed corpus of each fuzz target into fuzz/corpus/<target>/.

The seeds are small, readable cases from which the fuzzer mutates: good
files and their near misses, and HTTP replies cut into chunks. Run it
again after changing a seed; it replaces the files it makes.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def command_lines():
    seeds = {
        "empty": b"",
        "all-three": b"-l -p8000 -hproxy.example",
        "upper-case": b"-H10.0.0.1 -P8080 -L",
        "port-in-next-token": b"-p  8080 -l",
        "negative-port": b"-p-12",
        "wrapping-port": b"-p4294967297",
        "high-byte-ends-host": b"-hpro\x82\xa0xy -l",
        "empty-host": b"-h -l",
        "long-host": b"-h" + b"x" * 300 + b" -p81",
        "quotes-and-words": b'"C:\\Program Files\\zq.exe" hello -l',
    }
    for name, data in seeds.items():
        write("command_line", name, data)


def identity(name, comment):
    return name.ljust(256, b"\0") + comment.ljust(256, b"\0")


def identities():
    seeds = {
        "empty": b"",
        "name-and-comment": identity(b"Taro", b"hello"),
        "japanese": identity(b"\x83\x5e\x83\x8d", b"\x82\xa0\x82\xa2"),
        "100-without-nul": b"a" * 100,
        "300-bytes": b"a" * 256 + b"b" * 44,
        "no-nul-anywhere": b"n" * 256 + b"c" * 256,
        "longer-than-512": identity(b"Jiro", b"c") + b"z" * 100,
    }
    for name, data in seeds.items():
        write("identity", name, data)


def record_file(values=(1000, 2000, 3000), time=(1998, 11, 2, 3, 14, 5, 9, 250),
                number=42, magic=0x31415926):
    b = bytearray(844)
    struct.pack_into("<I", b, 0, magic)
    for slot, value in enumerate(values):
        at = 8 + 204 * slot
        struct.pack_into("<I", b, at, value)
        for i in range(16):
            b[at + 4 + i] = (0x10 * (slot + 1) + i) & 0xFF
    struct.pack_into("<I", b, 820, number)
    struct.pack_into("<8H", b, 824, *time)
    check_a = 840 * (b[0] >> 3) + 55
    struct.pack_into("<HH", b, 840, check_a, check_a ^ 145)
    return bytes(b)


def record_files():
    good = record_file()
    seeds = {
        "good": good,
        "good-with-identity": good + b"Hanako".ljust(256, b"\0") + b"a comment\0",
        "identity-without-nul": good + b"N" * 256 + b"C" * 256,
        "month-16": record_file(time=(1998, 16, 2, 3, 14, 5, 9, 250)),
        "sum-zero": record_file(values=(0, 0, 0)),
        "sum-wraps-to-zero": record_file(values=(0xFFFFFFFF, 1, 0)),
        "843-bytes": good[:843],
        "magic-swapped": record_file(magic=0x26594131),
        "empty": b"",
    }
    for name, data in seeds.items():
        write("record_file", name, data)


PROXY, LARGE, HOST_NAME, RESET, SHORT_SENDS, PENDS = 1, 2, 4, 8, 16, 32


def chunks(mode, *parts):
    out = bytearray([mode])
    for part in parts:
        if part is None:  # a recv that would block
            out.append(0)
        elif 1 <= len(part) <= 254:
            out.append(len(part))
            out += part
        else:
            out.append(255)
            out += struct.pack("<H", len(part) - 1)
            out += part
    return bytes(out)


def http_replies():
    header = b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n"
    seeds = {
        "direct-marker": chunks(0, b"*zq*00\n"),
        "direct-host-name": chunks(HOST_NAME | LARGE, b"*zq*00\n", b"more"),
        "direct-with-nul": chunks(LARGE, b"*zq*\x0000", b"tail"),
        "direct-1023-then-more": chunks(0, b"a" * 1023, b"b"),
        "direct-1024": chunks(0, b"a" * 1024),
        "direct-reset": chunks(RESET | SHORT_SENDS, b"partial"),
        "direct-would-block": chunks(PENDS, None, b"*zq*00\n", None, b"x"),
        "proxy-header-and-body": chunks(PROXY | LARGE, header, b"*zq*00\n"),
        "proxy-header-split": chunks(PROXY, header[:10], header[10:] + b"body"),
        "proxy-http-1-0": chunks(PROXY, b"HTTP/1.0 200 OK\r\n\r\nbody"),
        "proxy-404": chunks(PROXY | LARGE, b"HTTP/1.1 404 Not Found\r\n\r\nnope"),
        "proxy-bare-line-feeds": chunks(PROXY, b"HTTP/1.1 200 OK\n\nbody"),
        "proxy-ends-with-blank-line": chunks(PROXY, header),
        "proxy-long-body": chunks(PROXY | LARGE, header, b"x" * 9000, b"y" * 4000),
        "proxy-nul-in-header": chunks(PROXY, b"HTTP/1.1 200\0OK\r\n\r\nbody"),
    }
    for name, data in seeds.items():
        write("http_reply", name, data)


if __name__ == "__main__":
    command_lines()
    identities()
    record_files()
    http_replies()
