"""The streaming Delay: the delay it applies, its state across calls, reset
and close, complex signals and per-channel delays."""

import numpy
import pytest

import quorbelin
from conftest import linear_model

RNG = numpy.random.default_rng(7)


def test_linear_delay_matches_the_model_for_real_and_complex_signals():
    samples, channels, max_delay = 300, 3, 12
    real = RNG.standard_normal((samples, channels))
    imag = RNG.standard_normal((samples, channels))
    delays = 14.0 * RNG.random(samples) - 1.0  # below 0 and beyond the maximum too
    per_sample = numpy.repeat(delays[:, None], channels, axis=1)
    with quorbelin.Delay(channels, max_delay) as line:
        assert numpy.array_equal(line.process(real, delays), linear_model(real, per_sample, max_delay))
    with quorbelin.Delay(channels, max_delay, complex=True) as line:
        y = line.process(real + 1j * imag, delays)
    assert y.dtype == numpy.complex128
    assert numpy.array_equal(y.real, linear_model(real, per_sample, max_delay))
    assert numpy.array_equal(y.imag, linear_model(imag, per_sample, max_delay))


def test_per_channel_delays_and_initial_conditions():
    samples, channels, max_delay = 50, 2, 8
    x = RNG.standard_normal((samples, channels))
    delays = RNG.random((samples, channels)) * 9.0
    with quorbelin.Delay(channels, max_delay, per_channel=True, ic=0.25) as line:
        y = line.process(x, delays)
    assert numpy.array_equal(y, linear_model(x, delays, max_delay, ic=0.25))
    with quorbelin.Delay(channels, max_delay, per_channel=True) as line:
        constant = line.process(x, numpy.array([1.0, 3.0]))
    assert numpy.array_equal(constant[3:, 0], x[2:-1, 0])
    assert numpy.array_equal(constant[3:, 1], x[:-3, 1])


@pytest.mark.parametrize("filter_, is_complex", [("linear", False), ("sinc:16:32", False), ("lagrange:3:8", True)])
def test_pieces_of_any_size_give_what_one_call_gives(filter_, is_complex):
    samples, channels = 1000, 2
    x = RNG.standard_normal((samples, channels))
    if is_complex:
        x = x + 1j * RNG.standard_normal((samples, channels))
    delays = 20.0 + 15.0 * numpy.sin(numpy.arange(samples) / 37.0)
    with quorbelin.Delay(channels, 40, filter=filter_, complex=is_complex) as line:
        whole = line.process(x, delays)
    cuts = numpy.sort(RNG.choice(numpy.arange(1, samples), size=40, replace=False))
    cuts = numpy.concatenate([[0, 0], cuts, [samples]])  # an empty piece too
    with quorbelin.Delay(channels, 40, filter=filter_, complex=is_complex) as line:
        pieces = [line.process(x[a:b], delays[a:b]) for a, b in zip(cuts[:-1], cuts[1:])]
    assert numpy.array_equal(numpy.concatenate(pieces), whole)


def test_reset_starts_again_and_close_ends_use():
    x = RNG.standard_normal(64)
    line = quorbelin.Delay(1, 16, filter="sinc:8:16", ic=0.5)
    first = line.process(x, 6.3)
    line.process(x, 6.3)
    line.reset()
    assert numpy.array_equal(line.process(x, 6.3), first)
    line.close()
    line.close()
    assert line.closed
    for use in (lambda: line.process(x, 1.0), line.reset, lambda: line.__enter__()):
        with pytest.raises(ValueError, match="closed"):
            use()


def test_one_dimensional_blocks_and_converted_dtypes():
    ints = numpy.arange(10, dtype=numpy.int16)
    strided = numpy.arange(20.0)[::2]
    with quorbelin.Delay(1, 4) as a, quorbelin.Delay(1, 4) as b:
        from_ints = a.process(ints, 2.0)
        from_strided = b.process(strided, 2.0)
    assert from_ints.shape == (10,) and from_ints.dtype == numpy.float64
    assert numpy.array_equal(from_ints, [0, 0, 0, 1, 2, 3, 4, 5, 6, 7])
    assert numpy.array_equal(from_strided, [0, 0, 0, 2, 4, 6, 8, 10, 12, 14])
