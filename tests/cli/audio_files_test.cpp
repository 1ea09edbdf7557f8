// `quorbelin run` on audio files through libsndfile: channels and rate kept,
// a floating-point subtype so nothing is quantised, integer inputs read as
// their scaled values, and formats that cannot hold floats refused.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/tool_runner.h"

namespace quorbelin::testing {
namespace {

struct Audio {
    int rate = 0;
    int channels = 0;
    int format = 0;
    std::vector<double> samples;  // interleaved
    std::size_t frames() const { return samples.size() / static_cast<std::size_t>(channels); }
};

void writeAudio(const std::string& path, int format, int rate, int channels, const std::vector<double>& samples) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_writef_double(file, samples.data(), static_cast<sf_count_t>(samples.size() / channels));
    sf_close(file);
}

Audio readAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    Audio audio;
    if (file == nullptr) {
        ADD_FAILURE() << "cannot read " << path << ": " << sf_strerror(nullptr);
        return audio;
    }
    audio.rate = info.samplerate;
    audio.channels = info.channels;
    audio.format = info.format;
    audio.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_double(file, audio.samples.data(), info.frames);
    sf_close(file);
    return audio;
}

std::vector<double> testSignal(int frames, int channels) {
    std::vector<double> samples;
    for (int n = 0; n < frames; ++n) {
        for (int c = 0; c < channels; ++c) {
            samples.push_back(0.5 * std::sin(0.05 * n * (c + 1)) + 0.125 * c);
        }
    }
    return samples;
}

// A whole-sample delay moves every sample unchanged (weights 1 and 0), so the
// output equals the input as libsndfile reads it, shifted.
void expectDelayedBy(const Audio& output, const Audio& input, int delay) {
    ASSERT_EQ(output.samples.size(), input.samples.size());
    for (std::size_t n = 0; n < output.frames(); ++n) {
        for (int c = 0; c < output.channels; ++c) {
            const double expected = n < static_cast<std::size_t>(delay)
                                        ? 0.0
                                        : input.samples[(n - delay) * input.channels + c];
            ASSERT_EQ(output.samples[n * output.channels + c], expected) << "frame " << n << " channel " << c;
        }
    }
}

TEST(AudioFiles, KeepsRateAndChannelsAndWritesFloatingPoint) {
    struct Case {
        const char* input;
        int inputFormat;
        const char* output;
        int outputSubtype;
    };
    const Case cases[] = {
        {"in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, "out.wav", SF_FORMAT_DOUBLE},
        {"in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "out.wav", SF_FORMAT_DOUBLE},
        {"in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "out.aiff", SF_FORMAT_DOUBLE},
        {"in.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, "out.caf", SF_FORMAT_DOUBLE},
    };
    for (const Case& c : cases) {
        ScratchFolder folder;
        writeAudio(folder / c.input, c.inputFormat, 22050, 3, testSignal(500, 3));
        const Audio input = readAudio(folder / c.input);
        const ToolResult result = runTool({"run", folder / c.input, "-o", folder / c.output, "--delay", "7", "-q"});
        ASSERT_EQ(result.status, 0) << c.input << ": " << result.err;
        const Audio output = readAudio(folder / c.output);
        EXPECT_EQ(output.rate, 22050) << c.output;
        EXPECT_EQ(output.channels, 3) << c.output;
        EXPECT_EQ(output.format & SF_FORMAT_SUBMASK, c.outputSubtype) << c.output;
        expectDelayedBy(output, input, 7);
    }
}

TEST(AudioFiles, DelayUnitsUseTheFilesRate) {
    ScratchFolder folder;
    writeAudio(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 8000, 2, testSignal(300, 2));
    const Audio input = readAudio(folder / "in.wav");
    // 0.5 ms at 8 kHz is 4 samples; 2 ms 16.
    for (const auto& [delay, unit, samples] : {std::tuple{"0.5", "ms", 4}, std::tuple{"0.002", "s", 16}}) {
        const ToolResult result = runTool({"run", folder / "in.wav", "-o", folder / "out.wav", "--delay", delay,
                                           "--delay-unit", unit, "-q"});
        ASSERT_EQ(result.status, 0) << result.err;
        expectDelayedBy(readAudio(folder / "out.wav"), input, samples);
    }
}

TEST(AudioFiles, CsvToAudioNeedsTheRateAndKeepsValues) {
    ScratchFolder folder;
    Rows rows;
    for (int n = 0; n < 40; ++n) rows.push_back({n / 64.0, -n / 128.0});
    writeCsv(folder / "in.csv", rows);
    const ToolResult missing = runTool({"run", folder / "in.csv", "-o", folder / "out.wav", "--delay", "2"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("give --rate"), std::string::npos) << missing.err;
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"in.csv"}));

    const ToolResult result = runTool({"run", folder / "in.csv", "-o", folder / "out.wav", "--delay", "2",
                                       "--rate", "16000"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Audio output = readAudio(folder / "out.wav");
    EXPECT_EQ(output.rate, 16000);
    ASSERT_EQ(output.frames(), 40u);
    for (int n = 2; n < 40; ++n) {
        EXPECT_EQ(output.samples[n * 2], (n - 2) / 64.0);
        EXPECT_EQ(output.samples[n * 2 + 1], -(n - 2) / 128.0);
    }
}

TEST(AudioFiles, FormatsThatWouldQuantiseAreRefused) {
    ScratchFolder folder;
    writeAudio(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, testSignal(100, 1));
    for (const char* output : {"out.flac", "out.ogg", "out.xyz", "out"}) {
        const ToolResult result = runTool({"run", folder / "in.wav", "-o", folder / output, "--delay", "1"});
        EXPECT_EQ(result.status, 2) << output << ": " << result.err;
        EXPECT_NE(result.err.find(output), std::string::npos) << result.err;
        EXPECT_EQ(folder.files(), (std::vector<std::string>{"in.wav"})) << output;
    }
    const ToolResult flac = runTool({"run", folder / "in.wav", "-o", folder / "out.flac", "--delay", "1"});
    EXPECT_NE(flac.err.find("--encoding"), std::string::npos) << flac.err;
}

// Integer encodings round to the nearest step of 2^-(bits - 1), the scale
// at which libsndfile reads them back, and count the values beyond full
// scale, which they clip.
TEST(AudioFiles, IntegerEncodingsRoundToNearestAndCountClipping) {
    ScratchFolder folder;
    const std::vector<double> values = {0.5, -1.0, 0.3, -0.3, 1.0, 1.5, -2.0, 0.99999, 1e-7};
    Rows rows;
    for (const double v : values) rows.push_back({v});
    writeCsv(folder / "in.csv", rows);
    struct Case {
        const char* encoding;
        const char* output;
        int subtype;
        int bits;
        const char* clipped;  // 1.0 and beyond; 0.99999 rounds to full scale in 16 bits
    };
    for (const Case& c : {Case{"pcm16", "out.wav", SF_FORMAT_PCM_16, 16, ", 4 clipped;"},
                          Case{"pcm24", "out.flac", SF_FORMAT_PCM_24, 24, ", 3 clipped;"},
                          Case{"pcm32", "out.aiff", SF_FORMAT_PCM_32, 32, ", 3 clipped;"}}) {
        const ToolResult result = runTool({"run", folder / "in.csv", "-o", folder / c.output, "--rate", "8000",
                                           "--delay", "0", "--encoding", c.encoding});
        ASSERT_EQ(result.status, 0) << c.encoding << ": " << result.err;
        EXPECT_NE(result.err.find(c.clipped), std::string::npos) << c.encoding << ": " << result.err;
        const Audio output = readAudio(folder / c.output);
        EXPECT_EQ(output.format & SF_FORMAT_SUBMASK, c.subtype) << c.encoding;
        ASSERT_EQ(output.samples.size(), values.size());
        const double scale = std::ldexp(1.0, c.bits - 1);
        for (std::size_t i = 0; i < values.size(); ++i) {
            const double level = std::clamp(std::nearbyint(values[i] * scale), -scale, scale - 1.0);
            EXPECT_EQ(output.samples[i], level / scale) << c.encoding << " value " << values[i];
        }
    }
}

// Standard input and output: CSV by default, audio named with --type in a
// format that can stream.
TEST(AudioFiles, PipesCarryCsvAndStreamableAudio) {
    ScratchFolder folder;
    writeAudio(folder / "in.au", SF_FORMAT_AU | SF_FORMAT_FLOAT, 8000, 2, testSignal(300, 2));
    const Audio input = readAudio(folder / "in.au");
    const ToolResult audio =
        runTool({"run", "-", "--type", "au", "-o", "-", "--delay", "3", "-q"}, folder.path(), folder / "in.au");
    ASSERT_EQ(audio.status, 0) << audio.err;
    writeText(folder / "piped.au", audio.out);
    expectDelayedBy(readAudio(folder / "piped.au"), input, 3);

    writeText(folder / "in.csv", "\xEF\xBB\xBFleft,right\n1,2\n3,4\n");
    const ToolResult csv = runTool({"run", "-", "-o", "-", "--delay", "1", "-q"}, folder.path(), folder / "in.csv");
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, "0,0\n1,2\n");
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"in.au", "in.csv", "piped.au"}));
}

// A file shorter than its header says is read as far as it goes, with a
// warning that names both counts.
TEST(AudioFiles, ShortReadIsAWarning) {
    ScratchFolder folder;
    writeAudio(folder / "full.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, testSignal(1000, 1));
    const auto size = std::filesystem::file_size(folder / "full.wav");
    std::filesystem::copy_file(folder / "full.wav", folder / "cut.wav");
    std::filesystem::resize_file(folder / "cut.wav", size - 1000);  // 500 frames less
    const ToolResult result = runTool({"run", "cut.wav", "-o", "out.wav", "--delay", "1", "-q"}, folder.path());
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "quorbelin: warning: cut.wav: the header promises 1000 frames, but only 500 could be read; "
                          "the output holds what was read\n");
    EXPECT_EQ(readAudio(folder / "out.wav").frames(), 500u);
}

TEST(AudioFiles, ComplexNeedsCsv) {
    ScratchFolder folder;
    writeAudio(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 8000, 2, testSignal(10, 2));
    const ToolResult result = runTool({"run", folder / "in.wav", "-o", folder / "out.csv", "--delay", "1", "--complex"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("--complex needs CSV input"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace quorbelin::testing
