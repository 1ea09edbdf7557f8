#include "cli/analysis_plot.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <sstream>
#include <vector>

#include "cli/atomic_output.h"
#include "cli/errors.h"
#include "cli/format_number.h"
#include "cli/gnuplot.h"

namespace quorbelin::cli {

namespace {

constexpr int frequencyPoints = 400;
constexpr int bandPoints = 40;

// Opens a scratch file for writing data rows; throws FileError.
class DataFile {
public:
    explicit DataFile(const ScratchFile& file) : path_(file.path()), stream_(std::fopen(path_.c_str(), "w")) {
        if (stream_ == nullptr) {
            throw FileError(path_, std::string("cannot write: ") + std::strerror(errno));
        }
    }
    ~DataFile() {
        if (stream_ != nullptr) {
            std::fclose(stream_);
        }
    }
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;
    std::FILE* stream() const { return stream_; }
    void close() {
        const bool failed = std::ferror(stream_) != 0;
        if (std::fclose(stream_) != 0 || failed) {
            stream_ = nullptr;
            throw FileError(path_, "cannot write");
        }
        stream_ = nullptr;
    }

private:
    std::string path_;
    std::FILE* stream_;
};

}  // namespace

void plotAnalysis(const Interpolator& filter, const std::string& name, double worstFraction,
                  const std::string& target) {
    plotTerminalFor(target);
    std::vector<double> fractions = {0.1, 0.25, 0.5};
    if (filter) {
        fractions.push_back(worstFraction);
    }

    ScratchFile errorData("quorbelin-analysis-error");
    {
        DataFile data(errorData);
        for (int k = 1; k <= frequencyPoints; ++k) {
            const double frequency = static_cast<double>(k) / frequencyPoints;  // of the Nyquist rate
            std::fprintf(data.stream(), "%.9g", frequency);
            for (const double fraction : fractions) {
                std::fprintf(data.stream(), " %.9g", errorDb(filter, frequency * std::numbers::pi, fraction));
            }
            std::fputc('\n', data.stream());
        }
        data.close();
    }
    ScratchFile snrData("quorbelin-analysis-snr");
    {
        std::vector<double> bands;
        for (int k = 1; k <= bandPoints; ++k) {
            bands.push_back(static_cast<double>(k) / bandPoints);
        }
        const std::vector<BandFigures> figures = analyzeBands(filter, bands);
        DataFile data(snrData);
        for (const BandFigures& band : figures) {
            std::fprintf(data.stream(), "%.9g %.9g %.9g\n", band.band, band.worstSnrDb, band.meanSnrDb);
        }
        data.close();
    }

    AtomicOutput output(target);
    std::ostringstream script;
    script << gnuplotOutput(target, output.temporaryPath(), 1000, 900)
           << "set multiplot layout 2,1 title " << gnuplotQuoted("accuracy of " + name) << "\n"
           << "set grid\nset key outside right top\n"
           << "set xlabel 'frequency (fraction of the Nyquist rate)'\n"
           << "set ylabel 'error (dB)'\n"
           << "set xrange [0:1]\nset yrange [-200<*:*]\n"
           << "plot ";
    for (std::size_t i = 0; i < fractions.size(); ++i) {
        std::string title = "fraction " + shortestText(fractions[i]);
        if (filter && i + 1 == fractions.size()) {
            title = "fraction " + formatted("%.4f", fractions[i]) + " (worst)";
        }
        script << (i == 0 ? "" : ", ") << gnuplotQuoted(errorData.path()) << " using 1:" << i + 2
               << " with lines lw 2 title " << gnuplotQuoted(title);
    }
    script << "\nset xlabel 'band (fraction of the Nyquist rate)'\n"
           << "set ylabel 'SNR (dB)'\n"
           << "set yrange [*:*]\n"
           << "plot " << gnuplotQuoted(snrData.path()) << " using 1:2 with linespoints lw 2 title 'worst', "
           << gnuplotQuoted(snrData.path()) << " using 1:3 with linespoints lw 2 title 'mean'\n"
           << "unset multiplot\nset output\n";
    runGnuplot(script.str(), target);
    output.commit();
}

}  // namespace quorbelin::cli
