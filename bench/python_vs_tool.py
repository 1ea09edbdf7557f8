#!/usr/bin/python3
"""quorbelin.delay() against `quorbelin run` on the same signal, timed side by
side in one run: 10 s of 48 kHz stereo noise, a constant delay of 30.5
samples, the 32-tap, 64-phase windowed sinc.

The tool's time is the whole program: start, reading a float64 WAV file,
the run, writing the delayed file. The module's time is one delay() call on
the signal already in memory (conversion of the result included). Each is
timed ROUNDS times, alternating, and the fastest of each is compared; the
outputs are compared bit for bit as well.

    bench/python_vs_tool.py [--build build] [--rounds 5]

Run it with the interpreter the module was built for (/usr/bin/python3 on
Debian).
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile
import time

import numpy as np

RATE = 48000
SECONDS = 10
DELAY = 30.5
FILTER = "sinc:32:64"


def write_float_wav(path, samples):
    """A WAVE_FORMAT_IEEE_FLOAT file of 64-bit samples (rows x channels)."""
    data = np.ascontiguousarray(samples, dtype="<f8").tobytes()
    channels = samples.shape[1]
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 26 + 12 + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<IHHIIHHH", 18, 3, channels, RATE, RATE * 8 * channels, 8 * channels, 64, 0))
        f.write(b"fact" + struct.pack("<II", 4, samples.shape[0]))
        f.write(b"data" + struct.pack("<I", len(data)) + data)


def read_float_wav(path, channels):
    with open(path, "rb") as f:
        content = f.read()
    at = 12
    while at < len(content):
        chunk, size = content[at:at + 4], struct.unpack("<I", content[at + 4:at + 8])[0]
        if chunk == b"data":
            return np.frombuffer(content[at + 8:at + 8 + size], dtype="<f8").reshape(-1, channels)
        at += 8 + size + (size & 1)
    raise ValueError(f"{path}: no data chunk")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build", help="the build folder (default: build)")
    parser.add_argument("--rounds", type=int, default=5, help="timed runs of each (default: 5)")
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(args.build, "python"))
    import quorbelin

    tool = os.path.join(args.build, "quorbelin")
    x = np.random.default_rng(1).standard_normal((RATE * SECONDS, 2)) * 0.25
    with tempfile.TemporaryDirectory() as folder:
        source, target = os.path.join(folder, "in.wav"), os.path.join(folder, "out.wav")
        write_float_wav(source, x)
        command = [tool, "run", source, "-o", target, "--delay", str(DELAY), "--filter", FILTER, "-q"]
        tool_times, module_times = [], []
        for _ in range(args.rounds):
            start = time.perf_counter()
            subprocess.run(command, check=True)
            tool_times.append(time.perf_counter() - start)
            start = time.perf_counter()
            y = quorbelin.delay(x, DELAY, filter=FILTER)
            module_times.append(time.perf_counter() - start)
        identical = np.array_equal(y, read_float_wav(target, 2))

    tool_best, module_best = min(tool_times), min(module_times)
    print(f"{SECONDS} s of {RATE} Hz stereo, delay {DELAY}, {FILTER}; fastest of {args.rounds} alternating runs")
    print(f"quorbelin run (whole program, WAV in and out)  {tool_best * 1000:8.1f} ms")
    print(f"quorbelin.delay (in memory)                    {module_best * 1000:8.1f} ms")
    print(f"module / tool: {module_best / tool_best:.2f} (target: at most 1.20); outputs bit-identical: {identical}")
    return 0 if identical and module_best <= 1.2 * tool_best else 1


if __name__ == "__main__":
    sys.exit(main())
