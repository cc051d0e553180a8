// Plays one short phrase on every program of a bank so a person can listen
// through and look over it: a held chord, a line, a note with the wheel swept
// up. Writes the phrases into one FLAC, a small spectrogram per program (PGM)
// and a table of name, category, peak, loudness and release time. Places
// no program fills ("-Empty n") are left out.
//   usage: vesk-audition BANK OUTPUT-DIRECTORY
#include "AudioFileWriter.h"
#include "Categories.h"
#include "ParamIndex.h"
#include "PluginHost.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr float kRate = 44100.0f;
constexpr int kBlock = 441; // 10 ms: events land on block starts
constexpr int kMaxTailBlocks = 600;
constexpr float kSilence = 1e-4f; // -80 dBFS
constexpr int kFftSize = 1024;
constexpr int kImageWidth = 240, kImageHeight = 120;

struct Event {
    int block;
    MidiMessage message;
};

// Chord, line, then a held note under a rising wheel; the last event releases.
std::vector<Event> phrase()
{
    std::vector<Event> events;
    for (uint8_t n : {48, 52, 55}) {
        events.push_back({0, MidiMessage::noteOn(0, n, 110)});
        events.push_back({150, MidiMessage::noteOff(0, n)});
    }
    int at = 200;
    for (uint8_t n : {60, 62, 64, 67}) {
        events.push_back({at, MidiMessage::noteOn(0, n, 90)});
        events.push_back({at + 22, MidiMessage::noteOff(0, n)});
        at += 25;
    }
    events.push_back({at + 20, MidiMessage::noteOn(0, 60, 100)});
    for (int k = 0; k <= 127; k += 4)
        events.push_back({at + 20 + k, MidiMessage::controlChange(0, 1, uint8_t(k))});
    events.push_back({at + 170, MidiMessage::controlChange(0, 1, 0)});
    events.push_back({at + 170, MidiMessage::noteOff(0, 60)});
    return events;
}

struct Row {
    std::string name, category;
    double peakDb, loudnessDb, releaseSeconds;
};

// The mono mix as a spectrogram: time across, log frequency (40 Hz..16 kHz) up.
void writeSpectrogram(const std::vector<float>& mono, const std::string& path)
{
    std::vector<unsigned char> pixels(kImageWidth * kImageHeight, 0);
    const size_t hop = std::max<size_t>(1, (mono.size() - kFftSize) / kImageWidth);
    std::vector<std::complex<double>> bins(kFftSize);
    for (int x = 0; x < kImageWidth && x * hop + kFftSize <= mono.size(); ++x) {
        for (int k = 0; k < kFftSize; ++k) {
            const double window = 0.5 - 0.5 * std::cos(2 * M_PI * k / kFftSize);
            bins[k] = mono[x * hop + k] * window;
        }
        // In-place radix-2 transform.
        for (int i = 1, j = 0; i < kFftSize; ++i) {
            int bit = kFftSize >> 1;
            for (; j & bit; bit >>= 1) j ^= bit;
            j ^= bit;
            if (i < j) std::swap(bins[i], bins[j]);
        }
        for (int len = 2; len <= kFftSize; len <<= 1) {
            const std::complex<double> step = std::polar(1.0, -2 * M_PI / len);
            for (int i = 0; i < kFftSize; i += len) {
                std::complex<double> w = 1;
                for (int k = 0; k < len / 2; ++k, w *= step) {
                    const std::complex<double> a = bins[i + k], b = bins[i + k + len / 2] * w;
                    bins[i + k] = a + b;
                    bins[i + k + len / 2] = a - b;
                }
            }
        }
        for (int y = 0; y < kImageHeight; ++y) {
            const double hz = 40.0 * std::pow(400.0, double(y) / (kImageHeight - 1));
            const int bin = std::min(kFftSize / 2 - 1, int(hz * kFftSize / kRate));
            const double db = 20 * std::log10(std::abs(bins[bin]) / (kFftSize / 4) + 1e-9);
            pixels[(kImageHeight - 1 - y) * kImageWidth + x] = (unsigned char)std::clamp((db + 90) * 255 / 90, 0.0, 255.0);
        }
    }
    std::ofstream out(path, std::ios::binary);
    out << "P5\n" << kImageWidth << " " << kImageHeight << "\n255\n";
    out.write(reinterpret_cast<const char*>(pixels.data()), std::streamsize(pixels.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

Row play(PluginHost& host, int program, AudioFileWriter& flac, const std::string& imagePath)
{
    host.dispatch(effSetProgram, 0, program);
    char name[64] = {};
    host.dispatch(effGetProgramNameIndexed, program, 0, name);
    Row row{name, categoryName(host.getParameter(ParamIndex::kPatchCategory)), -200, -200, 0};
    const std::vector<Event> events = phrase();
    const int lastEvent = events.back().block;
    std::vector<float> left(kBlock), right(kBlock), mono;
    double sumSquares = 0, peak = 0;
    int quietFrom = -1;
    for (int b = 0; b <= lastEvent + kMaxTailBlocks; ++b) {
        std::vector<MidiMessage> now;
        for (const Event& e : events)
            if (e.block == b) now.push_back(e.message);
        host.sendMidi(now);
        float* outputs[2] = {left.data(), right.data()};
        host.process(outputs, kBlock);
        float blockPeak = 0;
        for (int k = 0; k < kBlock; ++k) {
            blockPeak = std::max({blockPeak, std::fabs(left[k]), std::fabs(right[k])});
            sumSquares += 0.5 * (double(left[k]) * left[k] + double(right[k]) * right[k]);
            mono.push_back(0.5f * (left[k] + right[k]));
        }
        const float* channels[2] = {left.data(), right.data()};
        flac.write(channels, kBlock);
        peak = std::max(peak, double(blockPeak));
        if (b > lastEvent && blockPeak < kSilence) {
            quietFrom = b;
            break;
        }
    }
    row.peakDb = 20 * std::log10(peak + 1e-12);
    row.loudnessDb = 10 * std::log10(sumSquares / double(mono.size()) + 1e-20);
    row.releaseSeconds = quietFrom < 0 ? -1 : (quietFrom - lastEvent) * kBlock / double(kRate);
    writeSpectrogram(mono, imagePath);
    return row;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s BANK(0..2) OUTPUT-DIRECTORY\n", argv[0]);
        return 2;
    }
    try {
        const int bank = std::stoi(argv[1]);
        if (bank < 0 || bank > 2) throw std::runtime_error("the bank is 0, 1 or 2");
        const std::string dir = argv[2];
        std::string error;
        auto host = PluginHost::load(VESK_DEFAULT_MODULE, error);
        if (!host) throw std::runtime_error(error);
        host->start(kRate, kBlock);
        host->setTempo(120.0);
        AudioFileWriter flac(dir + "/bank" + std::to_string(bank) + ".flac", SampleFormat::Pcm24, int(kRate), 2);
        std::ofstream table(dir + "/bank" + std::to_string(bank) + ".tsv");
        table << "program\tname\tcategory\tpeak dBFS\tloudness dBFS\trelease s\n";
        for (int p = bank * 128; p < bank * 128 + 128; ++p) {
            char name[64] = {};
            host->dispatch(effGetProgramNameIndexed, p, 0, name);
            if (std::string(name).rfind("-Empty ", 0) == 0)
                continue; // places no program fills yet: copies of Init
            char image[32];
            std::snprintf(image, sizeof image, "/%03d.pgm", p);
            const Row r = play(*host, p, flac, dir + image);
            char line[160];
            std::snprintf(line, sizeof line, "%d\t%s\t%s\t%.1f\t%.1f\t%.2f\n", p, r.name.c_str(), r.category.c_str(),
                          r.peakDb, r.loudnessDb, r.releaseSeconds);
            table << line;
        }
        flac.close();
        if (!table) throw std::runtime_error("cannot write the table");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vesk-audition: %s\n", e.what());
        return 1;
    }
    return 0;
}
