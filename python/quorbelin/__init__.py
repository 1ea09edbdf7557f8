"""Delay signals by a time-varying, fractional number of samples.

Every call runs the real quorbelin block in the stand-in host, exactly as
``quorbelin run`` does: ``delay()`` gives bit for bit what the command-line
tool gives on the same data.

>>> import numpy, quorbelin
>>> quorbelin.delay(numpy.arange(6.0), 2.5)
array([0. , 0. , 0. , 0.5, 1.5, 2.5])

Signals are NumPy arrays of shape (samples,) or (samples, channels), real
(float64) or complex (complex128). Delays are in samples.
"""

import json as _json
import numbers as _numbers

import numpy as _np

from ._quorbelin import BlockError
from ._quorbelin import __version__
from . import _quorbelin

__all__ = ["BlockError", "Delay", "analyze", "delay", "design_filter"]

BlockError.__doc__ = """The block (or the host running it) stopped with a message.

The exception's text is the block's own message, as the command-line tool
prints it.

>>> import numpy, quorbelin
>>> try:
...     quorbelin.delay(numpy.zeros(4), 1.0, max_delay=0)
... except quorbelin.BlockError as error:
...     print(error)
Maximum delay must be a scalar integer > 0
"""


def _signal(x, name="x"):
    """x as a float64 or complex128 array of 1 or 2 dimensions (a copy only
    where the dtype or layout needs one)."""
    array = _np.asarray(x)
    if array.dtype.kind == "c":
        array = array.astype(_np.complex128, copy=False)
    elif array.dtype.kind in "iuf":
        array = array.astype(_np.float64, copy=False)
    else:
        raise TypeError(f"{name} must hold integer, float or complex numbers, not {array.dtype}")
    if array.ndim not in (1, 2):
        raise ValueError(f"{name} must have shape (samples,) or (samples, channels), not {array.shape}")
    if array.ndim == 2 and array.shape[1] == 0:
        raise ValueError(f"{name} has no channels")
    return array


def _rows(signal):
    """The signal as contiguous float64 rows: one per time sample, holding each
    channel's value or (real, imaginary) pair."""
    rows = signal.reshape(signal.shape[0], 1 if signal.ndim == 1 else signal.shape[1])
    if _np.iscomplexobj(rows):
        rows = _np.ascontiguousarray(rows).view(_np.float64)
    return _np.ascontiguousarray(rows, dtype=_np.float64)


def _from_rows(rows, like):
    """Output rows back in the signal's shape and dtype."""
    values = rows.view(_np.complex128) if _np.iscomplexobj(like) else rows
    return values.reshape(-1) if like.ndim == 1 else values


def _real_array(value, name):
    array = _np.asarray(value)
    if array.dtype.kind not in "iuf":
        raise TypeError(f"{name} must hold real numbers, not {array.dtype}")
    return array.astype(_np.float64, copy=False)


def _delays(value, rows, channels, per_channel, allow_nonfinite):
    """Delays as a 2-D float64 array and whether its one row holds for all
    samples. Otherwise it has one row per time sample, or per sample hit with
    per-channel delays; ``rows`` is that count, or None where the run checks
    it."""
    if isinstance(value, bool):
        raise TypeError("delay must be a number or an array of numbers, not bool")
    array = _real_array(value, "delay")
    width = channels if per_channel else 1
    repeated = True
    if array.ndim == 0:
        table = _np.full((1, width), float(array))
    elif per_channel and array.shape == (channels,):
        table = array.reshape(1, channels)
    elif per_channel and array.ndim == 2 and array.shape[1] == channels:
        if rows is not None and array.shape[0] != rows:
            raise ValueError(f"delay has {array.shape[0]} rows; per-channel delays need one per sample ({rows})")
        table, repeated = array, False
    elif not per_channel and array.ndim == 1:
        if rows is not None and array.shape[0] != rows:
            raise ValueError(f"delay has {array.shape[0]} values; the signal has {rows} samples")
        table, repeated = array.reshape(-1, 1), False
    else:
        shapes = f"a number, ({channels},) or (hits, {channels})" if per_channel else "a number or (samples,)"
        raise ValueError(f"delay must be {shapes}, not shape {array.shape}")
    if not allow_nonfinite and not _np.isfinite(table).all():
        raise ValueError("delay holds NaN or infinite values; pass allow_nonfinite=True to hand them to the "
                         "block as they are")
    return _np.ascontiguousarray(table, dtype=_np.float64), repeated


def _filter(value):
    """None, a text, or a finite 2-D float64 array of taps x phases."""
    if value is None or isinstance(value, str):
        return value
    array = _real_array(value, "filter")
    if array.ndim != 2:
        raise ValueError(f"a filter array must be 2-D (taps x phases), not shape {array.shape}")
    if not _np.isfinite(array).all():
        raise ValueError("filter holds NaN or infinite coefficients")
    return array


def _initial_conditions(value):
    """ic as a 2-D float64 array: a number is 1 x 1, a vector one row."""
    if isinstance(value, bool):
        raise TypeError("ic must be a number or an array of numbers, not bool")
    array = _real_array(value, "ic")
    if array.ndim > 2:
        raise ValueError(f"ic must be a number, a vector or a matrix, not shape {array.shape}")
    if not _np.isfinite(array).all():
        raise ValueError("ic holds NaN or infinite values")
    return array.reshape(1, -1) if array.ndim < 2 else array


def _whole(value, name, allow_none=True):
    if value is None and allow_none:
        return None
    if isinstance(value, bool) or not isinstance(value, _numbers.Integral):
        raise TypeError(f"{name} must be a whole number, not {value!r}")
    return int(value)


def _number(value, name):
    if value is None:
        return None
    if isinstance(value, bool) or not isinstance(value, _numbers.Real):
        raise TypeError(f"{name} must be a number, not {value!r}")
    return float(value)


def delay(x, delay, *, max_delay=None, filter="linear", ic=0.0, channels=None, per_channel=False, frame=None,
          lookahead=0, tail=False, allow_nonfinite=False, memory_limit=None):
    """Delays the signal x and returns the delayed signal.

    The result is bit for bit what ``quorbelin run`` writes for the same
    data and options: the same block, run the same way.

    - ``x``: shape (samples,) or (samples, channels); integers and floats
      are converted to float64, complex numbers run the block on complex
      data. Any strides.
    - ``delay`` (samples): a number; one delay per sample (samples,); with
      ``per_channel=True`` one per channel (channels,) or one per sample
      hit and channel (hits, channels).
    - ``max_delay``: the block's maximum delay (a whole number >= 1);
      larger delays are clamped to it. By default the largest delay given,
      rounded up.
    - ``filter``: ``"linear"``, a design such as ``"sinc:32:64"``,
      ``"lagrange:3:32"`` or ``"ls:16:64:0.9"`` (see :func:`design_filter`),
      ``"auto:SNR_DB:BAND"`` (the cheapest design meeting it, as
      :func:`analyze` reports), or a (taps, phases) array.
    - ``ic``: the delay lines' initial contents: a number, one value per
      channel, or a (channels, max_delay) matrix.
    - ``channels``: the block's number of channels: None for x's, or -1 to
      make every element a channel of its own at frame 1.
    - ``per_channel``: one delay per channel, applied to its whole frame.
    - ``frame``: samples per channel per sample hit; chosen by the run when
      None (1 with per-channel delays, where it changes the result).
    - ``lookahead``: hands the block every delay plus N samples and drops
      the first N outputs, so that short delays get the whole filter;
      ``"auto"`` is what the filter needs.
    - ``tail``: also return the samples the delay pushes past the end.
    - ``allow_nonfinite``: hand NaN and infinite delays to the block
      instead of refusing them.
    - ``memory_limit``: bytes the delay lines may take (half the machine's
      memory by default).

    Returns float64, or complex128 for complex x, in x's shape (longer with
    ``tail=True``).

    >>> import numpy, quorbelin
    >>> quorbelin.delay(numpy.arange(8.0), 2.5)
    array([0. , 0. , 0. , 0.5, 1.5, 2.5, 3.5, 4.5])
    >>> quorbelin.delay(numpy.arange(4.0), 1.0, tail=True)
    array([0., 0., 1., 2., 3.])
    >>> y = quorbelin.delay(numpy.ones((100, 2)), 30.25, filter="sinc:32:64")
    >>> y.shape
    (100, 2)

    Raises BlockError with the block's message for parameters it refuses,
    ValueError or TypeError for arguments that do not fit.
    """
    signal = _signal(x)
    samples = signal.shape[0]
    signal_channels = 1 if signal.ndim == 1 else signal.shape[1]
    delays, repeated = _delays(delay, None, signal_channels, bool(per_channel), bool(allow_nonfinite))
    if not bool(per_channel) and not repeated and delays.shape[0] != samples:
        raise ValueError(f"delay has {delays.shape[0]} values; the signal has {samples} samples")
    if lookahead == "auto":
        lookahead = None
    else:
        lookahead = _whole(lookahead, "lookahead", allow_none=False)
    output = _quorbelin._run_delay(
        _rows(signal), signal_channels, _np.iscomplexobj(signal), delays, repeated,
        _number(max_delay, "max_delay"), _filter(filter), _initial_conditions(ic), _number(channels, "channels"),
        bool(per_channel), _whole(frame, "frame"), lookahead, bool(tail), _whole(memory_limit, "memory_limit"))
    return _from_rows(output, signal)


def design_filter(design):
    """A built-in polyphase interpolation filter as a (taps, phases) array.

    ``design`` is ``"lagrange:ORDER:PHASES"`` (order + 1 taps) or
    ``"sinc:TAPS:PHASES[:BETA]"`` (a Kaiser-windowed sinc, beta 8 by
    default). Column p serves the fractional delay p / PHASES. The array can
    be edited and passed as ``filter=`` to :func:`delay` or :class:`Delay`.

    >>> import quorbelin
    >>> quorbelin.design_filter("lagrange:1:2")
    array([[1. , 0.5],
           [0. , 0.5]])

    Raises ValueError for a malformed design.
    """
    if not isinstance(design, str):
        raise TypeError(f"design must be a text such as 'sinc:32:64', not {type(design).__name__}")
    return _quorbelin.design_filter(design)


def analyze(filter, *, bands=None):
    """How accurately an interpolator delays band-limited noise, as a dict.

    The dict is the object ``quorbelin analyze FILTER --json`` prints, built
    by the same code: ``"filter"`` (the text given, None for an array),
    ``"design"`` (for ``"auto:..."``, the design chosen), ``"rows"`` (taps),
    ``"phases"`` (None for linear interpolation), ``"bytes"``,
    ``"min_delay"`` (the smallest whole delay the filter serves in full),
    ``"dc_gain_error"`` and ``"bands"``: for each band B (a fraction of the
    Nyquist rate), ``{"band", "worst_snr_db", "mean_snr_db",
    "worst_fraction"}``, the SNR of white noise limited to B delayed through
    the filter as the block applies it, the worst and the mean over the
    fractional part of the delay. Figures that are not finite are None.

    - ``filter``: ``"linear"``, a design (``"lagrange:ORDER:PHASES"``,
      ``"sinc:TAPS:PHASES[:BETA]"``, ``"ls:TAPS:PHASES:BAND"``), an
      ``"auto:SNR_DB:BAND"`` request for the cheapest design meeting it, or
      a (taps, phases) array.
    - ``bands``: bands to report besides 0.25, 0.5, 0.8, 0.9 and 0.95, each
      in (0, 1]; a number or a sequence of numbers.

    >>> import quorbelin
    >>> report = quorbelin.analyze("sinc:32:64", bands=[0.7])
    >>> report["rows"], report["phases"], report["min_delay"]
    (32, 64, 15)
    >>> [band["band"] for band in report["bands"]]
    [0.25, 0.5, 0.7, 0.8, 0.9, 0.95]
    >>> quorbelin.analyze("linear")["phases"] is None
    True

    Raises ValueError for a filter or band that does not fit, or an auto
    request no design meets.
    """
    if bands is None:
        bands = []
    elif isinstance(bands, _numbers.Real) and not isinstance(bands, bool):
        bands = [bands]
    band_list = [_number(band, "a band") for band in bands]
    if filter is None:
        filter = "linear"
    report = _json.loads(_quorbelin._analyze_json(_filter(filter), band_list))
    if not isinstance(filter, str):
        report["filter"] = None
    return report


class Delay:
    """The block as a streaming object, for real-time-style processing.

    ``Delay(channels, max_delay, *, filter="linear", ic=0.0,
    per_channel=False, complex=False, allow_nonfinite=False,
    memory_limit=None)`` starts one simulation of the block and keeps its
    delay lines between calls to :meth:`process`, so a signal fed in pieces
    of any sizes gives bit for bit what one call gives. The block runs one
    time sample per sample hit.

    - ``channels``: the number of channels (a whole number >= 1).
    - ``max_delay``: the largest delay in samples (a whole number >= 1);
      larger delays are clamped to it, negative ones act as 0.
    - ``filter``: ``"linear"``, a design such as ``"sinc:32:64"`` (see
      :func:`design_filter`), ``"auto:SNR_DB:BAND"``, or a (taps, phases)
      array.
    - ``ic``: the delay lines' initial contents: a number, one value per
      channel, or a (channels, max_delay) matrix.
    - ``per_channel``: one delay per channel instead of one for all.
    - ``complex``: process complex128 signals.
    - ``allow_nonfinite``: pass NaN and infinite delays to the block instead
      of refusing them.
    - ``memory_limit``: bytes the delay lines may take (half the machine's
      memory by default).

    It is a context manager; :meth:`close` releases the block, and any use
    after it raises ValueError. Separate Delay objects run in parallel in
    separate threads: the computation releases the GIL.

    >>> import numpy, quorbelin
    >>> with quorbelin.Delay(1, 4) as line:
    ...     first = line.process(numpy.arange(4.0), 1.5)
    ...     second = line.process(numpy.arange(4.0, 8.0), 1.5)
    >>> numpy.concatenate([first, second])
    array([0. , 0. , 0.5, 1.5, 2.5, 3.5, 4.5, 5.5])
    """

    def __init__(self, channels, max_delay, *, filter="linear", ic=0.0, per_channel=False, complex=False,
                 allow_nonfinite=False, memory_limit=None):
        channels = _whole(channels, "channels", allow_none=False)
        if channels < 1:
            raise ValueError(f"channels must be at least 1, not {channels}")
        self._channels = channels
        self._per_channel = bool(per_channel)
        self._complex = bool(complex)
        self._allow_nonfinite = bool(allow_nonfinite)
        self._core = _quorbelin._Delay(channels, _number(max_delay, "max_delay"), _filter(filter),
                                       _initial_conditions(ic), self._per_channel, self._complex,
                                       _whole(memory_limit, "memory_limit"))

    @property
    def channels(self):
        """The number of channels."""
        return self._channels

    @property
    def closed(self):
        """True once :meth:`close` has released the block."""
        return self._core.closed

    def process(self, x_block, delay_block):
        """Delays the next samples and returns them, in x_block's shape.

        ``x_block`` has shape (samples,) for one channel or (samples,
        channels); ``delay_block`` is a number, one delay per sample
        (samples,), or with ``per_channel=True`` one per channel
        (channels,) or per sample and channel (samples, channels). The
        result is float64, or complex128 for a complex Delay.

        >>> import numpy, quorbelin
        >>> line = quorbelin.Delay(2, 8, per_channel=True)
        >>> line.process(numpy.ones((3, 2)), numpy.array([0.0, 2.0]))
        array([[1., 0.],
               [1., 0.],
               [1., 1.]])
        >>> line.close()
        """
        self._require_open()
        signal = _signal(x_block, "x_block")
        if _np.iscomplexobj(signal) and not self._complex:
            raise TypeError("x_block is complex; create the Delay with complex=True")
        if self._complex:
            signal = signal.astype(_np.complex128, copy=False)
        channels = 1 if signal.ndim == 1 else signal.shape[1]
        if channels != self._channels:
            raise ValueError(f"x_block has {channels} channel(s); the Delay has {self._channels}")
        delays, _ = _delays(delay_block, signal.shape[0], self._channels, self._per_channel, self._allow_nonfinite)
        return _from_rows(self._core.process(_rows(signal), delays), signal)

    def reset(self):
        """Starts again from the initial conditions, as if just created.

        >>> import numpy, quorbelin
        >>> line = quorbelin.Delay(1, 2, ic=1.0)
        >>> line.process(numpy.zeros(3), 2.0)
        array([1., 1., 0.])
        >>> line.reset()
        >>> line.process(numpy.zeros(1), 2.0)
        array([1.])
        """
        self._require_open()
        self._core.reset()

    def close(self):
        """Releases the block; closing again does nothing.

        >>> import quorbelin
        >>> line = quorbelin.Delay(1, 4)
        >>> line.close()
        >>> line.closed
        True
        """
        self._core.close()

    def __enter__(self):
        self._require_open()
        return self

    def __exit__(self, *exception):
        self.close()
        return False

    def __repr__(self):
        state = "closed" if self.closed else "open"
        return f"<quorbelin.Delay channels={self._channels} {state}>"

    def _require_open(self):
        if self._core.closed:
            raise ValueError("operation on a closed Delay")
