"""What the corvex package's tests share: the built tree, the tool to compare with, test audio."""

import os
import pathlib
import subprocess

import numpy as np
import soundfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = ROOT / os.environ.get("CORVEX_BUILD_DIR", "build")
TOOL = BUILD / "tools" / "corvex" / "corvex"
RATE = 48000


def signal(channels, frames, seed=0):
    """A swelling bass line over noise, loud enough to compress, different in each channel."""
    t = np.arange(frames)[:, np.newaxis] / RATE
    tones = np.sin(2 * np.pi * (110 + 30 * np.arange(channels)) * t) * (0.9 - 0.3 * np.arange(channels))
    noise = np.random.default_rng(seed).standard_normal((frames, channels)) * 0.05
    return (tones * (0.5 + 0.5 * np.sin(2 * np.pi * 2 * t)) + noise).astype(np.float32)


def write(path, audio, subtype="FLOAT"):
    soundfile.write(path, audio, RATE, subtype=subtype)
    return str(path)


def run_tool(folder, audio, *options):
    """`corvex process` over audio at 48 kHz into a float file: the exit status, stderr and the output's samples."""
    write(folder / "tool-in.wav", audio)
    out = folder / "tool-out.wav"
    done = subprocess.run([TOOL, "process", folder / "tool-in.wav", out, "--format", "float", *options],
                          capture_output=True, text=True)
    samples = soundfile.read(out, dtype="float32", always_2d=True)[0] if done.returncode == 0 else None
    return done.returncode, done.stderr, samples
