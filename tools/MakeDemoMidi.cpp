// Writes a Standard MIDI File (type 1) from a readable note list. Used for
// the bundled demo; usage: vesk_make_demo_midi LIST OUT.mid
//
// The list holds one statement a line; a '#' at the start of a word starts a
// comment (F#3 is a note). Times are BAR:BEAT (both from 1, beats may be
// fractional, 4/4 throughout), lengths in beats:
//   tempo TIME BPM                          a tempo change (conductor track)
//   track NAME CHANNEL                      starts a track; CHANNEL 1..16
//   note TIME LENGTH VELOCITY NOTE...       one note, or a chord of several
//   cc TIME CONTROLLER VALUE
//   bend TIME VALUE                         -8192..8191, 0 = centre
//   cc-ramp TIME LENGTH CONTROLLER FROM TO  a straight glide of values
//   bend-ramp TIME LENGTH FROM TO
#include "NoteName.h"
#include "WholeNumber.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <cstdint>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kTicksPerBeat = 480;
constexpr int kBeatsPerBar = 4;
constexpr int kRampStepTicks = kTicksPerBeat / 16;
constexpr int kBendCentre = 8192;

// One track's events, kept in the order they were added within a tick.
struct Track {
    struct Event {
        int tick;
        std::vector<uint8_t> bytes; // status and data, or a whole meta event
    };
    std::vector<Event> events;

    void add(int tick, std::vector<uint8_t> bytes) { events.push_back({tick, std::move(bytes)}); }
};

void putBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void putQuantity(std::vector<uint8_t>& out, uint32_t value)
{
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = value & 0x7F;
        value >>= 7;
    } while (value);
    while (count-- > 0)
        out.push_back(static_cast<uint8_t>(groups[count] | (count ? 0x80 : 0)));
}

class ListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A plain decimal number, or NaN when the text is anything else.
double decimal(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return text.empty() || *end != 0 ? NAN : value;
}

class DemoWriter {
public:
    DemoWriter() : tracks(1) {}

    void statement(const std::string& line);
    void save(const std::string& path);

private:
    int ticks(const std::string& barBeat) const;
    int lengthTicks(const std::string& beats) const;
    int number(const std::string& text, int lowest, int highest) const;
    void add(int tick, int status, int data1, int data2);
    void ramp(int tick, int length, int status, int controller, int from, int to, bool isBend);
    Track& currentTrack();

    std::vector<Track> tracks; // the conductor first
    int channel = 0;
};

int DemoWriter::number(const std::string& text, int lowest, int highest) const
{
    if (const std::optional<int> value = vesk::gen::wholeNumber(text, lowest, highest))
        return *value;
    throw ListError("'" + text + "' is not a whole number in " + std::to_string(lowest) + ".." +
                    std::to_string(highest));
}

int DemoWriter::ticks(const std::string& barBeat) const
{
    const size_t colon = barBeat.find(':');
    if (colon == std::string::npos)
        throw ListError("'" + barBeat + "' is not BAR:BEAT");
    const int bar = number(barBeat.substr(0, colon), 1, 9999);
    const double beat = decimal(barBeat.substr(colon + 1));
    if (!(beat >= 1.0 && beat < kBeatsPerBar + 1))
        throw ListError("'" + barBeat + "': the beat must be in 1..4.999");
    return static_cast<int>(std::lround(((bar - 1) * kBeatsPerBar + beat - 1.0) * kTicksPerBeat));
}

int DemoWriter::lengthTicks(const std::string& beats) const
{
    const double value = decimal(beats);
    if (!(value > 0.0) || value > 1000.0)
        throw ListError("'" + beats + "' is not a length in beats");
    return std::max(1, static_cast<int>(std::lround(value * kTicksPerBeat)));
}

Track& DemoWriter::currentTrack()
{
    if (tracks.size() < 2)
        throw ListError("notes and controllers need a 'track' line first");
    return tracks.back();
}

void DemoWriter::add(int tick, int status, int data1, int data2)
{
    currentTrack().add(tick, {static_cast<uint8_t>(status), static_cast<uint8_t>(data1), static_cast<uint8_t>(data2)});
}

void DemoWriter::ramp(int tick, int length, int status, int controller, int from, int to, bool isBend)
{
    const int steps = length > 0 ? std::max(1, length / kRampStepTicks) : 0;
    for (int i = 0; i <= steps; ++i) {
        const double share = steps > 0 ? static_cast<double>(i) / steps : 0.0;
        const int at = tick + static_cast<int>(std::lround(length * share));
        const int value = static_cast<int>(std::lround(from + (to - from) * share));
        if (isBend)
            add(at, status, (value + kBendCentre) & 0x7F, ((value + kBendCentre) >> 7) & 0x7F);
        else
            add(at, status, controller, value);
    }
}

void DemoWriter::statement(const std::string& line)
{
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word && word[0] != '#';)
        w.push_back(word);
    if (w.empty())
        return;
    auto need = [&](size_t count, bool exact) {
        if (w.size() < count || (exact && w.size() > count))
            throw ListError("'" + w[0] + "' takes " + std::to_string(count - 1) + (exact ? "" : " or more") + " values");
    };
    const int controlChange = 0xB0 | channel;
    const int pitchBend = 0xE0 | channel;
    if (w[0] == "tempo") {
        need(3, true);
        const int microsecondsPerBeat = 60000000 / number(w[2], 20, 400);
        std::vector<uint8_t> tempo{0xFF, 0x51, 0x03};
        putBigEndian(tempo, static_cast<uint32_t>(microsecondsPerBeat), 3);
        tracks.front().add(ticks(w[1]), tempo);
    } else if (w[0] == "track") {
        need(3, true);
        channel = number(w[2], 1, 16) - 1;
        std::vector<uint8_t> name{0xFF, 0x03};
        putQuantity(name, static_cast<uint32_t>(w[1].size()));
        name.insert(name.end(), w[1].begin(), w[1].end());
        tracks.emplace_back();
        tracks.back().add(0, name);
    } else if (w[0] == "note") {
        need(5, false);
        const int start = ticks(w[1]);
        const int length = lengthTicks(w[2]);
        const int velocity = number(w[3], 1, 127);
        for (size_t i = 4; i < w.size(); ++i) {
            const int key = parseNoteName(w[i]);
            if (key < 0)
                throw ListError("'" + w[i] + "' is not a note");
            add(start, 0x90 | channel, key, velocity);
            add(start + length, 0x80 | channel, key, 0);
        }
    } else if (w[0] == "cc") {
        need(4, true);
        add(ticks(w[1]), controlChange, number(w[2], 0, 127), number(w[3], 0, 127));
    } else if (w[0] == "bend") {
        need(3, true);
        ramp(ticks(w[1]), 0, pitchBend, 0, number(w[2], -8192, 8191), 0, true);
    } else if (w[0] == "cc-ramp") {
        need(6, true);
        ramp(ticks(w[1]), lengthTicks(w[2]), controlChange, number(w[3], 0, 127), number(w[4], 0, 127),
             number(w[5], 0, 127), false);
    } else if (w[0] == "bend-ramp") {
        need(5, true);
        ramp(ticks(w[1]), lengthTicks(w[2]), pitchBend, 0, number(w[3], -8192, 8191), number(w[4], -8192, 8191), true);
    } else {
        throw ListError("unknown statement '" + w[0] + "'");
    }
}

void DemoWriter::save(const std::string& path)
{
    std::vector<uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    putBigEndian(file, static_cast<uint32_t>(tracks.size()), 2);
    putBigEndian(file, kTicksPerBeat, 2);
    for (Track& track : tracks) {
        std::stable_sort(track.events.begin(), track.events.end(),
                         [](const Track::Event& a, const Track::Event& b) { return a.tick < b.tick; });
        std::vector<uint8_t> data;
        int tick = 0;
        for (const Track::Event& event : track.events) {
            putQuantity(data, static_cast<uint32_t>(event.tick - tick));
            tick = event.tick;
            data.insert(data.end(), event.bytes.begin(), event.bytes.end());
        }
        data.insert(data.end(), {0x00, 0xFF, 0x2F, 0x00});
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        putBigEndian(file, static_cast<uint32_t>(data.size()), 4);
        file.insert(file.end(), data.begin(), data.end());
    }
    std::ofstream out(path, std::ios::binary);
    if (!out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size())))
        throw std::runtime_error("cannot write '" + path + "'");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: vesk_make_demo_midi NOTE-LIST OUT.mid\n");
        return 2;
    }
    std::ifstream list(argv[1]);
    if (!list) {
        std::fprintf(stderr, "vesk_make_demo_midi: cannot read '%s'\n", argv[1]);
        return 1;
    }
    try {
        DemoWriter writer;
        std::string line;
        for (int number = 1; std::getline(list, line); ++number) {
            try {
                writer.statement(line);
            } catch (const ListError& error) {
                throw std::runtime_error(std::string(argv[1]) + ":" + std::to_string(number) + ": " + error.what());
            }
        }
        writer.save(argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vesk_make_demo_midi: %s\n", error.what());
        return 1;
    }
    return 0;
}
