#!/usr/bin/env python3
"""Makes examples/growth_sample_a_missing.txt: the bundled synthetic sample a with 12 landmarks of
8 specimens written NA, as a damaged sample would have them, to show the estimate of missing
landmarks against the complete sample. The sizes (the last column) are kept.

    python3 scripts/make_missing_example.py examples
"""
import random
import sys

SEED = 31
REMOVED = [1, 1, 1, 1, 1, 1, 3, 3]  # landmarks removed from each of 8 specimens chosen at random


def main(folder):
    rows = [line.split() for line in open(f"{folder}/growth_sample_a.txt") if line.strip()]
    landmarks = (len(rows[0]) - 1) // 3
    generator = random.Random(SEED)
    for specimen, count in zip(generator.sample(range(len(rows)), len(REMOVED)), REMOVED):
        for landmark in generator.sample(range(landmarks), count):
            rows[specimen][3 * landmark:3 * landmark + 3] = ["NA"] * 3
    with open(f"{folder}/growth_sample_a_missing.txt", "w") as out:
        for row in rows:
            out.write(" ".join(row) + "\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "examples")
