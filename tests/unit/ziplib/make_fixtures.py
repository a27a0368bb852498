#!/usr/bin/env python3
"""Makes the zip library's test archives in OUTDIR: one payload tree packed by Info-ZIP zip,
7z, bsdtar and Python's zipfile, and hostile or broken archives built by hand."""
import os
import random
import shutil
import struct
import subprocess
import sys
import zipfile
import zlib

OUT = os.path.abspath(sys.argv[1])
PAYLOAD = os.path.join(OUT, "payload")


def run(args, cwd, stdout=None):
    subprocess.run(args, cwd=cwd, check=True, stdout=stdout or subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def make_payload():
    rng = random.Random(179)
    os.makedirs(os.path.join(PAYLOAD, "data"))
    os.makedirs(os.path.join(PAYLOAD, "Sub", "Deep"))
    os.makedirs(os.path.join(PAYLOAD, "emptydir"))
    with open(os.path.join(PAYLOAD, "readme.txt"), "w") as f:
        f.write("Morvath Trilogy\n" * 40)
    with open(os.path.join(PAYLOAD, "Sub", "Deep", "file.TXT"), "w") as f:
        f.write("deep file\n")
    open(os.path.join(PAYLOAD, "data", "empty.txt"), "wb").close()
    # Larger than two progress chunks, partly compressible.
    big = bytearray()
    while len(big) < 2_700_000:
        big += bytes(rng.getrandbits(8) for _ in range(1000)) + b"A" * 3000
    with open(os.path.join(PAYLOAD, "data", "big.bin"), "wb") as f:
        f.write(big[:2_700_000])


def tool_archives():
    p = PAYLOAD
    run(["zip", "-qr", "-X", os.path.join(OUT, "infozip.zip"), "."], p)
    run(["zip", "-qr0", "-X", os.path.join(OUT, "infozip_stored.zip"), "."], p)
    run(["zip", "-qr", "-X", "-fz", os.path.join(OUT, "infozip64.zip"), "."], p)  # Zip64 records
    with open(os.path.join(OUT, "infozip_stream.zip"), "wb") as f:  # data descriptors
        run(["zip", "-qr", "-X", "-", "."], p, stdout=f)
    run(["zip", "-qr", "-X", "-P", "secret", os.path.join(OUT, "infozip_crypt.zip"), "."], p)
    with open(os.path.join(OUT, "infozip_crypt_stream.zip"), "wb") as f:
        run(["zip", "-qr", "-X", "-P", "secret", "-", "."], p, stdout=f)
    run(["7z", "a", "-tzip", os.path.join(OUT, "7z.zip"), "."], p)
    run(["7z", "a", "-tzip", "-psecret", "-mem=ZipCrypto", os.path.join(OUT, "7z_crypt.zip"), "."], p)
    run(["bsdtar", "--format", "zip", "-cf", os.path.join(OUT, "bsdtar.zip"), "."], p)
    with zipfile.ZipFile(os.path.join(OUT, "python.zip"), "w") as z:
        for root, dirs, files in os.walk(p):
            for d in dirs:
                full = os.path.join(root, d)
                z.write(full, os.path.relpath(full, p))
            for i, name in enumerate(files):
                full = os.path.join(root, name)
                method = zipfile.ZIP_STORED if i % 2 else zipfile.ZIP_DEFLATED
                z.write(full, os.path.relpath(full, p), compress_type=method)
    # A self-extractor stub in front, offsets as they were and adjusted by "zip -A".
    stub = b"MZ" + bytes(4094)
    with open(os.path.join(OUT, "infozip.zip"), "rb") as f:
        body = f.read()
    for name in ("sfx.zip", "sfx_adjusted.zip"):
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(stub + body)
    run(["zip", "-qA", os.path.join(OUT, "sfx_adjusted.zip")], OUT)
    with open(os.path.join(OUT, "infozip64.zip"), "rb") as f:  # the Zip64 end record moved too
        body = f.read()
    with open(os.path.join(OUT, "sfx64.zip"), "wb") as f:
        f.write(stub + body)


def write_zip(name, entries):
    """entries: (ZipInfo or name, data, method)"""
    with zipfile.ZipFile(os.path.join(OUT, name), "w") as z:
        for info, data, method in entries:
            z.writestr(info, data, compress_type=method)


def patch(name, old, new):
    path = os.path.join(OUT, name)
    with open(path, "rb") as f:
        data = f.read()
    assert old in data, (name, old)
    with open(path, "wb") as f:
        f.write(data.replace(old, new))


def info(name, date=(2001, 2, 3, 4, 5, 6), system=0, attributes=0):
    i = zipfile.ZipInfo(name, date)
    i.create_system = system
    i.external_attr = attributes
    return i


CRC_TABLE = []
for n in range(256):
    c = n
    for _ in range(8):
        c = (c >> 1) ^ 0xEDB88320 if c & 1 else c >> 1
    CRC_TABLE.append(c)


class ZipCryptoKeys:
    """The traditional zip cipher's key state, for building encrypted entries by hand."""

    def __init__(self, password):
        self.keys = [0x12345678, 0x23456789, 0x34567890]
        for b in password:
            self.update(b)

    def update(self, plain):
        k0, k1, k2 = self.keys
        k0 = (k0 >> 8) ^ CRC_TABLE[(k0 ^ plain) & 0xFF]
        k1 = ((k1 + (k0 & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        k2 = (k2 >> 8) ^ CRC_TABLE[(k2 ^ (k1 >> 24)) & 0xFF]
        self.keys = [k0, k1, k2]

    def stream_byte(self):
        t = (self.keys[2] | 2) & 0xFFFF
        return ((t * (t ^ 1)) >> 8) & 0xFF

    def encrypt(self, data):
        out = bytearray()
        for b in data:
            out.append(b ^ self.stream_byte())
            self.update(b)
        return bytes(out)

    def decrypt(self, data):
        out = bytearray()
        for b in data:
            p = b ^ self.stream_byte()
            self.update(p)
            out.append(p)
        return bytes(out)


def decoy_archive():
    """One deflated entry encrypted with "secret" whose random header is chosen so that the
    wrong password "decoy" passes the one-byte header check too (as 1 in 256 wrong passwords
    do); what "decoy" decrypts of the data is not a deflate stream."""
    text = b"Only the right password opens this.\n" * 50
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    packed = packer.compress(text) + packer.flush()
    crc = zlib.crc32(text)
    rng = random.Random(256)
    while True:
        header = bytes(rng.getrandbits(8) for _ in range(11)) + bytes([crc >> 24])
        sealed = ZipCryptoKeys(b"secret").encrypt(header + packed)
        decoy = ZipCryptoKeys(b"decoy").decrypt(sealed)
        if decoy[11] != crc >> 24:
            continue
        try:
            zlib.decompressobj(-15).decompress(decoy[12:12 + 256])
        except zlib.error:
            break
    name = b"locked.txt"
    fields = struct.pack("<HHHHHIII", 20, 1, 8, 0x2000, 0x5021, crc, len(sealed), len(text))
    local = b"PK\x03\x04" + fields + struct.pack("<HH", len(name), 0) + name + sealed
    central = (b"PK\x01\x02" + struct.pack("<H", 20) + fields +
               struct.pack("<HHHHHII", len(name), 0, 0, 0, 0, 0x20, 0) + name)
    end = b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, 1, 1, len(central), len(local), 0)
    with open(os.path.join(OUT, "decoy.zip"), "wb") as f:
        f.write(local + central + end)


def hostile_archives():
    S, D = zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED
    unsafe = ["../evil1.txt", "..\\evil2.txt", "/evil3.txt", "\\evil4.txt", "C:/evil5.txt",
              "c:evil6.txt", "\\\\server\\share\\evil7.txt", "stream.txt:evil8",
              "CON", "nul.txt", "Com1.log", "a/../../evil9.txt", "trail./evil10.txt",
              "lpt9", "aux .txt"]
    write_zip("unsafe.zip", [(n, b"bad", S) for n in unsafe] +
              [("safe.txt", b"good", S), ("sub/./ok.txt", b"ok", D)])

    # Names that differ only in case, which Windows cannot keep apart.
    write_zip("caseclash.zip", [("Readme.txt", b"first", D), ("README.TXT", b"second", D),
                                ("Sub/a.txt", b"first a", S), ("SUB/A.txt", b"second a", S),
                                ("sub/b.txt", b"b", S)])

    write_zip("attributes.zip", [
        (info("readonly.txt", attributes=0x01), b"read only", S),
        (info("hidden.txt", attributes=0x02), b"hidden", S),
        (info("plain.txt", date=(2010, 12, 31, 23, 59, 58), attributes=0x20), b"plain", D),
        (info("unixro.txt", system=3, attributes=(0o100444 << 16)), b"unix read only", S),
    ])

    # CRC of a stored entry changed in both headers.
    write_zip("crc.zip", [("crc.txt", b"checksum me", S), ("after.txt", b"after", S)])
    crc = struct.pack("<I", zlib.crc32(b"checksum me"))
    patch("crc.zip", crc, struct.pack("<I", zlib.crc32(b"checksum me") ^ 0xFF))

    write_zip("bzip2.zip", [("packed.txt", b"x" * 1000, zipfile.ZIP_BZIP2), ("plain.txt", b"p", S)])

    # Deflate data damaged in the middle.
    rng = random.Random(1)
    payload = bytes(rng.getrandbits(8) for _ in range(20000)) * 2
    write_zip("corrupt.zip", [("corrupt.bin", payload, D), ("fine.txt", b"fine", S)])
    # The first block header becomes the reserved block type 3.
    path = os.path.join(OUT, "corrupt.zip")
    data = bytearray(open(path, "rb").read())
    data[30 + len("corrupt.bin")] = 0xFF
    open(path, "wb").write(data)

    # Uncompressed size recorded smaller than the data (a bomb that lies).
    write_zip("sizelie.zip", [("lie.txt", b"z" * 100000, D)])
    patch("sizelie.zip", struct.pack("<I", 100000), struct.pack("<I", 1000))

    # Two directory entries pointing at the same local header.
    write_zip("overlap.zip", [("one.txt", b"1" * 100, S)])
    data = open(os.path.join(OUT, "overlap.zip"), "rb").read()
    end = data.rfind(b"PK\x05\x06")
    cd_size, cd_offset = struct.unpack("<II", data[end + 12:end + 20])
    central = data[cd_offset:cd_offset + cd_size]
    twin = central.replace(b"one.txt", b"two.txt")
    eocd = bytearray(data[end:])
    struct.pack_into("<HHI", eocd, 8, 2, 2, cd_size * 2)
    open(os.path.join(OUT, "overlap.zip"), "wb").write(data[:cd_offset] + central + twin + bytes(eocd))

    # Local header offset beyond the directory.
    write_zip("outofrange.zip", [("far.txt", b"far", S)])
    data = bytearray(open(os.path.join(OUT, "outofrange.zip"), "rb").read())
    c = data.rfind(b"PK\x01\x02")
    struct.pack_into("<I", data, c + 42, 0x7FFF0000)
    open(os.path.join(OUT, "outofrange.zip"), "wb").write(data)

    # The end record announces more entries than the directory holds.
    write_zip("truncated_cd.zip", [("a.txt", b"a", S)])
    data = bytearray(open(os.path.join(OUT, "truncated_cd.zip"), "rb").read())
    e = data.rfind(b"PK\x05\x06")
    struct.pack_into("<HH", data, e + 8, 40, 40)
    open(os.path.join(OUT, "truncated_cd.zip"), "wb").write(data)

    with open(os.path.join(OUT, "notzip.zip"), "wb") as f:
        rng = random.Random(2)
        f.write(bytes(rng.getrandbits(8) for _ in range(5000)))
    with zipfile.ZipFile(os.path.join(OUT, "empty.zip"), "w"):
        pass

    # Names: UTF-8 flagged Cyrillic, and an OEM (code page 866) name from a DOS host.
    write_zip("names.zip", [("Кириллица.txt", b"utf8", S),
                            (info("OEMNAME1.txt", system=0), b"oem", S),
                            ("\uff0e\uff0e\uff0fescape.txt", b"fullwidth", S)])
    patch("names.zip", b"OEMNAME1", "Ящик8801".encode("cp866"))
    # Info-ZIP on Linux: UTF-8 bytes without the flag, host Unix; and code page 1251 bytes
    # from a Unix host, which are not UTF-8 and stay as they are.
    write_zip("unix_names.zip", [(info("UNIXUTF8NAME.txt", system=3), b"unix utf8", S),
                                 (info("ANSI1.txt", system=3), b"ansi", S)])
    patch("unix_names.zip", b"UNIXUTF8NAME", "Дракон".encode("utf-8"))
    patch("unix_names.zip", b"ANSI1", "Замок".encode("cp1251"))


def raw_zip(name, entries):
    """Writes the bytes of an archive directly. entries: (name, method, data as stored, CRC,
    uncompressed size); every entry dated 2001-01-01 10:00."""
    body, central = bytearray(), bytearray()
    for entry_name, method, raw, crc, size in entries:
        n = entry_name.encode()
        offset = len(body)
        body += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, method, 0x5000, 0x2A21, crc,
                            len(raw), size, len(n), 0) + n + raw
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, method, 0x5000,
                               0x2A21, crc, len(raw), size, len(n), 0, 0, 0, 0, 0, offset) + n
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central),
                      len(body), 0)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(body + central + end)


def deflate(data):
    packer = zlib.compressobj(6, zlib.DEFLATED, -15)
    return packer.compress(data) + packer.flush()


def large_entry_archives():
    """Entries of several data blocks that fail only late: while earlier blocks are written."""
    rng = random.Random(24)
    data = b"".join(rng.randbytes(3000) + b"B" * 5000 for _ in range(450))  # 3.6 MB
    # The checksum of both headers is wrong.
    raw_zip("crc_big.zip", [("big.bin", 8, deflate(data), zlib.crc32(data) ^ 0xFF, len(data)),
                            ("after.txt", 0, b"after", zlib.crc32(b"after"), 5)])
    # The stream is sound for 2.5 MB, then comes a block of the reserved type 3; the sizes
    # recorded are those of the whole data.
    head = 2_500_000
    packer = zlib.compressobj(6, zlib.DEFLATED, -15)
    broken = packer.compress(data[:head]) + packer.flush(zlib.Z_FULL_FLUSH) + b"\xff" * 64
    raw_zip("late_damage.zip", [("big.bin", 8, broken, zlib.crc32(data), len(data)),
                                ("after.txt", 0, b"after", zlib.crc32(b"after"), 5)])
    # More blocks than are decoded ahead of the job, under a name of the payload: a job over
    # the payload that keeps its files passes the entry before taking a block of it.
    big = rng.randbytes(6 << 20)
    raw_zip("big_passed.zip", [("data/big.bin", 0, big, zlib.crc32(big), len(big)),
                               ("after.txt", 0, b"after", zlib.crc32(b"after"), 5)])


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    os.makedirs(OUT)
    make_payload()
    tool_archives()
    hostile_archives()
    decoy_archive()
    large_entry_archives()
    open(os.path.join(OUT, "stamp"), "w").write("ok\n")


if __name__ == "__main__":
    main()
