#include "cli/analysis_report.h"

#include <cmath>

#include "cli/format_number.h"

namespace quorbelin::cli {

namespace {

std::string jsonNumber(double value) { return std::isfinite(value) ? shortestText(value) : "null"; }

std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            quoted += formatted("\\u%04x", static_cast<unsigned char>(c));
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

// SNR in dB with two decimals; a filter without error shows as infinite.
std::string decibels(double value) { return std::isfinite(value) ? formatted("%.2f", value) : "inf"; }

}  // namespace

void printAnalysisText(const AnalysisReport& report, std::FILE* out) {
    const FilterAnalysis& analysis = report.analysis;
    std::fprintf(out, "filter      %s%s\n", report.filter.c_str(),
                 report.chosenDesign.empty() ? "" : (" -> " + report.chosenDesign).c_str());
    if (analysis.phases) {
        std::fprintf(out, "size        %d taps x %d phases (H = %d), %lld bytes\n", analysis.rows, *analysis.phases,
                     analysis.rows / 2, static_cast<long long>(analysis.bytes));
        std::fprintf(out, "min delay   %d samples (shorter whole delays are interpolated linearly)\n",
                     analysis.minDelay);
        std::fprintf(out, "DC gain     error at most %.3g over the phases\n", analysis.dcGainError);
    } else {
        std::fprintf(out, "size        2 taps (1 - f, f), computed for each fraction: no phase grid, no matrix\n");
        std::fprintf(out, "min delay   0 samples\n");
        std::fprintf(out, "DC gain     exact\n");
    }
    std::fprintf(out, "\n%6s %16s %15s %15s\n", "band", "worst SNR (dB)", "mean SNR (dB)", "worst fraction");
    for (const BandFigures& band : analysis.bands) {
        std::fprintf(out, "%6s %16s %15s %15s\n", shortestText(band.band).c_str(), decibels(band.worstSnrDb).c_str(),
                     decibels(band.meanSnrDb).c_str(), formatted("%.4f", band.worstFraction).c_str());
    }
    std::fprintf(out,
                 "\nband: white noise up to that fraction of the Nyquist rate; SNR over the fractional part of the\n"
                 "delay: the worst fraction's, and that of the error averaged over all fractions.\n");
    if (report.point) {
        const PointReport& point = *report.point;
        std::fprintf(out, "\nat %s Hz of %s Hz, fraction %s: gain %.2f dB, phase delay %.4f samples\n",
                     shortestText(point.hertz).c_str(), shortestText(point.rate).c_str(),
                     shortestText(point.fraction).c_str(), point.response.gainDb, point.response.phaseDelay);
    }
}

std::string analysisJson(const AnalysisReport& report) {
    const FilterAnalysis& analysis = report.analysis;
    std::string json = "{\"filter\": " + jsonString(report.filter);
    if (!report.chosenDesign.empty()) {
        json += ", \"design\": " + jsonString(report.chosenDesign);
    }
    json += ", \"rows\": " + std::to_string(analysis.rows);
    json += ", \"phases\": " + (analysis.phases ? std::to_string(*analysis.phases) : std::string("null"));
    json += ", \"bytes\": " + std::to_string(analysis.bytes);
    json += ", \"min_delay\": " + std::to_string(analysis.minDelay);
    json += ", \"dc_gain_error\": " + jsonNumber(analysis.dcGainError);
    json += ", \"bands\": [";
    for (std::size_t b = 0; b < analysis.bands.size(); ++b) {
        const BandFigures& band = analysis.bands[b];
        json += (b == 0 ? "" : ", ") + std::string("{\"band\": ") + jsonNumber(band.band) +
                ", \"worst_snr_db\": " + jsonNumber(band.worstSnrDb) + ", \"mean_snr_db\": " +
                jsonNumber(band.meanSnrDb) + ", \"worst_fraction\": " + jsonNumber(band.worstFraction) + "}";
    }
    json += "]";
    if (report.point) {
        const PointReport& point = *report.point;
        json += ", \"at\": {\"hz\": " + jsonNumber(point.hertz) + ", \"rate\": " + jsonNumber(point.rate) +
                ", \"fraction\": " + jsonNumber(point.fraction) + ", \"gain_db\": " +
                jsonNumber(point.response.gainDb) + ", \"phase_delay\": " + jsonNumber(point.response.phaseDelay) +
                "}";
    }
    return json + "}";
}

}  // namespace quorbelin::cli
