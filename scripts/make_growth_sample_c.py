#!/usr/bin/env python3
"""Makes examples/growth_sample_c.txt, the synthetic third growth sample.

Sample c grows along sample a's growth direction at half its rate: its slope on log centroid
size is half sample a's fitted slope. Its mean shape and residual scatter are sample a's. (A
faster rate would carry the shapes far enough round the sphere of unit centroid size that the
Procrustes fit itself bends their growth direction.) It is built
from sample a on the common reference of samples a and b, as `kelmar6-batch --common-reference
--export-coords FILE.csv growth_sample_a.txt growth_sample_b.txt` writes it; each specimen is
then scaled to its size, turned at random and shifted, as the other synthetic samples are.

    python3 scripts/make_growth_sample_c.py superimposed_ab.csv > examples/growth_sample_c.txt
"""
import csv
import math
import random
import sys

SPECIMENS = 36
SMALLEST, LARGEST = 45.0, 135.0
SEED = 20261207
RATE = 0.5  # of sample a's slope


def read_sample_a(path):
    """Sample a's rows of the export: (size, coordinates)."""
    rows = []
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            if row["sample"] == "1":
                values = [float(v) for k, v in row.items() if k not in ("name", "sample", "size")]
                rows.append((float(row["size"]), values))
    return rows


def fit(rows):
    """Mean shape, slope on log size, mean log size and residual standard deviation."""
    n, d = len(rows), len(rows[0][1])
    logs = [math.log(size) for size, _ in rows]
    mean_log = sum(logs) / n
    sxx = sum((t - mean_log) ** 2 for t in logs)
    mean = [sum(r[1][j] for r in rows) / n for j in range(d)]
    slope = [sum((t - mean_log) * (r[1][j] - mean[j]) for t, r in zip(logs, rows)) / sxx
             for j in range(d)]
    ss = sum((r[1][j] - mean[j] - slope[j] * (t - mean_log)) ** 2
             for t, r in zip(logs, rows) for j in range(d))
    return mean, slope, mean_log, math.sqrt(ss / ((n - 2) * d))


def random_rotation(rng):
    """A proper rotation from a random unit quaternion."""
    q = [rng.gauss(0, 1) for _ in range(4)]
    norm = math.sqrt(sum(v * v for v in q))
    w, x, y, z = (v / norm for v in q)
    return [[1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)],
            [2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)],
            [2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)]]


def specimen(mean, slope, mean_log, sd, size, rng):
    shape = [m + RATE * b * (math.log(size) - mean_log) + rng.gauss(0, sd)
             for m, b in zip(mean, slope)]
    points = [shape[k:k + 3] for k in range(0, len(shape), 3)]
    centre = [sum(p[i] for p in points) / len(points) for i in range(3)]
    points = [[p[i] - centre[i] for i in range(3)] for p in points]
    cs = math.sqrt(sum(v * v for p in points for v in p))
    rotation = random_rotation(rng)
    shift = [rng.uniform(-5, 5) for _ in range(3)]
    out = []
    for p in points:
        q = [v * size / cs for v in p]
        out.extend(sum(rotation[i][j] * q[j] for j in range(3)) + shift[i] for i in range(3))
    # The size column is the centroid size of the written coordinates, as in the other tables.
    centre = [sum(out[k + i] for k in range(0, len(out), 3)) / (len(out) // 3) for i in range(3)]
    cs_out = math.sqrt(sum((out[k + i] - centre[i]) ** 2 for k in range(0, len(out), 3)
                           for i in range(3)))
    return out + [cs_out]


def main():
    mean, slope, mean_log, sd = fit(read_sample_a(sys.argv[1]))
    rng = random.Random(SEED)
    for _ in range(SPECIMENS):
        size = rng.uniform(SMALLEST, LARGEST)
        print(" ".join(f"{v:.8f}" for v in specimen(mean, slope, mean_log, sd, size, rng)))


if __name__ == "__main__":
    main()
