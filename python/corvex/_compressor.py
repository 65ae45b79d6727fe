"""corvex.Compressor: the engine on numpy arrays."""

import numbers
import operator
import os
import warnings
from typing import NamedTuple

import numpy as np

from corvex import _corvex

MAX_SAMPLE_RATE = 192000


class Meters(NamedTuple):
    """The engine's meters, one row per 32 samples of its stream.

    The engine runs on a grid of 32 samples counted from the stream's first
    sample (cut further at automation points); row k holds the calls over
    stream samples `position[k]` to `position[k] + 31`: the smallest gain and
    the largest input and output peak among them, per channel, as linear values
    (20 * log10 gives dB). The output meter sees the engine's own delayed
    output: with the latency removed, output sample j lies in the row of stream
    sample j + latency. A whole call (reset=True) meters the flushed tail too,
    so rows cover the input and the latency after it.
    """

    position: np.ndarray        #: int64, (rows,): the first stream sample of each row
    gain_reduction: np.ndarray  #: float32, (rows, channels): smallest gain, 1.0 for none
    input_peak: np.ndarray      #: float32, (rows, channels): largest input magnitude
    output_peak: np.ndarray     #: float32, (rows, channels): largest output magnitude


def _value_text(key, value):
    """A value as `corvex process --set` reads it: the text, or the shortest number that is the same double."""
    if isinstance(value, str):
        return value
    if isinstance(value, (bool, np.bool_)):
        return "On" if value else "Off"
    if isinstance(value, numbers.Real):
        text = repr(float(value))
        return text[:-2] if text.endswith(".0") else text
    raise TypeError(f"{key}={value!r}: a value is a number or a text such as 'On', not {type(value).__name__}")


def _parameter_texts(params):
    return [(key, _value_text(key, value), f"{key}={value!r}") for key, value in params.items()]


def _automation(automation):
    """The automation for the core: (points, None) from a dict, ([], (text, path)) from a file."""
    if automation is None:
        return [], None
    if isinstance(automation, (str, os.PathLike)):
        path = os.fspath(automation)
        with open(path, encoding="utf-8") as file:
            return [], (file.read(), path)
    points = []
    for key, (positions, values) in automation.items():
        positions, values = list(positions), list(values)
        if len(positions) != len(values):
            raise ValueError(f'automation "{key}": {len(positions)} positions for {len(values)} values')
        for position, value in zip(positions, values):
            label = f'automation "{key}" at {position}'
            points.append((operator.index(position), key, _value_text(label, value), label))
    return points, None


def _sample_rate(sample_rate):
    if isinstance(sample_rate, numbers.Real) and float(sample_rate).is_integer():
        if 1 <= sample_rate <= MAX_SAMPLE_RATE:
            return int(sample_rate)
        raise ValueError(f"sample_rate is {sample_rate} Hz; 1 to {MAX_SAMPLE_RATE} Hz are supported")
    raise ValueError(f"sample_rate is {sample_rate!r}; a whole number of Hz from 1 to {MAX_SAMPLE_RATE} is needed")


def _frames(audio, name, channels_first):
    """audio as a C-ordered float32 (frames, channels) array, and the number of dimensions it came with."""
    array = np.asarray(audio)
    if array.dtype.kind != "f":
        raise TypeError(f"{name} holds {array.dtype} samples; pass float32 or float64 audio, full scale 1.0")
    if array.ndim == 1:
        array = array[:, np.newaxis]
    elif array.ndim == 2:
        array = array.T if channels_first else array
    else:
        raise ValueError(f"{name} has shape {array.shape}; expected (frames,), (frames, channels), "
                         "or (channels, frames) with channels_first=True")
    if array.shape[1] not in (1, 2):
        hint = "" if channels_first else " (pass channels_first=True for a (channels, frames) array)"
        raise ValueError(f"{name} has {array.shape[1]} channels; mono and stereo audio are supported{hint}")
    return np.ascontiguousarray(array, dtype=np.float32), np.ndim(audio)


def _shaped(frames, ndim, channels_first):
    """The output in the input's layout."""
    if ndim == 1:
        return frames[:, 0]
    return np.ascontiguousarray(frames.T) if channels_first else frames


def _restore(settings):
    compressor = Compressor()
    compressor._core.restore(settings)
    return compressor


class Compressor:
    """The Corvex feedback compressor/limiter, on numpy arrays.

    Parameters are the engine's, named in snake case (`corvex.parameter_names()`
    lists them: input_gain, ratio, sc_detection_mode, ...), with values as
    displayed and as `corvex process --set` takes them: a number on the
    parameter's scale (-14.0, or a text with its unit, "-14 dB"), or a switch or
    choice text in any case ("12", "All", "Linked", "On"; True and False for
    switches). Note that input_gain and output_gain are shown from -48 to 0 dB
    while the engine applies 24 dB more (-24 is unity gain). The engine's own
    names ("Input Gain") and identifiers are taken too. Parameters not given
    keep their defaults. A mistake raises ValueError with the tool's one-line
    message, such as `input_gain=5: 5 is outside the range of "Input Gain",
    -48 to 0 dB`.

        c = corvex.Compressor(ratio="12", input_gain=-14.0, sc_detection_mode="Linked")
        c = corvex.Compressor.preset("Drum Bus Glue", output_gain=-20)
        c = corvex.Compressor.from_preset_file("vocal.txt")
        y = c.process(x, 48000)

    The output is the same float32 bits as `corvex process` gives for the same
    input, settings and automation, on every machine: the engine is called in
    blocks cut at every multiple of 32 samples counted from the stream's first
    sample and at every automation point, as the tool calls it.

    Threads: the audio runs with the GIL released, so other Python threads go
    on meanwhile, and compressors on several threads run on several cores. One
    compressor serves one thread at a time: a call from a second thread while
    another is processing raises RuntimeError (copy.copy(c) makes a compressor
    with the same settings). process_file may run on several threads at once.

    Pickling (and copy.copy) keeps the parameters, not the audio state, so
    multiprocessing and Dask can ship a configured compressor.
    """

    def __init__(self, **params):
        self._core = _corvex.Core()
        self._layout = (1, False)  # how the open stream's input came, for flush()
        if params:
            self._core.set(_parameter_texts(params))

    @classmethod
    def preset(cls, name, **params):
        """A compressor with a factory preset (`corvex.factory_presets()`), params on top of it."""
        found = _corvex.factory_preset(name)
        if found is None:
            raise ValueError(f'"{name}" is not a factory preset ({", ".join(_corvex.factory_presets())})')
        compressor = cls()
        compressor._core.load_preset(found[1], found[0])
        compressor.set(**params)
        return compressor

    @classmethod
    def from_preset_file(cls, path, **params):
        """A compressor with a preset file (one `NAME = VALUE` a line, as `corvex process --preset FILE` reads)."""
        path = os.fspath(path)
        with open(path, encoding="utf-8") as file:
            text = file.read()
        compressor = cls()
        compressor._core.load_preset(text, path)
        compressor.set(**params)
        return compressor

    def set(self, **params):
        """Sets parameters, as the constructor takes them. During a stream (reset=False) they change at the
        sample the stream has reached."""
        if params:
            self._core.set(_parameter_texts(params))

    @property
    def parameters(self):
        """Every parameter's value as displayed: {name: number or text}; Compressor(**c.parameters) is alike."""
        return dict(self._core.values(False))

    def latency_samples(self, sample_rate):
        """The engine's delay at this rate (5 ms), which process() removes unless keep_latency=True."""
        return self._core.latency_samples(_sample_rate(sample_rate))

    def process(self, x, sample_rate, sidechain=None, *, channels_first=False, meters=False, automation=None,
                reset=True, keep_latency=False):
        """Compresses x and returns float32 audio in x's layout.

        x: float32 or float64 (float64 is rounded to float32 first), of shape
        (frames,) for mono or (frames, channels) for 1 or 2 channels, or
        (channels, frames) with channels_first=True.

        sample_rate: 1 to 192000 Hz.

        sidechain: audio for the side-chain input, in x's layout, mono (it then
        feeds every channel) or with x's channels; aligned at the start, padded
        with silence or cut to x's length. It switches external_sc on unless the
        compressor's settings give it (as `corvex process --sidechain` does);
        in a stream, when the stream's first call has one.

        meters: also return a Meters of the engine's meters, one row per 32
        samples: `y, m = c.process(x, 48000, meters=True)`.

        automation: parameter changes during x, {name: (positions, values)}
        with positions in samples of x (a value applies from its sample on),
        such as {"output_gain": ([0, 48000], [-24.0, -12.0])}, or the path of
        an automation file (`POSITION, NAME, VALUE` a line, as `corvex process
        --automation` reads). Points at or after x's end are ignored with a
        warning.

        reset: True (the default) processes x as a whole stream: the engine
        starts afresh and its tail is flushed, so the output has x's length.
        False continues the stream of the previous reset=False calls (or starts
        one) and returns the frames completed so far: the engine works in blocks
        of 32 and, aligned, holds back its latency, so a call returns up to 31
        frames more or fewer than it was given (fewer by the latency at first).
        flush() returns the rest; the pieces joined are the bits one call gives.

        keep_latency: False (the default) aligns the output with the input by
        removing the engine's latency; True gives the raw stream, delayed by
        latency_samples(sample_rate), of the same length.
        """
        rate = _sample_rate(sample_rate)
        frames, ndim = _frames(x, "x", channels_first)
        side = None
        if sidechain is not None:
            side, _ = _frames(sidechain, "sidechain", channels_first)
            if side.shape[1] not in (1, frames.shape[1]):
                raise ValueError(f"sidechain has {side.shape[1]} channels for a {frames.shape[1]}-channel input; "
                                 "use a mono side chain or one with the input's channels")
            fitted = np.zeros((len(frames), side.shape[1]), np.float32)
            fitted[:len(side)] = side[:len(frames)]
            side = fitted
        points, file = _automation(automation)
        output, ignored, rows = self._core.process(frames, rate, side, points, file, reset, keep_latency, meters)
        if ignored:
            warnings.warn(f"automation: {ignored} point(s) at or after the input's end (sample {len(frames)}) "
                          "ignored", stacklevel=2)
        if not reset:
            self._layout = (ndim, channels_first)
        y = _shaped(output, ndim, channels_first)
        return (y, Meters(*rows)) if meters else y

    def flush(self, *, meters=False):
        """Ends the stream of process(..., reset=False) calls: returns its remaining output (with meters=True,
        and its Meters), in the layout of its last call; empty when no stream is open."""
        output, rows = self._core.flush(meters)
        y = _shaped(output, *self._layout)
        return (y, Meters(*rows)) if meters else y

    def reset(self):
        """Drops the open stream and its audio state; the parameters stay."""
        self._core.reset()

    def __reduce__(self):
        return _restore, (self._core.settings(),)

    def __repr__(self):
        given = ", ".join(f"{name}={value!r}" for name, value in self._core.values(True))
        return f"corvex.Compressor({given})"
