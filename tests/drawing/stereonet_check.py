#!/usr/bin/python3
"""Checks stereonet positions and angles from direction cosines.

Reads the plot's results, one per line, after a header "net R cx cy":
  pole P dip azimuth x y
  line P plunge trend x y
  circle P dip azimuth x0 y0 ... x36 y36     (pitches 0, 5, ..., 180)
  pick P x y ok dip azimuth
  mean dip azimuth dip azimuth dip azimuth -> dip azimuth
P is "ea" (equal-area) or "eq" (equal-angle). Vectors are (north, east,
down), lower hemisphere. Prints every disagreement; exit code 1 if any.
"""
import math
import sys

POSITION = 1e-3
ANGLE = 1e-3


def unit(plunge, trend):
    p, t = math.radians(plunge), math.radians(trend)
    return (math.cos(p) * math.cos(t), math.cos(p) * math.sin(t), math.sin(p))


def pole(dip, azimuth):
    d, a = math.radians(dip), math.radians(azimuth)
    return (-math.sin(d) * math.cos(a), -math.sin(d) * math.sin(a), math.cos(d))


def project(v, net, proj):
    r, cx, cy = net
    n, e, d = v
    # Lambert: r = R sin(t) / sqrt(1 + cos t); stereographic: R sin(t) / (1 + cos t).
    f = r / math.sqrt(1.0 + d) if proj == "ea" else r / (1.0 + d)
    return (cx + f * e, cy - f * n)


def circle_point(dip, azimuth, pitch):
    s = unit(0.0, azimuth - 90.0)
    down_dip = unit(dip, azimuth)
    q = math.radians(pitch)
    return tuple(math.cos(q) * a + math.sin(q) * b for a, b in zip(s, down_dip))


def plane_of_pole(v):
    n, e, d = v
    dip = math.degrees(math.acos(max(-1.0, min(1.0, d / math.sqrt(n * n + e * e + d * d)))))
    azimuth = (math.degrees(math.atan2(e, n)) + 180.0) % 360.0
    return dip, azimuth


def pick(x, y, net, proj):
    r, cx, cy = net
    r = math.floor(r)
    north, east = cy - y, x - cx
    rho = math.hypot(north, east) / r
    if rho > 1.0 + 1e-6:
        return None
    if rho == 0.0:
        return (0.0, 0.0)
    d = 1.0 - rho * rho if proj == "ea" else (1.0 - rho * rho) / (1.0 + rho * rho)
    h = math.sqrt(max(0.0, 1.0 - d * d))
    return plane_of_pole((h * north / (rho * r), h * east / (rho * r), d))


def principal_axis(m):
    """Eigenvector of the largest eigenvalue of a symmetric 3x3 matrix (Jacobi)."""
    a = [row[:] for row in m]
    v = [[1.0 if i == j else 0.0 for j in range(3)] for i in range(3)]
    for _ in range(50):
        p, q = max(((0, 1), (0, 2), (1, 2)), key=lambda pq: abs(a[pq[0]][pq[1]]))
        if abs(a[p][q]) < 1e-300:
            break
        theta = 0.5 * math.atan2(2.0 * a[p][q], a[q][q] - a[p][p])
        c, s = math.cos(theta), math.sin(theta)
        for k in range(3):
            akp, akq = a[k][p], a[k][q]
            a[k][p], a[k][q] = c * akp - s * akq, s * akp + c * akq
        for k in range(3):
            apk, aqk = a[p][k], a[q][k]
            a[p][k], a[q][k] = c * apk - s * aqk, s * apk + c * aqk
        for k in range(3):
            vkp, vkq = v[k][p], v[k][q]
            v[k][p], v[k][q] = c * vkp - s * vkq, s * vkp + c * vkq
    top = max(range(3), key=lambda i: a[i][i])
    return [v[k][top] for k in range(3)]


def mean(planes):
    """Poles summed on the side of their orientation tensor's principal axis."""
    poles = [pole(dip, azimuth) for dip, azimuth in planes]
    tensor = [[sum(p[i] * p[j] for p in poles) for j in range(3)] for i in range(3)]
    axis = principal_axis(tensor)
    total = [0.0, 0.0, 0.0]
    for p in poles:
        sign = -1.0 if sum(a * b for a, b in zip(p, axis)) < 0 else 1.0
        total = [t + sign * c for t, c in zip(total, p)]
    if total[2] < 0:
        total = [-t for t in total]
    return plane_of_pole(total)


def angle_off(a, b, period=360.0):
    diff = (a - b) % period
    return min(diff, period - diff)


class Checker:
    def __init__(self):
        self.failures = 0
        self.checked = 0

    def fail(self, line, why):
        self.failures += 1
        if self.failures <= 20:
            print("%s: %s" % (why, line))

    def point(self, line, got, expected):
        self.checked += 1
        if math.hypot(got[0] - expected[0], got[1] - expected[1]) > POSITION:
            self.fail(line, "position %r, expected %r" % (got, expected))

    def plane(self, line, got, expected):
        self.checked += 1
        dip, azimuth = got
        if abs(dip - expected[0]) > ANGLE:
            self.fail(line, "dip %r, expected %r" % (dip, expected[0]))
        elif expected[0] > ANGLE:
            # A vertical plane's pole is a horizontal axis: either end will do.
            period = 180.0 if expected[0] > 90.0 - ANGLE else 360.0
            if angle_off(azimuth, expected[1], period) > ANGLE:
                self.fail(line, "azimuth %r, expected %r" % (azimuth, expected[1]))


def main(path):
    check = Checker()
    net = None
    with open(path) as results:
        for line in results:
            f = line.split()
            if not f:
                continue
            kind = f[0]
            if kind == "net":
                net = tuple(float(v) for v in f[1:4])
            elif kind == "pole":
                dip, azimuth, x, y = map(float, f[2:6])
                check.point(line, (x, y), project(pole(dip, azimuth), net, f[1]))
            elif kind == "line":
                plunge, trend, x, y = map(float, f[2:6])
                check.point(line, (x, y), project(unit(plunge, trend), net, f[1]))
            elif kind == "circle":
                dip, azimuth = map(float, f[2:4])
                values = list(map(float, f[4:]))
                if len(values) != 74:
                    check.fail(line, "%d numbers, expected 74" % len(values))
                    continue
                for i in range(37):
                    expected = project(circle_point(dip, azimuth, 5.0 * i), net, f[1])
                    check.point(line, (values[2 * i], values[2 * i + 1]), expected)
            elif kind == "pick":
                x, y = float(f[2]), float(f[3])
                expected = pick(x, y, net, f[1])
                if (f[4] == "1") != (expected is not None):
                    check.fail(line, "pick accepted %s, expected the opposite" % f[4])
                elif expected is not None:
                    check.plane(line, (float(f[5]), float(f[6])), expected)
            elif kind == "mean":
                values = list(map(float, f[1:7] + f[8:10]))
                planes = [(values[i], values[i + 1]) for i in range(0, 6, 2)]
                check.plane(line, (values[6], values[7]), mean(planes))
            else:
                check.fail(line, "unknown record")
    print("%d checked, %d failed" % (check.checked, check.failures))
    return 1 if check.failures or not check.checked else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
