"""quorbelin.analyze() gives the object `quorbelin analyze FILTER --json`
prints, and refuses filters and bands the analysis cannot take."""

import json
import subprocess

import numpy
import pytest

import quorbelin


def tool_json(tool, filter_argument, bands):
    arguments = [tool, "analyze", filter_argument, "--json"]
    for band in bands:
        arguments += ["--band", repr(band)]
    finished = subprocess.run(arguments, check=True, capture_output=True, text=True)
    return json.loads(finished.stdout)


@pytest.mark.parametrize("design, bands", [
    ("linear", []),
    ("sinc:32:64", []),
    ("ls:16:64:0.9", [0.7, 0.99]),
    ("auto:60:0.5", []),
])
def test_named_filters_match_the_tool(design, bands, tool):
    report = quorbelin.analyze(design, bands=bands)
    assert report == tool_json(tool, design, bands)
    assert [b["band"] for b in report["bands"]] == sorted({0.25, 0.5, 0.8, 0.9, 0.95, *bands})


def test_a_filter_array_matches_the_tool_on_its_csv_file(tool, tmp_path):
    # An uneven filter, so that the DC error and the figures are not those of any design.
    taps = quorbelin.design_filter("lagrange:3:8")
    taps[1, 3] += 0.01
    path = tmp_path / "filter.csv"
    numpy.savetxt(path, taps, fmt="%.17g", delimiter=",")
    report = quorbelin.analyze(taps, bands=0.6)
    expected = tool_json(tool, str(path), [0.6])
    assert expected.pop("filter") == str(path) and report.pop("filter") is None
    assert report == expected
    assert report["rows"] == 4 and report["phases"] == 8 and report["dc_gain_error"] > 0.009
    # The same filter held column by column gives the same figures.
    assert quorbelin.analyze(numpy.asfortranarray(taps), bands=[0.6])["bands"] == report["bands"]


@pytest.mark.parametrize("filter, bands", [
    ("cubic", None),
    ("sinc:0:4", None),
    ("filter.csv", None),                        # a text never names a file
    ("auto:400:0.99", None),                     # no design reaches it
    (numpy.full((2, 2), numpy.nan), None),
    (numpy.zeros((2, 2, 2)), None),
    (numpy.zeros((0, 4)), None),
    ("sinc:32:64", [0.0]),
    ("sinc:32:64", 1.5),
    ("linear", [numpy.nan]),
])
def test_bad_filters_and_bands_raise_value_error(filter, bands):
    with pytest.raises(ValueError):
        quorbelin.analyze(filter, bands=bands)


def test_bands_that_are_not_numbers_raise_type_error():
    with pytest.raises(TypeError):
        quorbelin.analyze("linear", bands=["0.5"])


def test_delay_runs_an_auto_design_as_the_design_it_names():
    # The search is the tool's: the design analyze() reports for the request
    # is the one delay() runs, bit for bit.
    chosen = quorbelin.analyze("auto:40:0.5")["design"]
    rng = numpy.random.default_rng(7)
    x = rng.standard_normal(400)
    delays = 20.0 + 5.0 * rng.random(400)
    by_request = quorbelin.delay(x, delays, max_delay=40, filter="auto:40:0.5")
    by_name = quorbelin.delay(x, delays, max_delay=40, filter=chosen)
    assert numpy.array_equal(by_request, by_name)
    assert not numpy.array_equal(by_request, quorbelin.delay(x, delays, max_delay=40))
