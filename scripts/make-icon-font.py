#!/usr/bin/python3
"""Builds the icon font kviconsetf.ttf from the glyph outlines.

Each file scripts/iconfont/<code point>-<role>.svg holds one path on a
24-unit grid (y down). The glyph of code point U+XXXX is named icn_xxxx.
The output depends on nothing but the outlines, so the committed font can be
rebuilt byte for byte.

Usage: make-icon-font.py [--source DIR] [--output FILE]
"""

import argparse
import os
import re
import sys
import xml.etree.ElementTree as ElementTree

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.areaPen import AreaPen
from fontTools.pens.cu2quPen import Cu2QuPen
from fontTools.pens.pointInsidePen import PointInsidePen
from fontTools.pens.recordingPen import RecordingPen
from fontTools.pens.reverseContourPen import ReverseContourPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.svgLib.path import parse_path

FAMILY = "kviconsetf"
GRID = 24
UNIT = 40                      # font units per grid unit
EM = GRID * UNIT               # one square advance for every glyph
DESCENT = 120                  # the grid's bottom sits this far below the baseline
ASCENT = EM - DESCENT
# 2024-01-01 00:00:00 UTC in seconds since 1904: fixed, so builds are identical.
TIMESTAMP = 3787171200

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_SOURCE = os.path.join(HERE, "iconfont")
DEFAULT_OUTPUT = os.path.join(HERE, os.pardir, "qml", "fonts", "kviconsetf.ttf")

NAME_PATTERN = re.compile(r"^([0-9a-f]{4,5})-[a-z0-9-]+\.svg$")


def read_outlines(folder):
    """Code point -> SVG path data, for every outline file of the folder."""
    outlines = {}
    for name in sorted(os.listdir(folder)):
        match = NAME_PATTERN.match(name)
        if not match:
            if name.endswith(".svg"):
                sys.exit("%s: name must be <code point>-<role>.svg" % name)
            continue
        code_point = int(match.group(1), 16)
        if code_point in outlines:
            sys.exit("%s: a second outline for U+%04X" % (name, code_point))
        paths = [element.get("d") for element in ElementTree.parse(os.path.join(folder, name)).iter()
                 if element.tag.endswith("path")]
        if len(paths) != 1 or not paths[0]:
            sys.exit("%s: needs exactly one path" % name)
        outlines[code_point] = paths[0]
    return outlines


def split_contours(recording):
    """The recorded operations as one list per contour."""
    contours, current = [], []
    for operation in recording.value:
        current.append(operation)
        if operation[0] in ("closePath", "endPath"):
            contours.append(current)
            current = []
    if current:
        contours.append(current + [("closePath", ())])
    return contours


def replay(contour, pen):
    for method, arguments in contour:
        getattr(pen, method)(*arguments)


def signed_area(contour):
    pen = AreaPen()
    replay(contour, pen)
    return pen.value


def contains(outer, point):
    pen = PointInsidePen(None, point)
    replay(outer, pen)
    return pen.getResult()


def oriented(contours):
    """The contours turned as TrueType expects: outlines clockwise, the holes
    inside them counter-clockwise, islands inside holes clockwise again.
    The source paths are read even-odd, so nesting depth alone decides."""
    result = []
    for index, contour in enumerate(contours):
        start = contour[0][1][0]
        depth = sum(1 for other, outer in enumerate(contours)
                    if other != index and contains(outer, start))
        # AreaPen counts counter-clockwise (y up) as positive.
        clockwise = signed_area(contour) < 0
        if clockwise != (depth % 2 == 0):
            recording = RecordingPen()
            replay(contour, ReverseContourPen(recording))
            contour = recording.value
        result.append(contour)
    return result


def build_glyph(path_data):
    recording = RecordingPen()
    # Grid (y down) to font units (y up), the grid's bottom at -DESCENT.
    parse_path(path_data, TransformPen(recording, (UNIT, 0, 0, -UNIT, 0, ASCENT)))
    glyph_pen = TTGlyphPen(None)
    quadratic = Cu2QuPen(glyph_pen, max_err=1.0, reverse_direction=False)
    for contour in oriented(split_contours(recording)):
        replay(contour, quadratic)
    return glyph_pen.glyph()


def notdef_glyph():
    pen = TTGlyphPen(None)
    for x0, y0, x1, y1, clockwise in ((160, -40, 800, 760, True), (240, 40, 720, 680, False)):
        corners = [(x0, y0), (x0, y1), (x1, y1), (x1, y0)]
        if not clockwise:
            corners.reverse()
        pen.moveTo(corners[0])
        for corner in corners[1:]:
            pen.lineTo(corner)
        pen.closePath()
    return pen.glyph()


def build_font(outlines):
    names = {code_point: "icn_%04x" % code_point for code_point in outlines}
    glyph_order = [".notdef"] + [names[code_point] for code_point in sorted(outlines)]
    glyphs = {".notdef": notdef_glyph()}
    for code_point, path_data in outlines.items():
        glyphs[names[code_point]] = build_glyph(path_data)

    builder = FontBuilder(EM, isTTF=True)
    builder.font.recalcTimestamp = False
    builder.setupGlyphOrder(glyph_order)
    builder.setupCharacterMap({code_point: names[code_point] for code_point in outlines})
    builder.setupGlyf(glyphs)
    glyf = builder.font["glyf"]
    metrics = {}
    for name in glyph_order:
        glyph = glyf[name]
        metrics[name] = (EM, getattr(glyph, "xMin", 0) if glyph.numberOfContours else 0)
    builder.setupHorizontalMetrics(metrics)
    builder.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT)
    builder.setupNameTable({"familyName": FAMILY, "styleName": "Regular",
                            "uniqueFontIdentifier": FAMILY + " Regular",
                            "fullName": FAMILY, "psName": FAMILY,
                            "version": "Version 1.000"})
    builder.setupOS2(sTypoAscender=ASCENT, sTypoDescender=-DESCENT, sTypoLineGap=0,
                     usWinAscent=ASCENT, usWinDescent=DESCENT, achVendID="KIV ",
                     fsType=0)
    builder.setupPost(keepGlyphNames=True)
    head = builder.font["head"]
    head.created = TIMESTAMP
    head.modified = TIMESTAMP
    return builder.font


def main():
    parser = argparse.ArgumentParser(description="Builds the icon font from its outlines.")
    parser.add_argument("--source", default=DEFAULT_SOURCE)
    parser.add_argument("--output", default=DEFAULT_OUTPUT)
    arguments = parser.parse_args()
    outlines = read_outlines(arguments.source)
    if not outlines:
        sys.exit("no outlines in " + arguments.source)
    font = build_font(outlines)
    os.makedirs(os.path.dirname(os.path.abspath(arguments.output)), exist_ok=True)
    font.save(arguments.output)
    print("%s: %d glyphs" % (arguments.output, len(outlines)))


if __name__ == "__main__":
    main()
