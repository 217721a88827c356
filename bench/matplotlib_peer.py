#!/usr/bin/python3
"""Times matplotlib on the chart's largest pattern, the peer a teacher would script instead.

The plot matches what the program draws for p = 10000: a polar chart of 465 x 441 pixels, the
radius R(theta) = cos(kd cos theta + delta) on a linear scale from -1 (centre) to 1 (rim),
3961 points, a dotted reference circle at R = sqrt(2) - 1, and a grid of rings and rays.
Each iteration changes q (the phase difference) as a scroll-bar move does.

Two paths are timed: a full redraw (fig.canvas.draw()) and the blitting path, which caches the
background once and then only restores it, draws the line and blits.
Prints the median of each in microseconds.
"""
import math
import statistics
import sys
import time

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

P = 10000
B = P // 1000 + 1
POINTS = 360 * B + 1
KD = P * math.pi / 1000.0
THETA = np.arange(POINTS) * (math.pi / (180.0 * B))
COS_THETA = np.cos(THETA)


def radius(q):
    return np.cos(KD * COS_THETA + q / 2000.0)


def make_figure():
    dpi = 100
    fig = plt.figure(figsize=(465 / dpi, 441 / dpi), dpi=dpi)
    ax = fig.add_subplot(projection="polar")
    ax.set_rlim(-1.0, 1.0)
    ax.set_rticks([-0.5, 0.0, 0.5, 1.0])
    ax.set_thetagrids(range(0, 360, 30))
    circle = np.full(361, math.sqrt(2.0) - 1.0)
    ax.plot(np.linspace(0, 2 * math.pi, 361), circle, color="red", linestyle=":")
    (line,) = ax.plot(THETA, radius(0), color="black", linewidth=1)
    return fig, ax, line


def median_us(fn, iterations):
    samples = []
    for i in range(iterations):
        t0 = time.perf_counter()
        fn(i)
        samples.append((time.perf_counter() - t0) * 1e6)
    return statistics.median(samples)


def main():
    iterations = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    fig, ax, line = make_figure()

    def full(i):
        line.set_ydata(radius(i % 2000))
        fig.canvas.draw()

    full(0)  # warm-up: fonts, caches
    full_us = median_us(full, iterations)

    line.set_animated(True)
    fig.canvas.draw()
    background = fig.canvas.copy_from_bbox(fig.bbox)

    def blit(i):
        line.set_ydata(radius(i % 2000))
        fig.canvas.restore_region(background)
        ax.draw_artist(line)
        fig.canvas.blit(fig.bbox)

    blit(0)
    blit_us = median_us(blit, iterations)
    print(f"matplotlib_full_redraw_us {full_us:.0f}")
    print(f"matplotlib_blit_us {blit_us:.0f}")


if __name__ == "__main__":
    main()
