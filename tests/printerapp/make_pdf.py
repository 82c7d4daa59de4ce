#!/usr/bin/env python3
"""Writes a one-page PDF for the CUPS suite: a page of W x H millimetres whose
content (a frame, black bars and a ten-step gray ramp) lies between TOP and
BOTTOM millimetres from the page's top edge; the rest of the page is blank.
Usage: make_pdf.py OUT.pdf W H TOP BOTTOM"""
import sys

PT = 72 / 25.4  # points per millimetre


def page_content(w, h, top, bottom):
    y0, y1 = (h - bottom) * PT, (h - top) * PT  # PDF's origin is the bottom left
    x0, x1 = 0.1 * w * PT, 0.9 * w * PT
    ops = [f"0 g {x0:.2f} {y0:.2f} {x1 - x0:.2f} {y1 - y0:.2f} re f",  # black block
           f"1 g {x0 + 4:.2f} {y0 + 4:.2f} {x1 - x0 - 8:.2f} {y1 - y0 - 8:.2f} re f"]
    step = (x1 - x0 - 8) / 10
    for i in range(10):  # the ramp across the middle
        ops.append(f"{i / 9:.3f} g {x0 + 4 + i * step:.2f} {(y0 + y1) / 2 - 10:.2f} {step:.2f} 20 re f")
    return "\n".join(ops).encode()


def pdf(w, h, top, bottom):
    content = page_content(w, h, top, bottom)
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               f"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 {w * PT:.2f} {h * PT:.2f}] "
               f"/Contents 4 0 R /Resources << >> >>".encode(),
               b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream"]
    out, offsets = bytearray(b"%PDF-1.4\n"), []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % o for o in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return bytes(out)


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    w, h, top, bottom = map(float, sys.argv[2:])
    with open(sys.argv[1], "wb") as f:
        f.write(pdf(w, h, top, bottom))
