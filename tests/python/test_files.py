"""Files: the tool's files from process_file, a batch past a bad file, the Dask example, the wheel."""

import os
import shutil
import subprocess
import sys

import numpy as np
import pytest
import soundfile

import corvex
from conftest import RATE, ROOT, TOOL, signal, write


def same_file(left, right):
    """The same encoding, rate and sample bits."""
    (a, rate_a), (b, rate_b) = (soundfile.read(path, dtype="float32", always_2d=True) for path in (left, right))
    same_bits = np.array_equal(a.view(np.uint32), b.view(np.uint32))
    return same_bits and (soundfile.info(left).subtype, rate_a) == (soundfile.info(right).subtype, rate_b)


# name: (output extension, corvex process options, process_file arguments); {dir} is the test's folder.
FILES = {
    "16-bit WAV, clipped": ("wav", ["--format", "wav16", "--set", "Output Gain=0"], {"format": "wav16", "output_gain": 0}),
    "FLAC, preset, automation": ("flac", ["--preset", "Vocal Leveller", "--automation", "{dir}/auto.txt"],
                                 {"preset": "Vocal Leveller", "automation": "{dir}/auto.txt"}),
    "float, side chain, raw": ("wav", ["--format", "float", "--sidechain", "{dir}/sc.wav", "--keep-latency"],
                               {"format": "float", "sidechain": "{dir}/sc.wav", "keep_latency": True}),
}


@pytest.mark.parametrize("case", FILES)
def test_process_file_writes_the_tools_file(tmp_path, case):
    extension, options, arguments = FILES[case]
    fill = lambda value: value.format(dir=tmp_path) if isinstance(value, str) else value  # noqa: E731
    (tmp_path / "auto.txt").write_text("0, Ratio, 8\n0.1 s, Output Gain, -6 dB\n")
    write(tmp_path / "sc.wav", signal(1, 3000, seed=4))
    source = write(tmp_path / "in.wav", signal(2, 9000), "PCM_24")
    subprocess.run([TOOL, "process", source, tmp_path / f"tool.{extension}", *map(fill, options)], check=True,
                   capture_output=True)
    summary = corvex.process_file(source, tmp_path / f"ours.{extension}", **{k: fill(v) for k, v in arguments.items()})
    assert summary == {"frames": 9000, "sample_rate": RATE, "channels": 2, "ignored_points": 0}
    assert same_file(tmp_path / f"ours.{extension}", tmp_path / f"tool.{extension}")


def test_process_files_goes_on_past_bad_files(tmp_path, capfd):
    inputs = [write(tmp_path / f"take{i}.wav", signal(2 - i % 2, 4000 + i, seed=i)) for i in range(3)]
    bad = tmp_path / "bad.wav"
    bad.write_bytes(b"not audio")
    (tmp_path / "again").mkdir()
    twin = write(tmp_path / "again" / "take0.wav", signal(1, 100))
    out = tmp_path / "out"
    result = corvex.process_files([inputs[0], bad, inputs[1], twin, inputs[2]], out, jobs=2, ratio="All")
    assert list(result) == [inputs[0], str(bad), inputs[1], twin, inputs[2]]
    assert result[str(bad)].startswith(f"'{bad}' is not an audio file that can be read: ")
    assert result[twin] == f"out_path '{out / 'take0.wav'}' is also the output of '{inputs[0]}'"
    assert sorted(os.listdir(out)) == ["take0.wav", "take1.wav", "take2.wav"]
    for path in inputs:
        assert result[path] is None
        corvex.process_file(path, tmp_path / "one.wav", ratio="All")
        assert same_file(out / os.path.basename(path), tmp_path / "one.wav")
    errors = capfd.readouterr().err
    assert f"corvex: '{bad}' is not an audio file" in errors and errors.endswith("3 of 5 files processed, 2 failed\n")


def test_the_dask_example_on_a_local_cluster(tmp_path):
    (tmp_path / "in").mkdir()
    takes = [write(tmp_path / "in" / f"take{i}.wav", signal(2, 4800, seed=i)) for i in range(2)]
    done = subprocess.run([sys.executable, ROOT / "python" / "examples" / "dask_folder.py", tmp_path / "in",
                           tmp_path / "out", "--preset", "Mix Bus Limiter", "--set", "output_gain=-30"],
                          capture_output=True, text=True, timeout=300)
    assert done.returncode == 0 and done.stdout.endswith("2 of 2 files processed, 0 failed\n"), done.stderr
    for take in takes:
        corvex.process_file(take, tmp_path / "one.wav", preset="Mix Bus Limiter", output_gain=-30)
        assert same_file(tmp_path / "out" / os.path.basename(take), tmp_path / "one.wav")


def test_the_wheel_from_clean_sources_runs_in_a_new_environment(tmp_path):
    (tmp_path / "tree").mkdir()
    shutil.copy(ROOT / "CMakeLists.txt", tmp_path / "tree")
    for part in ["cmake", "core", "engine", "libraries", "model", "tools", "python"]:
        shutil.copytree(ROOT / part, tmp_path / "tree" / part, ignore=shutil.ignore_patterns("build", "dist", "*.egg*"))
    environment = {key: value for key, value in os.environ.items() if key != "PYTHONPATH"}
    run = lambda *command: subprocess.run(command, check=True, capture_output=True, text=True,  # noqa: E731
                                          env=environment, cwd=tmp_path)
    run("/usr/bin/python3", "-m", "build", "--no-isolation", "--wheel",
        "--outdir", tmp_path / "dist", tmp_path / "tree" / "python")
    run("/usr/bin/python3", "-m", "venv", "--system-site-packages", tmp_path / "venv")
    run(tmp_path / "venv" / "bin" / "pip", "install", "--no-index", *(tmp_path / "dist").glob("corvex-*.whl"))
    x = signal(2, 9000)
    np.save(tmp_path / "x.npy", x)
    script = ("import corvex, numpy, sys; print(corvex.__file__); "
              "numpy.save('y.npy', corvex.Compressor(ratio='All').process(numpy.load('x.npy'), 48000))")
    done = run(tmp_path / "venv" / "bin" / "python", "-c", script)
    assert done.stdout.startswith(str(tmp_path / "venv" / "lib"))
    assert np.array_equal(np.load(tmp_path / "y.npy"), corvex.Compressor(ratio="All").process(x, RATE))
