#!/usr/bin/python3
"""Accuracy of `quorbelin run` against exact delays, as signal-to-error ratios.

Constant delays are measured on band-limited noise (white noise with every
bin above BAND_HZ removed), delayed exactly in the frequency domain: the
noise is periodic, so multiplying its spectrum by exp(-2 pi i f d) is an
exact delay by d samples. A modulated delay is measured on a sum of tones
whose delayed values are known in closed form. Only the settled stretch is
compared: after the initial conditions have left the filter's window and
before the wrap-around of the periodic reference.

    bench/interpolation_snr.py [--tool build/quorbelin] [ARGS...]

With no ARGS it prints the table of cases below; with ARGS it measures one
constant-delay run with those extra arguments (for instance
`--delay 20.3 --filter sinc:64:256 --lookahead auto`).
Needs python3-numpy (Debian).
"""

import argparse
import os
import subprocess
import sys
import tempfile

import numpy as np

RATE = 48000.0
SECONDS = 4.0
BAND_HZ = 12000.0  # a quarter of the rate
SKIP = 2048  # samples at each end left out of the comparison


def band_limited_noise(samples, seed=7):
    spectrum = np.fft.rfft(np.random.default_rng(seed).standard_normal(samples))
    frequencies = np.fft.rfftfreq(samples, 1.0 / RATE)
    spectrum[frequencies > BAND_HZ] = 0.0
    signal = np.fft.irfft(spectrum, samples)
    return signal / np.max(np.abs(signal)) * 0.5, spectrum


def fft_delay(spectrum, samples, delay):
    bins = np.fft.rfftfreq(samples)  # cycles per sample
    return np.fft.irfft(spectrum * np.exp(-2j * np.pi * bins * delay), samples)


def write_csv(path, values):
    np.savetxt(path, values.reshape(-1, 1), fmt="%.17g")


def run_tool(tool, arguments):
    result = subprocess.run([tool, "run", *arguments, "-q"], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit("quorbelin run failed: " + result.stderr.strip())
    return result.stderr.strip()


def snr(output, reference):
    error = output - reference
    return 10.0 * np.log10(np.sum(reference ** 2) / np.sum(error ** 2))


def constant_delay_snr(tool, folder, delay, extra):
    samples = int(RATE * SECONDS)
    signal, spectrum = band_limited_noise(samples)
    scale = 0.5 / np.max(np.abs(np.fft.irfft(spectrum, samples)))
    reference = fft_delay(spectrum, samples, delay) * scale
    source = os.path.join(folder, "noise.csv")
    target = os.path.join(folder, "delayed.csv")
    write_csv(source, signal)
    run_tool(tool, [source, "-o", target, "--delay", repr(delay), *extra])
    output = np.loadtxt(target)
    settled = slice(SKIP, samples - SKIP)
    return snr(output[settled], reference[settled])


# A chord from 220 Hz to 19 kHz; each tone's delayed value is exact.
TONES = [(0.3, 220.0, 0.0), (0.2, 1375.0, 0.7), (0.15, 5500.0, 1.9), (0.12, 11025.0, 0.4),
         (0.1, 16000.0, 2.2), (0.08, 19000.0, 1.3)]


def tones_at(seconds):
    return sum(a * np.sin(2.0 * np.pi * f * seconds + p) for a, f, p in TONES)


def modulated_delay_snr(tool, folder, mean, depth, hertz, extra):
    samples = int(RATE * SECONDS)
    n = np.arange(samples, dtype=float)
    source = os.path.join(folder, "tones.csv")
    target = os.path.join(folder, "vibrato.csv")
    write_csv(source, tones_at(n / RATE))
    run_tool(tool, [source, "-o", target, "--rate", "48000",
                    "--delay", "sine:%r:%r:%r" % (mean, depth, hertz), *extra])
    output = np.loadtxt(target)
    delay = mean + depth * np.sin(2.0 * np.pi * hertz * n / RATE)
    reference = tones_at((n - delay) / RATE)
    settled = slice(SKIP, samples)
    return snr(output[settled], reference[settled])


CASES = [
    ("noise", 20.3, ["--filter", "linear"]),
    ("noise", 20.3, ["--filter", "sinc:64:256"]),
    ("noise", 20.3, ["--filter", "sinc:64:256", "--lookahead", "auto"]),
    ("noise", 33.7, ["--filter", "sinc:64:256"]),
    ("noise", 33.7, ["--filter", "sinc:64:256", "--lookahead", "auto"]),
    ("sine", (40.0, 10.0, 0.5), ["--filter", "sinc:64:4096:12"]),
    ("sine", (40.0, 10.0, 0.5), ["--filter", "sinc:64:4096:12", "--lookahead", "auto"]),
]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", default=os.path.join(os.path.dirname(__file__), "..", "build", "quorbelin"))
    arguments, extra = parser.parse_known_args()
    with tempfile.TemporaryDirectory(prefix="quorbelin-snr-") as folder:
        if extra:
            delay = float(extra[extra.index("--delay") + 1])
            rest = extra[:extra.index("--delay")] + extra[extra.index("--delay") + 2:]
            print("%.1f dB" % constant_delay_snr(arguments.tool, folder, delay, rest))
            return
        print("%-8s %-20s %-36s %9s" % ("signal", "delay (samples)", "options", "SNR (dB)"))
        for signal, delay, options in CASES:
            if signal == "noise":
                value = constant_delay_snr(arguments.tool, folder, delay, options)
                shown = "%g" % delay
            else:
                value = modulated_delay_snr(arguments.tool, folder, *delay, options)
                shown = "sine:%g:%g:%g" % delay
            try:
                print("%-8s %-20s %-36s %9.1f" % (signal, shown, " ".join(options), value))
            except BrokenPipeError:
                return


if __name__ == "__main__":
    main()
