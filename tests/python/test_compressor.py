"""corvex.Compressor: the tool's bits, layouts, side chain, meters, streams, pickling, errors and threads."""

import copy
import pickle
import threading

import numpy as np
import pytest

import corvex
from conftest import RATE, run_tool, signal, write

AUTOMATION = "0, Ratio, 4\n1000, Output Gain, -12 dB\n12345, Ratio, All\n0.25 s, SC EQ HPF Freq, 200 Hz\n"
AUTOMATION_DICT = {"ratio": ([0, 12345], [4, "All"]), "output_gain": ([1000], [-12.0]),
                   "SC EQ HPF Freq": ([12000], ["200 Hz"])}
PRESET = "Ratio = 8\nAttack Time = 2\nSC EQ On = On\nSC EQ HPF On = On\nSC EQ HPF Freq = 150 Hz\n"
SIDECHAIN = signal(1, 20000, seed=3)[:, 0] * 2  # shorter than the input: padded with silence

# name: (channels, corvex process options, the compressor, process() arguments); {dir} is the test's folder.
SAME_BITS = {
    "settings": (2, ["--set", "Ratio=12", "--set", "Input Gain=-14", "--set", "SC Detection Mode=Linked"],
                 lambda d: corvex.Compressor(ratio="12", input_gain=-14.0, sc_detection_mode="Linked"), {}),
    "preset, automation": (1, ["--preset", "drum bus glue", "--automation", "{dir}/auto.txt"],
                           lambda d: corvex.Compressor.preset("Drum Bus Glue"), {"automation": AUTOMATION_DICT}),
    "files, raw stream": (2, ["--preset", "{dir}/preset.txt", "--automation", "{dir}/auto.txt", "--keep-latency"],
                          lambda d: corvex.Compressor.from_preset_file(d / "preset.txt"),
                          {"automation": "{dir}/auto.txt", "keep_latency": True}),
    "side chain": (2, ["--sidechain", "{dir}/sc.wav", "--set", "Ratio=20"], lambda d: corvex.Compressor(ratio=20),
                   {"sidechain": SIDECHAIN}),
}


@pytest.mark.parametrize("case", SAME_BITS)
def test_the_tools_bits(tmp_path, case):
    channels, options, make, arguments = SAME_BITS[case]
    (tmp_path / "auto.txt").write_text(AUTOMATION)
    (tmp_path / "preset.txt").write_text(PRESET)
    write(tmp_path / "sc.wav", SIDECHAIN)
    x = signal(channels, RATE)
    status, _, expected = run_tool(tmp_path, x, *[option.format(dir=tmp_path) for option in options])
    arguments = {key: value.format(dir=tmp_path) if isinstance(value, str) else value
                 for key, value in arguments.items()}
    y = make(tmp_path).process(x[:, 0] if channels == 1 else x, RATE, **arguments)
    assert status == 0 and y.dtype == np.float32
    assert np.array_equal(y.reshape(expected.shape).view(np.uint32), expected.view(np.uint32))


# name: (x from a stereo signal s, options, the same audio as (frames, channels) float32, output from its output)
LAYOUTS = {
    "mono (frames,)": (lambda s: s[:, 0], {}, lambda s: s[:, :1], lambda r: r[:, 0]),
    "mono (1, frames)": (lambda s: s[:, :1].T, {"channels_first": True}, lambda s: s[:, :1], lambda r: r.T),
    "stereo (2, frames)": (lambda s: s.T, {"channels_first": True}, lambda s: s, lambda r: r.T),
    "Fortran order": (np.asfortranarray, {}, lambda s: s, lambda r: r),
    "float64, rounded": (lambda s: s / 3.0 + 1e-9, {}, lambda s: (s / 3.0 + 1e-9).astype(np.float32), lambda r: r),
    "no frames": (lambda s: s[:0], {}, lambda s: s[:0], lambda r: r),
}


@pytest.mark.parametrize("case", LAYOUTS)
def test_layouts_and_dtypes(case):
    make_x, options, frames, shaped = LAYOUTS[case]
    s = signal(2, 5000).astype(np.float64)
    c = corvex.Compressor(input_gain=-14.0)
    y = c.process(make_x(s), RATE, **options)
    expected = shaped(c.process(np.ascontiguousarray(frames(s), np.float32), RATE))
    assert y.dtype == np.float32 and y.shape == expected.shape and np.array_equal(y, expected)
    assert np.float32(1e-45) * np.float32(3) > 0  # the engine's flush-to-zero stayed inside the call


MONO_SC = signal(1, 6000, seed=5)[:, 0]
# name: (compressor settings, a call, a call that must render the same)
SIDE_CHAINS = {
    "mono feeds both": ({}, lambda c, x: c.process(x, RATE, sidechain=MONO_SC),
                        lambda c, x: c.process(x, RATE, sidechain=np.stack([MONO_SC, MONO_SC], 1))),
    "padded with silence": ({}, lambda c, x: c.process(x, RATE, sidechain=MONO_SC[:999]),
                            lambda c, x: c.process(x, RATE, sidechain=np.r_[MONO_SC[:999], np.zeros(5001)])),
    "cut to the input": ({}, lambda c, x: c.process(x, RATE, sidechain=np.r_[MONO_SC, MONO_SC]),
                         lambda c, x: c.process(x, RATE, sidechain=MONO_SC)),
    "channels first": ({}, lambda c, x: c.process(x.T, RATE, sidechain=x[:, ::-1].T * 2, channels_first=True).T,
                       lambda c, x: c.process(x, RATE, sidechain=x[:, ::-1] * 2)),
    "external_sc given Off": ({"external_sc": "Off"}, lambda c, x: c.process(x, RATE, sidechain=MONO_SC),
                              lambda c, x: c.process(x, RATE)),
}


@pytest.mark.parametrize("case", SIDE_CHAINS)
def test_side_chain(case):
    settings, call, same = SIDE_CHAINS[case]
    c, x = corvex.Compressor(**settings), signal(2, 6000)
    assert np.array_equal(call(c, x), same(c, x))
    assert not np.array_equal(corvex.Compressor().process(x, RATE, sidechain=MONO_SC), c.process(x, RATE))


@pytest.mark.parametrize("channels, keep_latency", [(1, True), (2, False)])
def test_meters_are_the_engines(channels, keep_latency):
    x, c = signal(channels, 4807), corvex.Compressor(input_gain=-10.0, ratio="All")
    y, meters = c.process(x, RATE, meters=True, keep_latency=keep_latency)
    raw, calls, _ = c._core.engine_alone(x, RATE, True)
    rows = len(calls) if keep_latency else len(x) // 32  # aligned, the last input block runs on into the tail
    total = -(-(len(x) + (0 if keep_latency else c.latency_samples(RATE))) // 32)
    assert np.array_equal(meters.position, np.arange(total) * 32) and meters.gain_reduction.shape == (total, channels)
    for field, first in [("gain_reduction", 0), ("input_peak", 2), ("output_peak", 4)]:
        assert np.array_equal(getattr(meters, field)[:rows], calls[:rows, first:first + channels]), field
    shift, full = (0 if keep_latency else c.latency_samples(RATE)), len(x) // 32 * 32
    assert meters.gain_reduction.min() < 0.5 and np.array_equal(y[:full - shift], raw[shift:full])


def test_points_at_the_end_are_ignored_with_a_warning():
    c, x = corvex.Compressor(), signal(2, 1000)
    with pytest.warns(UserWarning, match=r"1 point\(s\) at or after the input's end \(sample 1000\) ignored"):
        y = c.process(x, RATE, automation={"ratio": ([999, 1000], ["4", "All"])})
    assert np.array_equal(y, c.process(x, RATE))


@pytest.mark.parametrize("sizes, keep_latency", [([1000] * 10, False), ([1, 31, 1968, 100, 4096, 3804], True),
                                                 ([4800, 0, 5200], False)])
def test_a_stream_in_pieces_renders_one_calls_bits(sizes, keep_latency):
    points = [(40, "8"), (1000, "All"), (1001, "4"), (2000, "20"), (7777, "12")]
    x, c, start = signal(2, sum(sizes)), corvex.Compressor(input_gain=-14.0), sizes[0]
    automation = {"ratio": ([p for p, _ in points], [v for _, v in points]), "output_gain": ([start], [-20])}
    whole = c.process(x, RATE, automation=automation, keep_latency=keep_latency, meters=True)
    pieces, start = [], 0
    for index, size in enumerate(sizes):
        ours = [(p - start, v) for p, v in points if start <= p < start + size]
        if index == 1:
            c.set(output_gain=-20)
        pieces.append(c.process(x[start:start + size], RATE, reset=False, keep_latency=keep_latency, meters=True,
                                automation={"ratio": ([p for p, _ in ours], [v for _, v in ours])}))
        start += size
    pieces.append(c.flush(meters=True))
    assert np.array_equal(np.concatenate([y for y, _ in pieces]), whole[0])
    for field in corvex.Meters._fields:
        assert np.array_equal(np.concatenate([getattr(m, field) for _, m in pieces]), getattr(whole[1], field))


def test_pickle_and_copy_keep_the_parameters_not_the_stream():
    c, x = corvex.Compressor.preset("De-Esser", ratio="All", sc_eq_bell_freq=1234.5), signal(2, 3000)
    expected = c.process(x, RATE)
    c.process(x, RATE, reset=False)
    for twin in (pickle.loads(pickle.dumps(c)), copy.copy(c), eval(repr(c), {"corvex": corvex}),
                 corvex.Compressor(**c.parameters)):
        assert twin.parameters == c.parameters
        assert twin.flush().shape == (0,) and np.array_equal(twin.process(x, RATE), expected)


# (option, keyword, value): the message after the argument is the tool's after its option.
VALUE_MISTAKES = [("Input Gain=5", "input_gain", 5), ("Input Gain=nan", "input_gain", float("nan")),
                  ("Ratio=13", "ratio", "13"), ("SC EQ HPF Freq=3 kHz", "sc_eq_hpf_freq", "3 kHz"),
                  ("SC Detection Mode=Wide", "sc_detection_mode", "Wide")]


@pytest.mark.parametrize("option, keyword, value", VALUE_MISTAKES)
def test_value_mistakes_read_as_the_tools(tmp_path, option, keyword, value):
    status, stderr, _ = run_tool(tmp_path, signal(1, 10), "--set", option)
    with pytest.raises(ValueError) as error:
        corvex.Compressor(**{keyword: value})
    assert status == 2 and str(error.value) == f"{keyword}={value!r}: " + stderr.strip().split("': ", 1)[1]


@pytest.mark.parametrize("option, text", [("--preset", "Ratio = 8\nFoo = 1\n"), ("--preset", "Ratio 8\n"),
                                          ("--automation", "0, Ratio, 8\n1 s, Ratio, 9\n"),
                                          ("--automation", "soon, Ratio, 8\n")])
def test_file_mistakes_read_as_the_tools(tmp_path, option, text):
    path = tmp_path / "file.txt"
    path.write_text(text)
    status, stderr, _ = run_tool(tmp_path, signal(1, 10), option, str(path))
    with pytest.raises(ValueError) as error:
        if option == "--preset":
            corvex.Compressor.from_preset_file(path)
        else:
            corvex.Compressor().process(signal(1, 10), RATE, automation=path)
    assert status == 2 and "corvex: " + str(error.value) == stderr.strip()


C, STREAM, X = corvex.Compressor(), corvex.Compressor(), np.zeros((10, 2), np.float32)
MISTAKES = [
    (lambda: corvex.Compressor(foo=1), ValueError, 'foo=1: unknown parameter "foo" (corvex.parameter_names() lists them)'),
    (lambda: corvex.Compressor(input_gain=-6, **{"Input Gain": -7}), ValueError,
     "Input Gain=-7: \"Input Gain\" is given more than once"),
    (lambda: corvex.Compressor.preset("Loud"), ValueError, '"Loud" is not a factory preset (' +
     ", ".join(corvex.factory_presets()) + ")"),
    (lambda: C.process(X, 0), ValueError, "sample_rate is 0 Hz; 1 to 192000 Hz are supported"),
    (lambda: C.process(X, 192001), ValueError, "sample_rate is 192001 Hz; 1 to 192000 Hz are supported"),
    (lambda: C.latency_samples(44100.5), ValueError,
     "sample_rate is 44100.5; a whole number of Hz from 1 to 192000 is needed"),
    (lambda: C.process(X.T, RATE), ValueError, "x has 10 channels; mono and stereo audio are supported "
     "(pass channels_first=True for a (channels, frames) array)"),
    (lambda: C.process(X[None], RATE), ValueError, "x has shape (1, 10, 2); expected (frames,), (frames, channels), "
     "or (channels, frames) with channels_first=True"),
    (lambda: C.process(X.astype(np.int16), RATE), TypeError,
     "x holds int16 samples; pass float32 or float64 audio, full scale 1.0"),
    (lambda: C.process(X[:, 0], RATE, sidechain=X), ValueError,
     "sidechain has 2 channels for a 1-channel input; use a mono side chain or one with the input's channels"),
    (lambda: C.process(X, RATE, automation={"ratio": ([0, 5], ["4"])}), ValueError,
     'automation "ratio": 2 positions for 1 values'),
    (lambda: C.process(X, RATE, automation={"ratio": ([-1], ["4"])}), ValueError,
     'automation "ratio" at -1: -1 is not a position: a sample index from 0'),
    (lambda: [c.process(X, RATE, reset=False, meters=m) for c in [corvex.Compressor()] for m in (False, True)],
     ValueError, "the open stream started without meters=True; ask for meters from its first call"),
    (lambda: [STREAM.process(x, RATE, reset=False) for x in (X, X[:, 0])], ValueError,
     "the open stream has 2 channel(s) at 48000 Hz, keep_latency=False; call flush() or reset() before "
     "starting another"),
]


@pytest.mark.parametrize("call, kind, message", MISTAKES)
def test_mistakes_are_one_line_exceptions(call, kind, message):
    with pytest.raises(kind) as error:
        call()
    assert str(error.value) == message


def test_the_audio_runs_without_the_gil_and_a_second_thread_is_refused():
    c, x, seen, done = corvex.Compressor(), signal(2, 10 * RATE), [], threading.Event()

    def worker():
        for _ in range(20):  # until this thread saw the compressor busy, from Python code run meanwhile
            if not seen:
                c.process(x, RATE)
        done.set()

    thread = threading.Thread(target=worker)
    thread.start()
    while not done.is_set() and not seen:
        try:
            c.reset()
        except RuntimeError as error:
            seen.append(str(error))
    thread.join()
    assert seen == ["this corvex.Compressor is in use by another thread; give each thread its own "
                    "(copy.copy(compressor) makes one with the same settings)"]
