from types import TracebackType
from typing import Literal, Optional, Type, Union

import numpy
import numpy.typing

__version__: str

ArrayLike = numpy.typing.ArrayLike
Filter = Union[str, numpy.typing.ArrayLike]

class BlockError(RuntimeError): ...

def delay(
    x: ArrayLike,
    delay: ArrayLike,
    *,
    max_delay: Optional[float] = None,
    filter: Filter = "linear",
    ic: ArrayLike = 0.0,
    channels: Optional[int] = None,
    per_channel: bool = False,
    frame: Optional[int] = None,
    lookahead: Union[int, Literal["auto"]] = 0,
    tail: bool = False,
    allow_nonfinite: bool = False,
    memory_limit: Optional[int] = None,
) -> numpy.ndarray: ...

def design_filter(design: str) -> numpy.ndarray: ...

class Delay:
    def __init__(
        self,
        channels: int,
        max_delay: float,
        *,
        filter: Filter = "linear",
        ic: ArrayLike = 0.0,
        per_channel: bool = False,
        complex: bool = False,
        allow_nonfinite: bool = False,
        memory_limit: Optional[int] = None,
    ) -> None: ...
    @property
    def channels(self) -> int: ...
    @property
    def closed(self) -> bool: ...
    def process(self, x_block: ArrayLike, delay_block: ArrayLike) -> numpy.ndarray: ...
    def reset(self) -> None: ...
    def close(self) -> None: ...
    def __enter__(self) -> "Delay": ...
    def __exit__(
        self,
        exc_type: Optional[Type[BaseException]],
        exc_value: Optional[BaseException],
        traceback: Optional[TracebackType],
    ) -> Literal[False]: ...
