"""The package's speed: its overhead over the engine alone, and process_files on one and two threads.

    flock /tmp/corvex-build.lock env PYTHONPATH=build/python /usr/bin/python3 python/benchmarks/speed.py [rounds]

1. A 60 s stereo signal at 48 kHz that the compressor reduces, in interleaved
   rounds: the engine alone (its process() calls over 32-frame blocks, timed
   around the calls only) against Compressor.process on the same float32 array
   (the whole Python call), and on a float64 copy. Prints medians and the
   median of the per-round ratios.
2. Eight 30 s stereo float WAV files, process_files with jobs=1 and jobs=2 in
   interleaved rounds: median seconds and their ratio.
Run it when nothing else runs: the lock keeps builds away.
"""

import statistics
import sys
import tempfile
import time
from pathlib import Path

import numpy as np

import corvex

RATE = 48000


def music(seconds, seed=0):
    """Loud bursts of a bass line and noise, different in each channel."""
    t = np.arange(seconds * RATE)[:, np.newaxis] / RATE
    bursts = 0.4 + 0.6 * (np.sin(2 * np.pi * 1.5 * t) > 0)
    tones = np.sin(2 * np.pi * np.array([55.0, 82.5]) * t) * 0.6
    noise = np.random.default_rng(seed).standard_normal((len(t), 2)) * 0.1
    return ((tones + noise) * bursts).astype(np.float32)


def timed(call):
    start = time.perf_counter()
    call()
    return time.perf_counter() - start


def overhead(rounds):
    x = music(60)
    x64 = x.astype(np.float64)
    c = corvex.Compressor(input_gain=-14.0, ratio="8")
    rows = {"engine": [], "float32": [], "float64": []}
    for _ in range(rounds):
        rows["engine"].append(c._core.engine_alone(x, RATE, False)[2])
        rows["float32"].append(timed(lambda: c.process(x, RATE)))
        rows["float64"].append(timed(lambda: c.process(x64, RATE)))
    engine = statistics.median(rows["engine"])
    print(f"60 s stereo at 48 kHz, {rounds} rounds: engine alone {engine * 1e3:.1f} ms "
          f"({engine / len(x) * 1e9:.1f} ns per frame)")
    for name in ("float32", "float64"):
        ratio = statistics.median(t / e for t, e in zip(rows[name], rows["engine"]))
        print(f"  Compressor.process, {name} in: {statistics.median(rows[name]) * 1e3:.1f} ms, "
              f"{(ratio - 1) * 100:+.1f} % over the engine alone (median of the rounds' ratios)")


def batches(rounds):
    with tempfile.TemporaryDirectory() as folder:
        import soundfile
        paths = [Path(folder) / f"take{i}.wav" for i in range(8)]
        for seed, path in enumerate(paths):
            soundfile.write(path, music(30, seed), RATE, subtype="FLOAT")
        times = {1: [], 2: []}
        for _ in range(rounds):
            for jobs in (1, 2):
                times[jobs].append(timed(lambda: corvex.process_files(paths, Path(folder) / "out", jobs=jobs,
                                                                      progress=False, input_gain=-14.0)))
    one, two = statistics.median(times[1]), statistics.median(times[2])
    print(f"process_files, 8 files of 30 s stereo, {rounds} rounds: jobs=1 {one:.2f} s, jobs=2 {two:.2f} s, "
          f"{one / two:.2f}x faster")


if __name__ == "__main__":
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 11
    overhead(count)
    batches(max(3, count // 2))
