"""Shared helpers of the Python module's tests: the command-line tool to
compare with, and an independent model of linear-interpolation delay."""

import os
import pathlib

import numpy
import pytest


@pytest.fixture(scope="session")
def tool():
    path = os.environ.get("QUORBELIN_TOOL")
    if not path or not pathlib.Path(path).is_file():
        pytest.fail("QUORBELIN_TOOL must name the built quorbelin executable (CTest sets it)")
    return path


def linear_model(x, delays, max_delay, ic=0.0):
    """y[n] = f * x[n - D - 1] + (1 - f) * x[n - D], with D + f the delay
    clamped to [0, max_delay] and the samples before the start taken from ic.
    x is (samples, channels); delays (samples, channels)."""
    samples, channels = x.shape
    y = numpy.zeros_like(x)
    for n in range(samples):
        for c in range(channels):
            d = min(max(delays[n, c], 0.0), float(max_delay))
            whole = int(numpy.floor(d))
            fraction = d - whole

            def at(k):
                return x[k, c] if k >= 0 else ic

            y[n, c] = fraction * at(n - whole - 1) + (1.0 - fraction) * at(n - whole)
    return y
