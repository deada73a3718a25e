#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets (corpus/<target>/...).

Run again after changing a seed; the files are committed."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def frame(command, package_id, data):
    """An iTalk frame: big-endian header, data padded to even length, word sum."""
    if len(data) % 2:
        data = data + b"\0"
    words = len(data) // 2
    head = b"<*" + struct.pack(">H", words + 9) + b"\0" * 6 + bytes([3, command])
    head += struct.pack(">HHHH", words, 0x020C, 0x0107, package_id) + struct.pack(">H", words)
    total = sum(struct.unpack(">%dH" % words, data)) & 0xFFFF if words else 0
    return head + data + struct.pack(">H", total) + b">"


def frame_marked(command, data):
    """A reply frame whose id is the 7E 7E marker (the request's id, negated)."""
    f = bytearray(frame(command, 0, data))
    f[18:20] = b"\x7e\x7e"
    return bytes(f)


def csp(command, data, xor_all=True):
    p = bytes([command]) + struct.pack(">H", len(data)) + data
    x = 0
    for b in (p if xor_all else data):
        x ^= b
    return p + bytes([x])


def script(op, param, replies):
    out = bytes([op, param])
    for r in replies:
        assert len(r) < 256
        out += bytes([len(r)]) + r
    return out


def write(target, name, content):
    d = os.path.join(here, "corpus", target)
    os.makedirs(d, exist_ok=True)
    mode = "wb" if isinstance(content, bytes) else "w"
    with open(os.path.join(d, name), mode) as f:
        f.write(content)


# iTalk frames as they come off the line.
write("italkframe", "empty", frame(0x31, 0xFFFF, b""))
write("italkframe", "odd-payload", frame(0x21, 0xFF9C, b"\x01\x02\x03"))
write("italkframe", "stray-bytes-first", b"garbage!" + frame(0xF3, 0, csp(5, b"\x00\x17\x01\x5c")))
write("italkframe", "wrapping-sum", frame(0x10, 1, b"\xff\xff\x00\x02"))

# Replies of the device, one script per operation of fuzz_serialreplies.
mem = bytes(range(0x40, 0x40 + 50))
read_reply = lambda n, at=0x1000: frame(0xF3, 0, bytes([0x45]) + struct.pack(">HHB", n + 3, at, n) + mem[:n] + b"\x99")
write("serialreplies", "read-40", script(0, 39, [read_reply(40)]))
write("serialreplies", "read-2-chunks", script(0, 79, [read_reply(50), read_reply(30, 0x1032)]))
write("serialreplies", "write", script(1, 9, [frame(0xF3, 0, b"\x16\x00")]))
write("serialreplies", "sepi", script(2, 12, [frame_marked(0x40, b"\x00\x01\x02\x03")]))
block = struct.pack(">HHH", 0, 3, 3) + struct.pack(">3H", 7, 8, 9) + b"\0" * 94
write("serialreplies", "point-list", script(3, 0, [frame_marked(0x61, block)]))
point = struct.pack(">H", 5) + b"ET1E" + b"\0" * 16 + b"\xff\xff" + b"\x91\x40\x24\x0f" * 2 + b"\0" * 24
write("serialreplies", "point", script(4, 5, [frame_marked(0x63, point)]))
write("serialreplies", "late-point-first", script(4, 5, [frame_marked(0x63, struct.pack(">H", 6) + point[2:]) + frame_marked(0x63, point)]))
position = struct.pack(">H", 9) + bytes(range(6)) + b"\x12\x34" + b"\x91\x40\x24\x0f" * 2 + b"\0" * 12
write("serialreplies", "position", script(5, 9, [frame_marked(0x04, position)]))
version = struct.pack(">HHHHHH", 1, 0, 2, 15, 3, 7) + b"\0" * 12
write("serialreplies", "versions", script(6, 0, [frame_marked(0xB1, version)]))
write("serialreplies", "u8-version", script(7, 0, [frame(0xF3, 0, csp(15, b"U8 SIM 2.15"))]))
write("serialreplies", "write-point", script(8, 5, [frame_marked(0x69, b"\x00\x2a")]))
write("serialreplies", "point-list-create", script(9, 0, [frame_marked(0x6b, b"\x00\x01"), frame(0xF3, 0, b"\x16")]))
write("serialreplies", "delete-point", script(10, 5, [frame_marked(0x67, b"\x80\x00"), frame(0xF3, 0, b"\x16")]))
write("serialreplies", "error-reply", script(6, 0x80, [frame_marked(0xB1, b"\x80\x21")]))
write("serialreplies", "passthrough", script(11, 20, [frame(0xF3, 0, csp(15, b"V" * 20))]))
raw_read = lambda n: bytes([0x45]) + struct.pack(">H", n + 3) + b"\x00\x10" + bytes([n]) + mem[:n] + bytes([_xor(b"\x00\x10" + bytes([n]) + mem[:n])])


def _xor(bs):
    x = 0
    for b in bs:
        x ^= b
    return x


write("serialreplies", "raw-read", script(12, 19, [raw_read(20)]))
write("serialreplies", "raw-write", script(13, 9, [b"\x06\x00\x03\x11\x22\x33\x00"]))
hole = b"\x01\x04\x01\x02\x00\x00\x00\x00" + struct.pack("<HH", 0x6000, 7) + b"\x04\x01\x01\x00\x00"
shot_reply = frame(0xF3, 0, b"\x05\x00\x11\x60\x0e\x0e" + bytes(range(14)) + b"\x00")
hole_reply = frame(0xF3, 0, b"\x05\x00\x14\x66\x41\x11" + hole + b"\x00")  # game 4, hole 2
write("serialreplies", "game-shot", script(14, 19, [hole_reply, shot_reply]))
write("serialreplies", "reset", script(15, 0, [frame(0xF3, 0, csp(7, b""))]))

# Jet conditions and sort terms.
for i, text in enumerate([
        "UserId = 1",
        "[Course_Name] Like 'Oak*' And Not [18Holes] = true",
        "(UserId <> 3 Or Name >= \"O'Brien\") And RoundStartDate < '2024-05-01'",
        "Name Like '?a*' or not (UserId <= -2.5)",
        "Course_General.UserId=7",
        "[RoundStartDate] DESC, [Name] ASC",
        "[RoundStartDate]ASC",
]):
    write("jetfilter", "seed%d" % i, text)

# INI files.
write("inifile", "port-settings", "[Port Settings]\nForcePortNr=-1\nLastGoodPort=3\nOpenDelayMS=100\n"
      "ReadDelayMS=100\nConnectTimeoutMS=500\nPort3=/dev/ttyUSB0\n")
write("inifile", "comments-and-case", "; comment\n# other\n[port settings]\r\nlastgoodport = 0x10\r\n\n[Other]\n=empty key\nx=1=2\n")
write("inifile", "two-sections", "[Port Settings]\nLastGoodPort=1\n[Port Settings]\nLastGoodPort=2\n[]\n[x]]\n")

# First lines of player files.
for i, text in enumerate(["userid=1\r\n", "UserId= 42 \n", "userid=abc\n", "x userid=7", "userid=-2147483648",
                          "USERID=99999999999\n", "userid=4294967303\n", "  userid=7\n", "userid=7a\r\n"]):
    write("playerfile", "seed%d" % i, text)

# Stored values of each kind for the table component: a kind byte (bits 0-1:
# text, blob, integer, real; the rest: the column) and the value's bytes.
for i, (column, kind, value) in enumerate([
        (3, 0, b"abc"), (5, 0, b"2024-05-17 09:30:00"), (2, 2, struct.pack("<q", 70000)),
        (4, 0, b"yes"), (7, 1, b"\x00\x01memo\xff"), (3, 3, struct.pack("<d", float("nan"))),
        (1, 0, b" 12 "), (5, 3, struct.pack("<d", 45000.5))]):
    write("tablevalues", "seed%d" % i, bytes([column << 2 | kind]) + value)


# Device records for the imports: an operation byte, the point data (a
# point-list block and point records, as the device sends them) and device
# memory from the course directory or the game's area on.
def device_point(pid, name, lat, lon):
    raw = name.encode("latin-1").ljust(20, b"\0")
    swapped = b"".join(raw[i + 1:i + 2] + raw[i:i + 1] for i in range(0, 20, 2))

    def long_words(v):
        v &= 0xFFFFFFFF
        return struct.pack(">HH", v & 0xFFFF, v >> 16)
    return (struct.pack(">H", pid) + swapped + b"\xff\xff" + long_words(lat) + long_words(lon)).ljust(56, b"\0")


def point_list(ids):
    return (struct.pack(">HHH", 0, len(ids), 0) + b"".join(struct.pack(">H", i) for i in ids)).ljust(106, b"\0")


def import_input(op, points, memory):
    return bytes([op]) + struct.pack(">H", len(points)) + points + memory


names = ["TEE 1", "PIN", "GREEN", "WATER", "BUNKER"]
points = point_list(list(range(1, 11))) + b"".join(
    device_point(i, names[(i - 1) % 5] if i != 7 else "T\xe9e", 600000000 + 100 * i, 245000000 + 50 * i)
    for i in range(1, 11))
entry = struct.pack("<H", 101) + b"Oak Hill".ljust(11, b"\0") + bytes([9, 36])
for h in range(18):
    entry += struct.pack("<HBB", 300 + 10 * h, 2, 4) + b"\x01\x01\x00\x07" if h < 9 else b"\xff" * 8
directory = entry + b"\xff" * 159 * 2
write("deviceimport", "course", import_input(0, points, directory))
write("deviceimport", "course-latin-name", import_input(0, points, entry[:2] + b"CAF\xc9 GOLF!" + entry[13:]))

header = bytes([36, 40, 1, 2, 0, 0, 0, 0]) + struct.pack("<H", 101) + bytes([24, 5, 17, 9, 30])
header += b"Oak Hill".ljust(11, b"\0") + struct.pack("<H", 1) + bytes([4, 15])
assert len(header) == 30
shots_at = 10065 + 30 + 18 * 17
hole = bytes([4, 2, 1, 1, 0, 0, 0, 0]) + struct.pack("<HH", shots_at, 0) + bytes([2, 0, 1, 0, 0])
holes = hole + b"\xff" * 17 * 17
shots = (bytes([0, 0, 0, 0, 0]) + struct.pack("<H", 100) + b"\0" * 4 + b"\0" + struct.pack("<H", 0)) * 2
write("deviceimport", "game", import_input(1, point_list([]), header + holes + shots))
write("deviceimport", "game-no-date", import_input(1, point_list([]), header[:10] + b"\xff" * 5 + header[15:] + holes))
bag = (struct.pack("<H", 1) + b"Default".ljust(8, b"\0") + b"\0" * 4).ljust(294, b"\0")
memory = directory + bag + b"\xff" * 294 + header
write("deviceimport", "memory-lists", import_input(2, b"", memory))
write("deviceimport", "memory-remove-all", import_input(0xFE, b"", memory))
settings = bytes(range(6)) + bytes([1, 0, 1, 0, 1, 5, 1, 4, 1, 0, 1, 8, 0xFC]) + b"\0" * 84
write("deviceimport", "settings", import_input(3 | 5 << 2, b"", settings))
