#!/usr/bin/env python3
"""Makes examples/flat_growth_a.tps and examples/flat_growth_b.tps, a synthetic pair of 2D growth
samples with a known angle between their growth directions.

Both samples share one mean shape of 10 landmarks (centred, centroid size 1). Each grows linearly
with log centroid size along its own direction in the shape's tangent space (orthogonal to the
mean shape, to shifts and to turns, so the growth is a change of shape alone); the directions are
30 degrees apart. Every specimen gets a little noise, is scaled to its centroid size, turned by a
few degrees and shifted, as a photograph digitised by hand would be.

    python3 scripts/make_flat_growth_pair.py examples
"""
import math
import random
import sys

LANDMARKS = 10
SEED = 20261208
ANGLE = 30.0  # degrees between the two growth directions
RATE = 0.05   # change of shape (in units of centroid size) per unit of log centroid size
NOISE = 0.002
SAMPLES = {"a": (40, 40.0, 120.0), "b": (32, 50.0, 150.0)}  # specimens, smallest, largest size


def dot(u, v):
    return sum(a * b for a, b in zip(u, v))


def minus_projections(v, basis):
    for b in basis:
        f = dot(v, b)
        v = [x - f * y for x, y in zip(v, b)]
    return v


def unit(v):
    n = math.sqrt(dot(v, v))
    return [x / n for x in v]


def main(folder):
    rng = random.Random(SEED)
    # An oval outline with a bump: x1 y1 x2 y2 ...
    mean = []
    for k in range(LANDMARKS):
        a = 2 * math.pi * k / LANDMARKS
        r = 1.0 + (0.25 if k == 2 else 0.0)
        mean += [1.6 * r * math.cos(a), r * math.sin(a)]
    cx = sum(mean[0::2]) / LANDMARKS
    cy = sum(mean[1::2]) / LANDMARKS
    mean = [v - (cx if j % 2 == 0 else cy) for j, v in enumerate(mean)]
    mean = unit(mean)
    # The directions that change position, size or orientation alone.
    shift_x = unit([1.0 if j % 2 == 0 else 0.0 for j in range(2 * LANDMARKS)])
    shift_y = unit([0.0 if j % 2 == 0 else 1.0 for j in range(2 * LANDMARKS)])
    turn = unit([-mean[j + 1] if j % 2 == 0 else mean[j - 1] for j in range(2 * LANDMARKS)])
    basis = [mean, shift_x, shift_y, turn]
    first = unit(minus_projections([rng.gauss(0, 1) for _ in mean], basis))
    other = unit(minus_projections([rng.gauss(0, 1) for _ in mean], basis + [first]))
    c, s = math.cos(math.radians(ANGLE)), math.sin(math.radians(ANGLE))
    directions = {"a": first, "b": [c * u + s * w for u, w in zip(first, other)]}

    for name, (count, smallest, largest) in SAMPLES.items():
        middle = 0.5 * (math.log(smallest) + math.log(largest))
        lines = []
        for i in range(count):
            size = rng.uniform(smallest, largest)
            t = math.log(size) - middle
            shape = [m + RATE * t * d + rng.gauss(0, NOISE)
                     for m, d in zip(mean, directions[name])]
            a = math.radians(rng.uniform(-5.0, 5.0))
            dx, dy = rng.uniform(-200, 200), rng.uniform(-200, 200)
            lines.append("LM=%d" % LANDMARKS)
            for k in range(LANDMARKS):
                x, y = shape[2 * k] * size, shape[2 * k + 1] * size
                lines.append("%.4f %.4f" % (math.cos(a) * x - math.sin(a) * y + dx,
                                            math.sin(a) * x + math.cos(a) * y + dy))
            lines.append("ID=%s%02d" % (name, i + 1))
        with open("%s/flat_growth_%s.tps" % (folder, name), "w") as f:
            f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "examples")
