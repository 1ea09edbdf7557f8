"""The computation releases the GIL, so separate Delay objects run in
parallel threads, each with its own result."""

import sys
import threading

import numpy

import quorbelin


def test_another_thread_runs_python_while_a_delay_computes():
    # With a switch interval this long, the interpreter never takes the GIL
    # from a thread: the main thread can run while the worker's loop goes on
    # only if process() gives the GIL up itself. The worker stops once the
    # main thread has run, or after a bound that is reached only if it never
    # runs.
    x = numpy.random.default_rng(1).standard_normal((4096, 2))
    started, seen = threading.Event(), threading.Event()
    rounds = []

    def worker():
        with quorbelin.Delay(2, 64, filter="sinc:16:32") as line:
            started.set()
            count = 0
            while not seen.is_set() and count < 2000:
                line.process(x, 20.5)
                count += 1
            rounds.append(count)

    interval = sys.getswitchinterval()
    sys.setswitchinterval(1000.0)
    try:
        thread = threading.Thread(target=worker)
        thread.start()
        started.wait()
        ran_during = thread.is_alive() and not rounds
        seen.set()
        thread.join()
    finally:
        sys.setswitchinterval(interval)
    assert ran_during, "the main thread could not run while process() computed: the GIL is held"
    assert rounds[0] < 2000


def test_two_threads_with_their_own_delays_get_their_own_results():
    rng = numpy.random.default_rng(2)
    signals = [rng.standard_normal((20000, 2)) for _ in range(2)]
    delays = [3.25, 17.75]

    def alone(i):
        with quorbelin.Delay(2, 32, filter="sinc:16:32") as line:
            return line.process(signals[i], delays[i])

    expected = [alone(0), alone(1)]
    results = [None, None]

    def run(i):
        with quorbelin.Delay(2, 32, filter="sinc:16:32") as line:
            results[i] = numpy.concatenate([line.process(signals[i][a:a + 1000], delays[i])
                                            for a in range(0, 20000, 1000)])

    threads = [threading.Thread(target=run, args=(i,)) for i in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for i in range(2):
        assert numpy.array_equal(results[i], expected[i])
