"""quorbelin.delay() gives bit for bit what `quorbelin run` writes for the
same data and options, and refuses what the tool refuses."""

import subprocess

import numpy
import pytest

import quorbelin

RNG = numpy.random.default_rng(11)
SAMPLES = 700


def write_csv(path, matrix):
    numpy.savetxt(path, numpy.atleast_2d(matrix), fmt="%.17g", delimiter=",")
    return str(path)


def interleaved(x):
    """Complex columns as the tool's CSV holds them: re1, im1, re2, im2, ..."""
    pairs = numpy.empty((x.shape[0], 2 * x.shape[1]))
    pairs[:, 0::2], pairs[:, 1::2] = x.real, x.imag
    return pairs


def run_tool(tool, tmp_path, x, delay, **options):
    two_d = x.reshape(x.shape[0], -1)
    arguments = [tool, "run", write_csv(tmp_path / "in.csv", interleaved(two_d) if numpy.iscomplexobj(x) else two_d),
                 "-o", str(tmp_path / "out.csv"), "-q"]
    if numpy.ndim(delay) == 0:
        arguments += ["--delay", repr(float(delay))]
    else:
        table = numpy.asarray(delay)
        if table.ndim == 1 and options.get("per_channel"):  # one row per channel for every hit
            frame = options.get("frame", 1)
            table = numpy.tile(table, (-(-x.shape[0] // frame), 1))
        arguments += ["--delay", write_csv(tmp_path / "delay.csv", table.reshape(table.shape[0], -1))]
    if numpy.iscomplexobj(x):
        arguments.append("--complex")
    for name, value in options.items():
        flag = "--" + name.replace("_", "-")
        if value is True:
            arguments.append(flag)
        elif name in ("filter", "ic") and not isinstance(value, (str, float, int)):
            arguments += [flag, write_csv(tmp_path / f"{name}.csv", value)]
        else:
            arguments += [flag, str(value)]
    subprocess.run(arguments, check=True, capture_output=True, text=True)
    out = numpy.loadtxt(tmp_path / "out.csv", delimiter=",", ndmin=2)
    if numpy.iscomplexobj(x):
        out = out[:, 0::2] + 1j * out[:, 1::2]
    return out.reshape(-1) if x.ndim == 1 else out


def stereo():
    return RNG.standard_normal((SAMPLES, 2))


def sweeping_delays(low, high):
    return low + (high - low) * (0.5 + 0.5 * numpy.sin(numpy.arange(SAMPLES) / 53.0))


CASES = {
    "stereo, sinc, delays over time, automatic lookahead":
        lambda: (stereo(), sweeping_delays(0.0, 40.0), dict(filter="sinc:32:64", lookahead="auto")),
    "mono vector, Lagrange, constant delay, tail, initial conditions by position":
        lambda: (RNG.standard_normal(SAMPLES), 7.3,
                 dict(filter="lagrange:3:32", tail=True, max_delay=10, ic=RNG.standard_normal((1, 10)))),
    "complex, per-channel delays per hit, frame 4, an initial value per channel":
        lambda: (stereo() + 1j * stereo(), RNG.random((SAMPLES // 4, 2)) * 30.0,
                 dict(per_channel=True, frame=4, max_delay=32, ic=numpy.array([[0.5, -0.5]]))),
    "per-channel constants, lookahead, filter matrix":
        lambda: (stereo(), numpy.array([3.5, 12.25]),
                 dict(per_channel=True, lookahead=4, filter=quorbelin.design_filter("sinc:8:16") * 0.5)),
    "every element a channel, clamped delays":
        lambda: (RNG.standard_normal((SAMPLES, 3)), sweeping_delays(-5.0, 25.0), dict(channels=-1, max_delay=20)),
    "non-finite delays passed to the block":
        lambda: (stereo(), numpy.where(numpy.arange(SAMPLES) % 97 == 5, numpy.nan, 6.5),
                 dict(allow_nonfinite=True, max_delay=8)),
}


@pytest.mark.parametrize("case", CASES, ids=list(CASES))
def test_delay_is_bit_identical_to_the_tool(case, tool, tmp_path):
    x, delays, options = CASES[case]()
    ours = quorbelin.delay(x, delays, **options)
    theirs = run_tool(tool, tmp_path, x, delays, **options)
    assert ours.dtype == (numpy.complex128 if numpy.iscomplexobj(x) else numpy.float64)
    assert ours.shape == theirs.shape
    assert numpy.array_equal(ours, theirs, equal_nan=True)


def test_frame_and_call_do_not_change_the_result_without_per_channel_delays():
    x = stereo()
    delays = sweeping_delays(0.0, 30.0)
    whole = quorbelin.delay(x, delays, filter="sinc:16:32", max_delay=30)
    assert numpy.array_equal(quorbelin.delay(x, delays, filter="sinc:16:32", max_delay=30, frame=7), whole)
    with quorbelin.Delay(2, 30, filter="sinc:16:32") as line:
        assert numpy.array_equal(line.process(x, delays), whole)


@pytest.mark.parametrize("call, exception", [
    (lambda: quorbelin.delay(numpy.zeros(8), numpy.zeros(7)), ValueError),
    (lambda: quorbelin.delay(numpy.zeros((8, 2)), numpy.zeros((3, 2)), per_channel=True), ValueError),
    (lambda: quorbelin.delay(numpy.zeros(8), numpy.nan), ValueError),
    (lambda: quorbelin.delay(numpy.zeros(8), 1.0, lookahead=-1), ValueError),
    (lambda: quorbelin.delay(numpy.zeros(8), 1.0, lookahead="soon"), TypeError),
    (lambda: quorbelin.delay(numpy.zeros(8), 1.0, frame=0), ValueError),
    (lambda: quorbelin.delay(numpy.zeros((8, 2)), 1.0, channels=3), ValueError),
    (lambda: quorbelin.delay(numpy.zeros(8), 1.0, max_delay=2 ** 30, memory_limit=1024), ValueError),
    (lambda: quorbelin.delay(numpy.zeros(8), 1.0, max_delay=-3), quorbelin.BlockError),
    (lambda: quorbelin.delay(numpy.zeros((8, 2)), 1.0, ic=numpy.ones((3, 3))), quorbelin.BlockError),
    (lambda: quorbelin.delay(numpy.zeros(8, dtype=object), 1.0), TypeError),
    (lambda: quorbelin.delay(numpy.zeros(8), 1.0, max_delay="4"), TypeError),
])
def test_bad_runs_raise_the_matching_exception(call, exception):
    with pytest.raises(exception):
        call()
