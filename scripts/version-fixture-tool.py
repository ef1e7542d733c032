#!/usr/bin/env python3
"""Helpers for the version-reader fixtures (called by make-version-fixtures.sh).

  ne DESCRIPTION.json OUT     writes a minimal 16-bit NE image holding the version resource
                              that the JSON description gives (see tests/data/version/ne_*.json)
  corrupt IN OUT OP...        writes a damaged copy of IN; each OP is one of
                                cut=N               keep the first N bytes (N < 0: drop -N bytes)
                                cutat=TEXT+D        keep the bytes before the UTF-16 TEXT, plus D
                                put16=TEXT-D:V      write the 16-bit V at D bytes before UTF-16 TEXT
                                put32=OFFSET:V      write the 32-bit V at OFFSET
                                fixedsig=V          replace the fixed-record signature by V
  mutate IN OUTDIR COUNT SEED writes COUNT copies of IN with a few bytes changed each
"""
import json
import random
import struct
import sys


def num(value):
    return int(value, 0) if isinstance(value, str) else int(value)


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def block16(node):
    """A block of the 16-bit form: wLength, wValueLength, ANSI key, value, children."""
    key = node["key"].encode("cp1252") + b"\0"
    if "text" in node:
        value = node["text"].encode("cp1252") + b"\0"
    elif "words" in node:
        value = b"".join(struct.pack("<H", num(w)) for w in node["words"])
    elif "fixed" in node:
        f = node["fixed"]
        fv = [num(x) for x in f["file"]]
        pv = [num(x) for x in f["product"]]
        value = struct.pack(
            "<13I",
            num(f.get("signature", "0xFEEF04BD")),
            num(f.get("struct", "0x00010000")),
            (fv[0] << 16) | fv[1], (fv[2] << 16) | fv[3],
            (pv[0] << 16) | pv[1], (pv[2] << 16) | pv[3],
            num(f["flagsMask"]), num(f["flags"]), num(f["os"]),
            num(f["type"]), num(f["subtype"]), 0, 0)
    else:
        value = b""
    body = pad4(b"\0\0\0\0" + key) + value
    children = node.get("children", [])
    if children:
        body = pad4(body)
    for i, child in enumerate(children):
        data = block16(child)
        body += pad4(data) if i + 1 < len(children) else data
    return struct.pack("<HH", len(body), len(value)) + body[4:]


def make_ne(description, out):
    desc = json.load(open(description, encoding="utf-8"))
    shift = num(desc.get("alignShift", 4))
    unit = 1 << shift
    resources = []  # (type, id, data)
    for other in desc.get("otherResources", []):
        resources.append((num(other["type"]), num(other["id"]), bytes(num(other["size"]))))
    if "version" in desc:
        resources.append((0x8010, num(desc.get("versionId", "0x8001")), block16(desc["version"])))

    ne_offset = 0x40
    table_offset = 0x40  # relative to the NE header; no segments
    types = []
    for rtype, rid, data in resources:
        if types and types[-1][0] == rtype:
            types[-1][1].append((rid, data))
        else:
            types.append((rtype, [(rid, data)]))
    table_length = 2 + sum(8 + 12 * len(items) for _, items in types) + 2 + 1
    names_offset = table_offset + table_length
    resident = bytes([7]) + b"FIXTURE" + b"\0\0" + b"\0"
    tail_offset = names_offset + len(resident)
    headers_end = ne_offset + tail_offset + 1
    data_start = (headers_end + unit - 1) // unit * unit

    table = struct.pack("<H", shift)
    payload = b""
    exact_end = 0
    for rtype, items in types:
        table += struct.pack("<HHI", rtype, len(items), 0)
        for rid, data in items:
            offset = data_start + len(payload)
            units = (len(data) + unit - 1) // unit
            table += struct.pack("<HHHHHH", offset >> shift, units, 0x0030, rid, 0, 0)
            exact_end = data_start + len(payload) + len(data)
            payload += data + b"\0" * (units * unit - len(data))
    table += b"\0\0" + b"\0"
    assert len(table) == table_length

    header = bytearray(64)
    header[0:2] = b"NE"
    header[2] = 5
    header[3] = 10
    struct.pack_into("<HH", header, 0x04, tail_offset, 1)
    struct.pack_into("<H", header, 0x0C, 0x8302)
    struct.pack_into("<H", header, 0x1C, 0)
    struct.pack_into("<HHHHH", header, 0x22, table_offset, table_offset, names_offset,
                     tail_offset, tail_offset)
    struct.pack_into("<I", header, 0x2C, 0)
    struct.pack_into("<H", header, 0x32, shift)
    header[0x36] = 2  # Windows
    struct.pack_into("<H", header, 0x3E, 0x030A)

    dos = bytearray(64)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3C, ne_offset)
    image = bytes(dos) + bytes(header) + table + resident + b"\0"
    image += b"\0" * (data_start - len(image)) + payload
    if desc.get("dropTrailingPadding"):
        image = image[:exact_end]
    open(out, "wb").write(image)


def utf16_offset(data, text):
    offset = data.find(text.encode("utf-16-le"))
    if offset < 0:
        sys.exit(f"{text!r} not found")
    return offset


def corrupt(source, out, ops):
    data = bytearray(open(source, "rb").read())
    for op in ops:
        name, arg = op.split("=", 1)
        if name == "cut":
            n = int(arg, 0)
            data = data[:n] if n >= 0 else data[:len(data) + n]
        elif name == "cutat":
            text, delta = arg.rsplit("+", 1)
            data = data[:utf16_offset(data, text) + int(delta, 0)]
        elif name == "put16":
            where, value = arg.rsplit(":", 1)
            text, delta = where.rsplit("-", 1)
            struct.pack_into("<H", data, utf16_offset(data, text) - int(delta, 0), int(value, 0))
        elif name == "put32":
            offset, value = arg.split(":")
            struct.pack_into("<I", data, int(offset, 0), int(value, 0))
        elif name == "fixedsig":
            offset = data.find(struct.pack("<I", 0xFEEF04BD))
            if offset < 0:
                sys.exit("no fixed record")
            struct.pack_into("<I", data, offset, int(arg, 0))
        else:
            sys.exit(f"unknown operation {op}")
    open(out, "wb").write(data)


def mutate(source, outdir, count, seed):
    data = open(source, "rb").read()
    rng = random.Random(seed)
    base = source.rsplit("/", 1)[-1].rsplit(".", 1)[0]
    for i in range(count):
        copy = bytearray(data)
        for _ in range(rng.randint(1, 8)):
            copy[rng.randrange(len(copy))] = rng.randrange(256)
        open(f"{outdir}/{base}_mut{i:02d}.bin", "wb").write(copy)


def main():
    if len(sys.argv) >= 4 and sys.argv[1] == "ne":
        make_ne(sys.argv[2], sys.argv[3])
    elif len(sys.argv) >= 5 and sys.argv[1] == "corrupt":
        corrupt(sys.argv[2], sys.argv[3], sys.argv[4:])
    elif len(sys.argv) == 6 and sys.argv[1] == "mutate":
        mutate(sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5]))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
