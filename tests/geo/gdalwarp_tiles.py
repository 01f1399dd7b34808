#!/usr/bin/python3
# Rasters of the kinds a geologist brings as base maps, and what gdalwarp
# makes of them for given tiles.
#
#   gdalwarp_tiles.py make <kind> <path.tif>
#       writes the raster (and its sidecars) beside <path.tif>
#   gdalwarp_tiles.py warp <path.tif>   (tile extents on standard input)
#       one line "xmin ymin xmax ymax" (EPSG:3857 metres) per tile; writes
#       each tile as 256 x 256 RGBA bytes to standard output, warped as
#       `gdalwarp -te ... -ts 256 256 -t_srs EPSG:3857 -r bilinear -dstalpha`
#       (`-r near` for paletted rasters, `-s_srs <.prj>` when the raster
#       itself names no reference system)
import os
import sys

USAGE = "gdalwarp_tiles.py make <kind> <path.tif> | warp <path.tif> < extents"

import numpy as np
from osgeo import gdal, osr

gdal.UseExceptions()
TILE = 256


def srs(code):
    s = osr.SpatialReference()
    s.ImportFromEPSG(code)
    return s


def esri_wkt(code):
    s = srs(code)
    s.MorphToESRI()
    return s.ExportToWkt()


def detail(width, height, seed):
    """A scanned map in miniature: a gradient, noise, thin dark lines."""
    rng = np.random.default_rng(seed)
    y, x = np.mgrid[0:height, 0:width]
    v = 40 + 150 * x / width + 40 * y / height + rng.integers(-25, 26, (height, width))
    v[(x % 13) == 0] = 10       # one-pixel "contacts"
    v[((x + 2 * y) % 29) == 0] = 240
    return np.clip(v, 1, 255).astype(np.uint8)


def create(path, width, height, bands, gt, code, options=()):
    ds = gdal.GetDriverByName("GTiff").Create(path, width, height, bands, gdal.GDT_Byte,
                                              ["TILED=YES"] + list(options))
    if gt is not None:
        ds.SetGeoTransform(gt)
    if code is not None:
        ds.SetSpatialRef(srs(code))
    return ds


def write_world_file(path, gt):
    # A world file names the centre of the top-left pixel.
    with open(os.path.splitext(path)[0] + ".tfw", "w") as f:
        for v in (gt[1], gt[4], gt[2], gt[5], gt[0] + gt[1] / 2, gt[3] + gt[5] / 2):
            f.write("%.17g\n" % v)


def write_prj(path, code):
    with open(os.path.splitext(path)[0] + ".prj", "w") as f:
        f.write(esri_wkt(code))


def rgb(ds, seed, nodata=None):
    w, h = ds.RasterXSize, ds.RasterYSize
    for b in range(3):
        band = detail(w, h, seed + b)
        if nodata is not None:
            yy, xx = np.mgrid[0:h, 0:w]
            band[(xx - w * 0.3) ** 2 + (yy - h * 0.6) ** 2 < (h * 0.25) ** 2] = nodata
        ds.GetRasterBand(b + 1).WriteArray(band)
        if nodata is not None:
            ds.GetRasterBand(b + 1).SetNoDataValue(nodata)


def make(kind, path):
    lonlat = [5.0, 0.003, 0.0, 47.0, 0.0, -0.002]
    if kind == "geographic":
        ds = create(path, 600, 400, 3, lonlat, 4326)
        rgb(ds, 1)
    elif kind == "utm":
        ds = create(path, 500, 450, 3, [480000.5, 7.5, 0, 5210000.25, 0, -7.5], 32632)
        rgb(ds, 2)
    elif kind == "mercator-aligned":
        res = 2 * 20037508.342789244 / TILE / 2 ** 12  # level 12's pixel
        world = 20037508.342789244
        ds = create(path, 512, 512, 3, [2100 * TILE * res - world, res, 0,
                                         world - 1400 * TILE * res, 0, -res], 3857)
        rgb(ds, 3)
    elif kind == "mercator-aligned-overviews":
        # Level 12's pixels on its tile grid: tiles of levels 11, 10 and 9
        # read 2, 4 and 8 source pixels a pixel, the overviews' own factors.
        res = 2 * 20037508.342789244 / TILE / 2 ** 12
        ds = create(path, 600, 600, 3, [890338.5054657348, res, 0, 5899715.591163045, 0, -res], 3857)
        rgb(ds, 15)
        ds.BuildOverviews("AVERAGE", [2, 4, 8, 16])
    elif kind == "mercator-offset":
        ds = create(path, 450, 520, 3, [890123.37, 31.7, 0, 5899321.91, 0, -31.7], 3857)
        rgb(ds, 4)
    elif kind == "world-file-prj":
        gt = [9.2, 0.0025, 0.0, 46.4, 0.0, -0.0025]
        ds = create(path, 420, 380, 3, None, None, ["PROFILE=BASELINE"])
        rgb(ds, 5)
        write_world_file(path, gt)
        write_prj(path, 4326)
    elif kind == "prj-only":
        ds = create(path, 400, 400, 3, [600000, 20, 0, 5100000, 0, -20], None,
                    ["GEOTIFF_KEYS_FLAVOR=STANDARD"])
        rgb(ds, 6)
        write_prj(path, 32632)
    elif kind == "paletted":
        ds = create(path, 600, 400, 1, lonlat, 4326)
        w, h = 600, 400
        y, x = np.mgrid[0:h, 0:w]
        idx = ((x // 37 + y // 23) % 6 + 1).astype(np.uint8)
        idx[(x % 11) == 0] = 7
        idx[x + y < 60] = 0
        ds.GetRasterBand(1).WriteArray(idx)
        table = gdal.ColorTable()
        table.SetColorEntry(0, (0, 0, 0, 0))
        for i, c in enumerate([(200, 30, 30), (30, 200, 30), (30, 30, 200), (220, 220, 40),
                               (160, 90, 20), (250, 250, 250), (10, 10, 10)]):
            table.SetColorEntry(i + 1, c + (255,))
        ds.GetRasterBand(1).SetRasterColorTable(table)
        ds.GetRasterBand(1).SetRasterColorInterpretation(gdal.GCI_PaletteIndex)
    elif kind == "grey-nodata":
        ds = create(path, 600, 400, 1, lonlat, 4326)
        band = detail(600, 400, 7)
        band[100:220, 50:300] = 0
        ds.GetRasterBand(1).WriteArray(band)
        ds.GetRasterBand(1).SetNoDataValue(0)
    elif kind == "grey-16bit":
        ds = gdal.GetDriverByName("GTiff").Create(path, 500, 450, 1, gdal.GDT_UInt16, ["TILED=YES"])
        ds.SetGeoTransform([480000.5, 7.5, 0, 5210000.25, 0, -7.5])
        ds.SetSpatialRef(srs(32632))
        ds.GetRasterBand(1).WriteArray(detail(500, 450, 14).astype(np.uint16) * 40 + 1000)
    elif kind == "rgb-nodata":
        ds = create(path, 500, 450, 3, [480000.5, 7.5, 0, 5210000.25, 0, -7.5], 32632)
        rgb(ds, 8, nodata=0)
    elif kind == "rgba":
        ds = create(path, 600, 400, 4, lonlat, 4326, ["ALPHA=YES"])
        rgb(ds, 9)
        y, x = np.mgrid[0:400, 0:600]
        alpha = np.clip(x * 255 // 500, 0, 255).astype(np.uint8)
        alpha[250:, 400:] = 0
        ds.GetRasterBand(4).WriteArray(alpha)
        ds.GetRasterBand(4).SetRasterColorInterpretation(gdal.GCI_AlphaBand)
    elif kind == "global":
        ds = create(path, 720, 360, 3, [-180.0, 0.5, 0.0, 90.0, 0.0, -0.5], 4326)
        rgb(ds, 10)
    elif kind in ("sparse", "sparse-nodata"):
        # Only the top-left corner holds data; GDAL reports the rest as empty,
        # read as nodata where the raster has a nodata value.
        size = 1000 if kind == "sparse-nodata" else 1500
        ds = create(path, size, size, 1, [8.0, 0.0004, 0.0, 46.5, 0.0, -0.0004], 4326,
                    ["SPARSE_OK=TRUE"])
        ds.GetRasterBand(1).WriteArray(detail(512, 512, 12))
        if kind == "sparse-nodata":
            ds.GetRasterBand(1).SetNoDataValue(0)
    elif kind in ("noise-9000", "paletted-9000", "paletted-gap-9000"):
        # 81 million pixels, more than a tile warps whole. With a gap, the
        # indices are 1 and 3, and 2 is the colour between theirs.
        paletted = kind.startswith("paletted")
        gap = kind == "paletted-gap-9000"
        ds = create(path, 9000, 9000, 1, [0.2, 0.0001, 0.0, 47.0, 0.0, -0.0001], 4326)
        rng = np.random.default_rng(13)
        for top in range(0, 9000, 1000):
            values = rng.integers(1 if paletted else 0, 3 if paletted else 256, (1000, 9000), np.uint8)
            ds.GetRasterBand(1).WriteArray(2 * values - 1 if gap else values, 0, top)
        if paletted:
            table = gdal.ColorTable()
            table.SetColorEntry(1, (0, 0, 0, 255))
            if gap:
                table.SetColorEntry(2, (128, 128, 128, 255))
            table.SetColorEntry(3 if gap else 2, (255, 255, 255, 255))
            ds.GetRasterBand(1).SetRasterColorTable(table)
            ds.GetRasterBand(1).SetRasterColorInterpretation(gdal.GCI_PaletteIndex)
    elif kind == "striped-9000":
        # As many pixels in strips of one row, uncompressed, every one written:
        # bytes read count the rows read.
        ds = gdal.GetDriverByName("GTiff").Create(path, 9000, 9000, 1, gdal.GDT_Byte)
        ds.SetGeoTransform([0.2, 0.0001, 0.0, 47.0, 0.0, -0.0001])
        ds.SetSpatialRef(srs(4326))
        ramp = np.tile((np.arange(9000) * 256 // 9000).astype(np.uint8), (1000, 1))
        for top in range(0, 9000, 1000):
            ds.GetRasterBand(1).WriteArray(ramp, 0, top)
    elif kind in ("overviews", "no-overviews"):
        # The same picture twice, uncompressed so that bytes read count pixels.
        ds = create(path, 2400, 1800, 3, [7.0, 0.0004, 0.0, 46.0, 0.0, -0.0004], 4326)
        rgb(ds, 11)
        if kind == "overviews":
            ds.BuildOverviews("AVERAGE", [2, 4, 8, 16, 32])
    else:
        raise SystemExit("unknown kind " + kind)
    ds = None


def to_rgba(out, palette, ranges):
    bands = [out.GetRasterBand(i + 1).ReadAsArray().astype(np.uint32) for i in range(out.RasterCount)]
    alpha = bands[-1]
    if ranges:
        # Values beyond 8 bits are stretched over the raster's range.
        for i, (lo, hi) in enumerate(ranges):
            v = (bands[i].astype(np.float64) - lo) * (255.0 / (hi - lo) if hi > lo else 0.0)
            bands[i] = np.clip(np.floor(v + 0.5), 0, 255).astype(np.uint32)
    if palette is not None:
        lut = np.zeros((256, 4), np.uint32)
        for i in range(min(256, palette.GetCount())):
            lut[i] = palette.GetColorEntry(i)
        c = lut[bands[0]]
        return np.dstack([c[..., 0], c[..., 1], c[..., 2], alpha * c[..., 3] // 255])
    colour = bands[:-1] if len(bands) >= 4 else bands[:1] * 3
    return np.dstack(colour[:3] + [alpha])


def warp(path):
    src = gdal.Open(path)
    palette = src.GetRasterBand(1).GetColorTable()
    ranges = []
    if src.GetRasterBand(1).DataType != gdal.GDT_Byte:
        ranges = [src.GetRasterBand(i + 1).ComputeRasterMinMax(True)
                  for i in range(min(3, src.RasterCount))]
    args = ["-of", "MEM", "-ts", str(TILE), str(TILE), "-t_srs", "EPSG:3857", "-dstalpha",
            "-r", "near" if palette is not None else "bilinear"]
    prj = os.path.splitext(path)[0] + ".prj"
    if src.GetSpatialRef() is None and os.path.exists(prj):
        args += ["-s_srs", prj]
    for line in sys.stdin:
        te = line.split()
        if len(te) != 4:
            continue
        out = gdal.Warp("", src, options=gdal.WarpOptions(options=args + ["-te"] + te))
        sys.stdout.buffer.write(to_rgba(out, palette, ranges).astype(np.uint8).tobytes())
    sys.stdout.flush()


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 3 and sys.argv[1] == "warp":
        warp(sys.argv[2])
    else:
        raise SystemExit(USAGE)
