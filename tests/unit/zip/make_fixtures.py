#!/usr/bin/env python3
"""Makes the zip component's test archives in OUTDIR with real tools (Info-ZIP zip, 7z,
bsdtar, Python's zipfile) and, for the damaged cases, by writing the bytes directly.

    make_fixtures.py OUTDIR
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import zipfile

OUT = os.path.abspath(sys.argv[1])
TREE = os.path.join(OUT, "tree")


def run(*args, cwd=TREE):
    subprocess.run(args, cwd=cwd, check=True, stdout=subprocess.DEVNULL)


def make_tree():
    shutil.rmtree(TREE, ignore_errors=True)
    os.makedirs(os.path.join(TREE, "sub"))
    with open(os.path.join(TREE, "a.txt"), "wb") as f:
        f.write(b"hello")
    rng = random.Random(7)
    with open(os.path.join(TREE, "sub", "b.bin"), "wb") as f:
        f.write(bytes(rng.getrandbits(8) for _ in range(300000)))
    with open(os.path.join(TREE, "sub", "c.txt"), "wb") as f:
        f.write(b"line\n" * 1000)


def tool_archives():
    for name in ("infozip.zip", "sevenzip.zip", "bsdtar.zip", "encrypted.zip"):
        path = os.path.join(OUT, name)
        if os.path.exists(path):
            os.remove(path)
    # Info-ZIP stores the folder entry "sub/" too.
    run("zip", "-q", "-r", "-X", os.path.join(OUT, "infozip.zip"), "a.txt", "sub")
    run("7z", "a", "-tzip", "-bd", os.path.join(OUT, "sevenzip.zip"), "a.txt", "sub")
    run("bsdtar", "--format", "zip", "-cf", os.path.join(OUT, "bsdtar.zip"), "a.txt", "sub")
    run("zip", "-q", "-P", "sesame", os.path.join(OUT, "encrypted.zip"), "a.txt")
    # Zip64 records forced on a small archive: the Zip64 end record and its locator, the end
    # record's offset saturated, and Zip64 extra fields for the saturated sizes.
    zip64 = os.path.join(OUT, "infozip64.zip")
    if os.path.exists(zip64):
        os.remove(zip64)
    run("zip", "-q", "-r", "-X", "-fz", zip64, "a.txt", "sub")


def python_zip(entries, comment=b"", system=None, version=None):
    import io
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, (2020, 1, 2, 3, 4, 6))
            info.compress_type = zipfile.ZIP_DEFLATED
            if system is not None:
                info.create_system = system
            if version is not None:
                info.create_version = version
            archive.writestr(info, data)
        archive.comment = comment
    return buffer.getvalue()


def oem_zip(system, version=20):
    """Cyrillic names as code page 866 bytes, stored by a tool of the given host system.

    Written under ASCII stand-ins of the same length (zipfile would store UTF-8), then the
    stand-ins are replaced by the code page 866 bytes in both headers."""
    cyrillic = ["Привет.txt", "Папка/Файл.txt"]
    stand_ins = ["@%d" % i + "_" * (len(n) - 1 - len(str(i))) for i, n in enumerate(cyrillic)]
    data = python_zip([(s, b"oem") for s in stand_ins], system=system, version=version)
    for stand_in, name in zip(stand_ins, cyrillic):
        data = data.replace(stand_in.encode(), name.encode("cp866"))
    return data


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def corrupt_central_signature(data):
    at = data.rfind(b"PK\x01\x02")
    return data[:at] + b"PK\x09\x09" + data[at + 4:]


def bulky_directory_zip(count, extra_size, comment_size):
    """Stored empty entries whose central headers carry an extra field (one block of id
    0xCAFE) and a comment of the given sizes; the local headers carry neither."""
    local, central = bytearray(), bytearray()
    for i in range(count):
        name = b"e%05d.txt" % i
        offset = len(local)
        local += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 0, 0, 0x5021, 0, 0, 0,
                             len(name), 0) + name
        extra = b""
        if extra_size:
            extra = struct.pack("<HH", 0xCAFE, extra_size - 4) + b"x" * (extra_size - 4)
        comment = b"c" * comment_size
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 0, 0, 0x5021, 0, 0,
                               0, len(name), len(extra), len(comment), 0, 0, 0, offset)
        central += name + extra + comment
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, len(central), len(local), 0)
    return bytes(local + central + end)


ZIP64_MANY = 70000  # entries
ZIP64_ZEROS_MIB = 4608  # 4.5 GiB


def zip64_archives():
    """Archives that need Zip64 records, made by Python's zipfile: more entries than the end
    record can count, and one entry of 4.5 GiB of zeros (made once: it takes seconds)."""
    many = os.path.join(OUT, "zip64_many.zip")
    if not os.path.exists(many) or len(zipfile.ZipFile(many).infolist()) != ZIP64_MANY:
        with zipfile.ZipFile(many + ".part", "w") as archive:
            for i in range(ZIP64_MANY):
                archive.writestr("d%03d/f%05d.txt" % (i // 800, i), b"%d" % i)
        os.replace(many + ".part", many)
    zeros = os.path.join(OUT, "zip64_zeros.zip")
    if not os.path.exists(zeros):
        zeros_zip(zeros + ".part", ZIP64_ZEROS_MIB)
        os.replace(zeros + ".part", zeros)
    with open(os.path.join(OUT, "infozip64.zip"), "rb") as f:
        write("stub64.zip", b"#stub#" * 20 + f.read())


def zeros_zip(path, mebibytes):
    """One deflated entry of `mebibytes` MiB of zeros, written by zipfile with its Zip64
    records. Deflating 4.5 GiB would take minutes, so every MiB is deflated once and the
    piece repeated: the full flush ends each piece on a byte with nothing referring back, so
    the pieces in a row are one valid stream. zipfile still counts the sizes and the CRC."""
    import zlib
    zeros = bytes(1 << 20)
    deflater = zlib.compressobj(9, zlib.DEFLATED, -15)
    piece = deflater.compress(zeros) + deflater.flush(zlib.Z_FULL_FLUSH)
    last = zlib.compressobj(9, zlib.DEFLATED, -15).flush()

    class RepeatedPiece:
        def compress(self, data):
            assert data == zeros
            return piece

        def flush(self):
            return last

    made = zipfile._get_compressor
    zipfile._get_compressor = lambda *args: RepeatedPiece()
    try:
        with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
            with archive.open("zeros.bin", "w", force_zip64=True) as f:
                for _ in range(mebibytes):
                    f.write(zeros)
    finally:
        zipfile._get_compressor = made


def hand_made():
    write("python.zip", python_zip([("one.txt", b"1"), ("dir/two.txt", b"22"), ("dir/", b"")]))
    write("empty.zip", python_zip([]))
    stub = b"#stub#" * 20  # 120 bytes, not a program
    write("stub.zip", stub + python_zip([("s.txt", b"stub")]))
    write("garbage.zip", python_zip([("g.txt", b"g")]) + b"X" * 600)
    write("lowtail.zip", python_zip([("l.txt", b"l")], comment=b"a comment") + b"\x01" * 10)
    write("longname.zip", python_zip([("n" * 260, b"x")]))
    write("name259.zip", python_zip([("n" * 259, b"x")]))
    write("badsig.zip", corrupt_central_signature(python_zip([("x.txt", b"x"), ("y.txt", b"y")])))
    # An end record announcing one entry more than the directory holds.
    good = python_zip([("x.txt", b"x")])
    end = good.rfind(b"PK\x05\x06")
    short = bytearray(good)
    struct.pack_into("<HH", short, end + 8, 2, 2)
    write("shortdir.zip", bytes(short))
    write("notzip.zip", b"This is plain text, not an archive.\n" * 3)
    # Names written by a DOS-era tool: code page 866 bytes, host system 0.
    write("oem.zip", oem_zip(system=0))
    write("oem_host6.zip", oem_zip(system=6))
    write("oem_host11.zip", oem_zip(system=11, version=50))
    write("oem_host11v20.zip", oem_zip(system=11, version=20))
    write("oem_host3.zip", oem_zip(system=3))
    # Programs with an archive appended: offsets left as they were (the directory is then
    # read from the companion .zip) and offsets adjusted by Info-ZIP ("zip -A").
    program = b"MZ" + b"\x90" * 198
    plain = python_zip([("inner.txt", b"inner")])
    write("sfx.exe", program + plain)
    write("sfx.zip", plain)
    write("sfxadj.exe", program + plain)
    run("zip", "-q", "-A", os.path.join(OUT, "sfxadj.exe"), cwd=OUT)
    write("many.zip", python_zip([("f%02d.txt" % i, b"%d" % i) for i in range(7)]))
    # Names that would break a tab-separated line unless escaped.
    write("oddnames.zip", python_zip([("tab\there.txt", b"1"), ("line\nbreak.txt", b"22"),
                                      ("cr\rname.txt", b"333"), ("back\\slash.txt", b"4444"),
                                      ("bell\x07.txt", b"55555")]))
    write("secret.zip", python_zip([("s.txt", b"s")]))
    # Directories that would take much memory: one entry with the largest extra field and
    # comment, and 2100 entries of 4 KiB extra field and 4 KiB comment each (16.4 MiB).
    write("bigentry.zip", bulky_directory_zip(1, 65535, 65535))
    write("bulkydir.zip", bulky_directory_zip(2100, 4096, 4096))


def main():
    os.makedirs(OUT, exist_ok=True)
    make_tree()
    tool_archives()
    hand_made()
    zip64_archives()
    # An empty folder: no library in it.
    os.makedirs(os.path.join(OUT, "nolib"), exist_ok=True)
    with open(os.path.join(OUT, "afile.txt"), "wb") as f:
        f.write(b"not a folder")
    with open(os.path.join(OUT, "stamp"), "w") as f:
        f.write("ok\n")


if __name__ == "__main__":
    main()
