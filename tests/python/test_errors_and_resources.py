"""What goes wrong raises the right exception, and nothing is left behind:
not by closed objects, not by failing calls."""

import gc

import numpy
import pytest

import quorbelin
from quorbelin import _quorbelin


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * 4096


@pytest.mark.parametrize("make, message", [
    (lambda: quorbelin.Delay(1, 0), "Maximum delay"),
    (lambda: quorbelin.Delay(1, 2.5), "Maximum delay"),
    (lambda: quorbelin.Delay(2, 8, ic=numpy.ones((3, 3))), ""),
    (lambda: quorbelin.Delay(1, 2.0 ** 40), "Maximum delay"),
])
def test_the_blocks_message_raises_block_error(make, message):
    with pytest.raises(quorbelin.BlockError, match=message) as caught:
        make()
    assert isinstance(caught.value, RuntimeError) and str(caught.value)


@pytest.mark.parametrize("call, exception", [
    (lambda line: line.process(numpy.zeros((4, 3)), 1.0), ValueError),           # channels
    (lambda line: line.process(numpy.zeros((2, 2, 2)), 1.0), ValueError),        # dimensions
    (lambda line: line.process(numpy.zeros(4), numpy.zeros(3)), ValueError),     # delay length
    (lambda line: line.process(numpy.zeros(4), numpy.zeros((4, 2))), ValueError),
    (lambda line: line.process(numpy.zeros(3), [1.0, numpy.nan, 1.0]), ValueError),
    (lambda line: line.process(numpy.zeros(2), numpy.inf), ValueError),
    (lambda line: line.process(numpy.array(["a", "b"]), 1.0), TypeError),
    (lambda line: line.process(numpy.zeros(2, dtype=complex), 1.0), TypeError),  # real Delay
    (lambda line: line.process(numpy.zeros(2), 1.0 + 2.0j), TypeError),
    (lambda line: line.process(numpy.zeros(2), True), TypeError),
])
def test_bad_arguments_raise_value_or_type_error(call, exception):
    with quorbelin.Delay(1, 8) as line:
        with pytest.raises(exception):
            call(line)
        # The Delay stays usable after a refused call.
        assert numpy.array_equal(line.process(numpy.ones(3), 1.0), [0.0, 1.0, 1.0])


@pytest.mark.parametrize("make, exception", [
    (lambda: quorbelin.Delay(0, 8), ValueError),
    (lambda: quorbelin.Delay(1.5, 8), TypeError),
    (lambda: quorbelin.Delay(1, "8"), TypeError),
    (lambda: quorbelin.Delay(1, 8, filter="cubic"), ValueError),
    (lambda: quorbelin.Delay(1, 8, filter="sinc:0:4"), ValueError),
    (lambda: quorbelin.Delay(1, 8, filter=numpy.full((2, 2), numpy.nan)), ValueError),
    (lambda: quorbelin.Delay(1, 8, filter=numpy.ones(4)), ValueError),
    (lambda: quorbelin.Delay(1, 8, ic=numpy.nan), ValueError),
    (lambda: quorbelin.design_filter("sinc:32"), ValueError),
    (lambda: quorbelin.design_filter("cubic:3:4"), ValueError),
    (lambda: quorbelin.design_filter(32), TypeError),
])
def test_bad_construction_raises_value_or_type_error(make, exception):
    with pytest.raises(exception):
        make()


def test_no_block_outlives_its_object_over_ten_thousand_cycles():
    x = numpy.linspace(-1.0, 1.0, 64).reshape(32, 2)

    def cycles(count):
        for i in range(count):
            with quorbelin.Delay(2, 2000, filter="lagrange:3:4") as line:
                line.process(x, 3.5)
            # A refused construction and a refused call must leave nothing.
            with pytest.raises(quorbelin.BlockError):
                quorbelin.Delay(2, 2000, ic=numpy.ones((3, 5)))
            if i % 10 == 0:
                quorbelin.Delay(2, 2000).process(x, 1.0)  # dropped unclosed
        gc.collect()

    cycles(1000)
    settled = resident_bytes()
    cycles(10000)
    # Each leaked block would keep two delay lines of 2000 doubles (32 KB):
    # 10,000 of them more than 300 MB.
    assert resident_bytes() - settled < 16 * 1024 * 1024
    assert _quorbelin._live_host_allocations() == 0
