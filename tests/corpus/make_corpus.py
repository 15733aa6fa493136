#!/usr/bin/env python3
"""Writes the malformed-input corpus beside this script, and expectations.txt with what the
header readers must report for each file. Needs cjpeg (libjpeg-turbo-progs) for the tiny base
pictures. Files that are not listed in expectations.txt (inputs a fuzzer found) are kept and
only run through the sanity checks."""

import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def base_jpeg(sampling, progressive=False):
    """A 16x16 picture; sampling as cjpeg takes it ("2x2", "2x1", ...)."""
    ppm = b"P6 16 16 255\n" + b"".join(bytes((x * 16, y * 16, (x ^ y) * 16)) for y in range(16) for x in range(16))
    args = ["cjpeg", "-quality", "80", "-sample", sampling] + (["-progressive"] if progressive else [])
    return subprocess.run(args, input=ppm, capture_output=True, check=True).stdout


def segment(marker, payload):
    return bytes((0xFF, marker)) + struct.pack(">H", len(payload) + 2) + payload


def insert_after_soi(jpeg, data):
    return jpeg[:2] + data + jpeg[2:]


def frame_at(jpeg):
    for code in (0xC0, 0xC2):
        at = jpeg.find(bytes((0xFF, code)))
        if at >= 0:
            return at
    raise ValueError("no frame header")


def after_frame(jpeg):
    at = frame_at(jpeg)
    return at + 2 + struct.unpack(">H", jpeg[at + 2:at + 4])[0]


SIZES = {1: 1, 2: 1, 3: 2, 4: 4, 5: 8, 7: 1}


def build_tiff(ifd0, exif=(), gps=(), ifd1=(), big=False):
    """Entries are (tag, type, count, value bytes in file order); pointers are added here."""
    e = ">" if big else "<"
    out = bytearray(b"MM" if big else b"II") + struct.pack(e + "HI", 42, 8)
    pointers = []
    ifd0 = list(ifd0)
    if exif:
        ifd0.append((0x8769, 4, 1, b"\0\0\0\0"))
    if gps:
        ifd0.append((0x8825, 4, 1, b"\0\0\0\0"))

    def write_ifd(entries):
        start = len(out)
        out.extend(struct.pack(e + "H", len(entries)))
        data_at = start + 2 + 12 * len(entries) + 4
        data = bytearray()
        fields = []
        for tag, typ, count, value in entries:
            out.extend(struct.pack(e + "HHI", tag, typ, count))
            fields.append(len(out))
            if len(value) <= 4:
                out.extend(value.ljust(4, b"\0"))
            else:
                out.extend(struct.pack(e + "I", data_at + len(data)))
                data.extend(value + (b"\0" if len(value) % 2 else b""))
        next_at = len(out)
        out.extend(b"\0\0\0\0")
        out.extend(data)
        return fields, next_at

    fields, next0 = write_ifd(ifd0)
    slot = len(ifd0) - (1 if exif else 0) - (1 if gps else 0)
    for sub in (exif, gps):
        if sub:
            out[fields[slot]:fields[slot] + 4] = struct.pack(e + "I", len(out))
            slot += 1
            write_ifd(sub)
    if ifd1:
        out[next0:next0 + 4] = struct.pack(e + "I", len(out))
        write_ifd(ifd1)
    return bytes(out)


def short(tag, value, big=False):
    return (tag, 3, 1, struct.pack(">H" if big else "<H", value))


def camera_tiff(orientation, big=False, ifd1_orientation=3):
    e = ">" if big else "<"
    return build_tiff(
        [(0x010F, 2, 6, b"Maker\0"), short(0x0112, orientation, big), (0x011A, 5, 1, struct.pack(e + "II", 72, 1))],
        exif=[(0x829A, 5, 1, struct.pack(e + "II", 1, 250))],
        gps=[(0x0000, 1, 4, b"\2\3\0\0")],
        ifd1=[short(0x0112, ifd1_orientation, big)] if ifd1_orientation else (),
        big=big)


def exif(tiff):
    return segment(0xE1, b"Exif\0\0" + tiff)


def patch(data, at, new):
    return data[:at] + new + data[at + len(new):]


def main():
    j420 = base_jpeg("2x2")
    j422 = base_jpeg("2x1")
    prog = base_jpeg("2x1", progressive=True)
    cam = exif(camera_tiff(6))
    with_exif = insert_after_soi(j420, cam)
    sof = frame_at(with_exif)
    app1 = 2
    tiff_at = app1 + 4 + 6  # marker, length, "Exif\0\0"

    files = {}  # name -> (bytes, image, width, height, orientation, eight-row MCU)

    def add(name, data, image, orientation=0, eight=False):
        files[name] = (data, image, 16 if image else 0, 16 if image else 0, orientation, eight)

    add("valid_exif_ii.jpg", with_exif, True, 6)
    add("valid_exif_mm.jpg", insert_after_soi(j422, exif(camera_tiff(8, big=True))), True, 8, True)
    add("progressive.jpg", insert_after_soi(prog, cam), True, 6)
    add("empty.jpg", b"", False)
    add("no_soi.jpg", with_exif[2:], False)
    add("soi_only.jpg", b"\xFF\xD8", False)
    add("cut_in_marker.jpg", b"\xFF\xD8\xFF", False)
    add("cut_in_length.jpg", b"\xFF\xD8\xFF\xE1\x00", False)
    add("cut_in_app1.jpg", with_exif[:app1 + 40], False)
    add("cut_in_tiff_header.jpg", with_exif[:tiff_at + 5], False)
    add("app1_length_past_end.jpg", patch(with_exif[:sof + 20], app1 + 2, b"\xFF\xF0"), False)
    add("cut_in_sof.jpg", with_exif[:sof + 9], False)
    add("cut_after_sof.jpg", with_exif[:sof + 19], True, 6)
    add("sof_zero_height.jpg", patch(with_exif, sof + 5, b"\0\0"), False)
    add("sof_zero_width.jpg", patch(with_exif, sof + 7, b"\0\0"), False)
    add("sof_zero_components.jpg", patch(with_exif, sof + 9, b"\0"), False)
    add("sof_bad_sampling.jpg", patch(with_exif, sof + 11, b"\x50"), False)
    add("sof_length_mismatch.jpg", patch(with_exif, sof + 2, b"\x00\x10"), False)
    add("segment_length_one.jpg", insert_after_soi(j420, b"\xFF\xE5\x00\x01"), False)
    add("eoi_before_sof.jpg", insert_after_soi(j420, b"\xFF\xD9"), False)
    add("sos_before_sof.jpg", insert_after_soi(j420, segment(0xDA, b"\1\1\0\0\x3F\0")), False)
    add("duplicate_soi.jpg", insert_after_soi(j420, b"\xFF\xD8"), False)
    add("all_fill_bytes.jpg", b"\xFF\xD8" + b"\xFF" * 5000, False)
    add("stuffed_only.jpg", b"\xFF\xD8" + b"\xFF\x00" * 3000, False)

    s422 = frame_at(j422)
    add("fill_bytes.jpg", j422[:s422] + b"\xFF\xFF\xFF" + j422[s422:], True, 0, True)
    add("stray_bytes.jpg", j422[:s422] + b"junk" + j422[s422:], True, 0, True)
    add("restart_markers.jpg", j422[:s422] + b"\xFF\xD0\xFF\x01" + j422[s422:], True, 0, True)
    add("xmp_before_exif.jpg", insert_after_soi(j420, segment(0xE1, b"http://ns.adobe.com/xap/1.0/\0<x/>") + cam),
        True, 6)
    add("exif_after_sof.jpg", j420[:after_frame(j420)] + cam + j420[after_frame(j420):], True, 6)
    add("two_exif_segments.jpg", insert_after_soi(j420, cam + exif(camera_tiff(3))), True, 6)
    add("exif_header_only.jpg", insert_after_soi(j420, segment(0xE1, b"Exif\0\0")), True, 0)
    add("exif_no_nul.jpg", insert_after_soi(j420, segment(0xE1, b"Exif")), True, 0)
    add("exif_bad_byte_order.jpg", patch(with_exif, tiff_at, b"IM"), True, 0)
    add("exif_bad_magic.jpg", patch(with_exif, tiff_at + 2, b"\x2B"), True, 0)
    add("ifd0_past_end.jpg", patch(with_exif, tiff_at + 4, b"\x00\xFF\x00\x00"), True, 0)
    add("ifd0_offset_huge.jpg", patch(with_exif, tiff_at + 4, b"\xFF\xFF\xFF\xFF"), True, 0)

    def with_tiff(tiff):
        return insert_after_soi(j420, exif(tiff))

    # Both sub-IFD pointers and IFD0's next-IFD field point back at IFD0.
    loop = bytearray(camera_tiff(6))
    count = struct.unpack("<H", loop[8:10])[0]
    for i in range(count):
        entry = 10 + 12 * i
        if struct.unpack("<H", loop[entry:entry + 2])[0] in (0x8769, 0x8825):
            loop[entry + 8:entry + 12] = struct.pack("<I", 8)
    loop[10 + 12 * count:14 + 12 * count] = struct.pack("<I", 8)
    add("ifd_loops.jpg", with_tiff(bytes(loop)), True, 6)

    add("huge_count.jpg", with_tiff(build_tiff([(0x010F, 2, 0xFFFFFFFF, b"\0\0\0\x20"), short(0x0112, 6)])), True, 6)
    add("count_times_size_overflow.jpg",
        with_tiff(build_tiff([(0x0100, 5, 0x20000001, b"\0\0\0\x10"), short(0x0112, 5)])), True, 5)
    past = build_tiff([(0x0112, 3, 3, b"\x06\0\x06\0\x06\0")])
    add("value_offset_past_end.jpg", with_tiff(patch(past, 8 + 2 + 8, b"\xf0\xff\0\0")), True, 0)
    ifd_past = bytearray(build_tiff([short(0x0112, 6), short(0x0128, 2)]))
    ifd_past[8:10] = b"\xFF\xFF"
    add("ifd_count_past_end.jpg", with_tiff(bytes(ifd_past[:10 + 12 + 6])), True, 6)
    add("unknown_type.jpg", with_tiff(build_tiff([(0x0112, 0x55, 1, b"\x06\0\0\0")])), True, 0)
    add("orientation_long_mm.jpg", with_tiff(build_tiff([(0x0112, 4, 1, b"\0\0\0\x07")], big=True)), True, 7)
    add("orientation_zero_count.jpg", with_tiff(build_tiff([(0x0112, 3, 0, b"")])), True, 0)
    add("tiff_cut_mid_ifd.jpg", with_tiff(camera_tiff(6)[:40]), True, 6)
    add("not_jpeg.png", b"\x89PNG\r\n\x1a\n\0\0\0\rIHDR" + b"\0" * 20, False)
    add("text.jpg", b"This is not a picture at all.\n", False)

    for name in os.listdir(HERE):
        if name in files:
            os.remove(os.path.join(HERE, name))
    lines = ["# file image width height orientation eight-row-MCU (written by make_corpus.py)"]
    for name, (data, image, width, height, orientation, eight) in sorted(files.items()):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
        lines.append(f"{name} {int(image)} {width} {height} {orientation} {int(eight)}")
    with open(os.path.join(HERE, "expectations.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")

    seeds = os.path.join(HERE, "..", "fuzz", "seeds")
    for target, name, data in [
            ("fuzz_exif_reader", "camera_ii.tif", camera_tiff(6)),
            ("fuzz_exif_reader", "camera_mm.tif", camera_tiff(8, big=True)),
            ("fuzz_exif_reader", "loops.tif", bytes(loop)),
            ("fuzz_jpeg_header", "exif_420.jpg", with_exif),
            ("fuzz_jpeg_header", "exif_mm_422.jpg", files["valid_exif_mm.jpg"][0]),
            ("fuzz_jpeg_header", "progressive.jpg", files["progressive.jpg"][0]),
            ("fuzz_jpeg_header", "xmp_before_exif.jpg", files["xmp_before_exif.jpg"][0]),
            ("fuzz_jpeg_header", "exif_after_sof.jpg", files["exif_after_sof.jpg"][0])]:
        os.makedirs(os.path.join(seeds, target), exist_ok=True)
        with open(os.path.join(seeds, target, name), "wb") as f:
            f.write(data)
    print(f"{len(files)} files", file=sys.stderr)


if __name__ == "__main__":
    main()
