"""Audio files, one or a batch across cores, read and written as `corvex process` does."""

import os
import sys
import warnings
from concurrent.futures import ThreadPoolExecutor, as_completed

from corvex import _corvex
from corvex._compressor import Compressor, _automation

try:
    from tqdm import tqdm
except ImportError:  # the bar is optional (python3-tqdm, or pip install corvex[files])
    tqdm = None


class _NoBar:
    """What process_files uses of a tqdm bar, when there is none."""

    def __init__(self, **_):
        pass

    def __enter__(self):
        return self

    def __exit__(self, *_):
        pass

    def update(self):
        pass

    @staticmethod
    def write(text, file):
        print(text, file=file)


def _compressor(compressor, preset, params):
    if compressor is not None:
        if preset is not None or params:
            raise TypeError("give a compressor, or a preset and parameters, not both")
        return compressor
    if preset is None:
        return Compressor(**params)
    if _corvex.factory_preset(os.fspath(preset)) is not None:
        return Compressor.preset(os.fspath(preset), **params)
    if not os.path.exists(preset):
        raise ValueError(f"preset '{os.fspath(preset)}' is neither a factory preset "
                         "(corvex.factory_presets() lists them) nor a file")
    return Compressor.from_preset_file(preset, **params)


def process_file(in_path, out_path, preset=None, automation=None, *, sidechain=None, keep_latency=False,
                 format=None, compressor=None, **params):
    """Processes an audio file into another, as `corvex process IN OUT` does, with the same bits.

    Reading and writing go through the tool's own code (libsndfile): WAV, AIFF,
    FLAC and Ogg in, mono or stereo; out_path's extension chooses its type
    (.wav, .aiff, .flac, .ogg, .mp3, .opus) and it keeps the input's encoding
    where it can unless format ("wav16", "wav24", "float", "flac") says
    otherwise; integer formats clip. The output is written under a temporary
    name and renamed at the end, so a failure leaves nothing behind.

    The settings: a configured compressor, or preset (a factory preset's name
    or a preset file) and params, as Compressor takes them. automation is a
    dict {name: (positions, values)} or an automation file, whose seconds
    ("1.5 s") count at the input's rate. sidechain is a file of the input's
    rate, mono or with the input's channels. keep_latency as in
    Compressor.process.

    Mistakes raise ValueError with the tool's message (OSError for an
    automation file that cannot be read). Returns {"frames", "sample_rate",
    "channels", "ignored_points"}. Runs with the GIL released.
    """
    compressor = _compressor(compressor, preset, params)
    points, file = _automation(automation)
    summary = compressor._core.process_file(os.fspath(in_path), os.fspath(out_path),
                                            os.fspath(sidechain) if sidechain is not None else "", points, file,
                                            keep_latency, format or "")
    if summary["ignored_points"]:
        warnings.warn(f"automation: {summary['ignored_points']} point(s) at or after the input's end "
                      f"(sample {summary['frames']}) ignored", stacklevel=2)
    return summary


def process_files(paths, out_dir, jobs=None, *, progress=True, preset=None, automation=None, keep_latency=False,
                  format=None, compressor=None, **params):
    """Processes many files into out_dir (each under its own name) on `jobs` threads, default one per core.

    The settings are those of process_file and apply to every file. A file that
    fails is reported on stderr with its message and the others go on; a
    progress bar (tqdm, progress=False hides it) and a summary line go to
    stderr. Returns {path: None for a file processed, else the message}.

    The engine runs with the GIL released, so the threads use every core. To
    spread a batch over several machines, see python/examples/dask_folder.py.
    """
    compressor = _compressor(compressor, preset, params)
    points, file = _automation(automation)
    os.makedirs(out_dir, exist_ok=True)
    paths = [os.fspath(path) for path in paths]
    failures, outputs = {}, {}
    bar = (tqdm if tqdm and progress else _NoBar)(total=len(paths), unit="file", file=sys.stderr)

    def fail(path, message):
        failures[path] = message
        bar.write(f"corvex: {message if path in message else path + ': ' + message}", file=sys.stderr)
        bar.update()

    def run(path):
        compressor._core.process_file(path, outputs[path], "", points, file, keep_latency, format or "")

    first = {}
    for path in paths:
        outputs[path] = os.path.join(out_dir, os.path.basename(path))
        if first.setdefault(outputs[path], path) != path:
            fail(path, f"out_path '{outputs[path]}' is also the output of '{first[outputs[path]]}'")
    with bar, ThreadPoolExecutor(jobs or os.cpu_count()) as pool:
        running = {pool.submit(run, path): path for path in paths if path not in failures}
        for done in as_completed(running):
            try:
                done.result()
                bar.update()
            except Exception as error:  # one file's failure does not stop the others
                fail(running[done], str(error))
    print(f"corvex: {len(paths) - len(failures)} of {len(paths)} files processed, {len(failures)} failed",
          file=sys.stderr)
    return {path: failures.get(path) for path in paths}
