#!/usr/bin/env python3
"""Reads the archives the Windows writer made back on this machine: every
name and every byte must be what the sources hold."""
import sys
import zipfile
from pathlib import Path

folder = Path(sys.argv[1])
src = folder / "src"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def entries(archive):
    with zipfile.ZipFile(archive) as z:
        check(z.testzip() is None, f"{archive.name}: a CRC does not match")
        return {i.filename: (i, z.read(i)) for i in z.infolist()}


umlaut = "M\u00fcller \u00f6stlich.jpg"
big = (src / "gross.bin").read_bytes()
got = entries(folder / "roundtrip.zip")
check(list(got) == [umlaut, "daten/gross.bin", "inner.zip"], f"roundtrip names {list(got)}")
if umlaut in got:
    check(got[umlaut][1] == (src / umlaut).read_bytes(), "the UTF-8 named entry's bytes differ")
    check(got[umlaut][0].compress_type == zipfile.ZIP_DEFLATED, "the picture is not deflated")
if "daten/gross.bin" in got:
    info, data = got["daten/gross.bin"]
    check(len(big) > 1 << 20, "the large source is not above 1 MiB")
    check(data == big, "the large entry's bytes differ")
    check(info.compress_size < info.file_size, "the large entry did not shrink")
    check(info.flag_bits & 8 == 0, "a file archive carries a data descriptor")
if "inner.zip" in got:
    check(got["inner.zip"][0].compress_type == zipfile.ZIP_STORED, "a .zip entry is not stored")
    check(got["inner.zip"][1] == (src / "inner.zip").read_bytes(), "the stored entry's bytes differ")

partial = entries(folder / "partial.zip")
check(list(partial) == ["inner.zip"], f"partial archive names {list(partial)}")

handle = (folder / "handle.bin").read_bytes()
check(handle[:100] == b"p" * 100 and handle.endswith(b"!"), "the caller's bytes around the archive changed")
(folder / "handle.zip").write_bytes(handle[100:-1])
from_handle = entries(folder / "handle.zip")
check(from_handle.get("part.bin", (None, b""))[1] == big[10:1010], "the source handle's part differs")

memory = entries(folder / "memory.zip")
check(list(memory) == ["memory.txt"] and len(memory["memory.txt"][1]) == 3000, "the memory archive differs")

piped = entries(folder / "pipe.zip")
check(list(piped) == ["inner.zip", "pipe.txt"], f"pipe archive names {list(piped)}")
for name, (info, _) in piped.items():
    check(info.flag_bits & 8 == 8, f"{name} through a pipe has no data descriptor")
if "pipe.txt" in piped:
    check(piped["pipe.txt"][1] == b"data that arrives through a pipe\n", "the piped source's bytes differ")
    check(piped["pipe.txt"][0].external_attr == 0x80000000, "the piped source's attributes differ")
if "inner.zip" in piped:
    check(piped["inner.zip"][1] == (src / "inner.zip").read_bytes(), "the stored entry through a pipe differs")

# The hidden file's entry is checked on the Windows side, against what Wine reports.
attributes = entries(folder / "attributes.zip")
for name, expected in [("tool.exe", 0x81C00020), ("locked.txt", 0x81000021)]:
    got_attr = attributes[name][0].external_attr if name in attributes else None
    check(got_attr == expected, f"{name}: external attributes {got_attr!r:} instead of {expected:#x}")

for failure in failures:
    print("FAIL", failure)
print("FAIL: the archives do not read back" if failures else "PASS: the archives read back")
sys.exit(1 if failures else 0)
