#include "MidiFileReader.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace {

constexpr double kDefaultMicrosecondsPerQuarter = 500000.0; // 120 BPM
constexpr double kMicrosecondsPerMinute = 60e6;
constexpr size_t kHeaderLength = 6;
constexpr int kLongestQuantity = 4; // bytes of a variable-length quantity

// Thrown for what makes the whole file unusable.
struct Malformed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A timed event as read from one track, before the tempo map places it.
struct TickEvent {
    uint64_t tick;
    uint32_t order; // file order, so events on one tick keep it
    uint8_t status, data1, data2;
    uint32_t tempo; // microseconds per quarter for a tempo change, else 0
};

// Reads one track chunk's bytes; everything it reads is checked against
// the chunk's end.
class TrackReader {
public:
    TrackReader(const uint8_t* begin, const uint8_t* end) : at(begin), end(end) {}

    // Adds the track's events to `events`. Answers what cut the track short,
    // or an empty text when it ended properly.
    std::string read(std::vector<TickEvent>& events, size_t eventLimit, uint64_t& lastTick)
    {
        uint64_t tick = 0;
        uint8_t running = 0;
        while (at < end) {
            uint32_t delta = 0;
            if (!quantity(delta) || at >= end)
                return "an event time runs past the end of the track";
            tick += delta;
            lastTick = std::max(lastTick, tick);
            uint8_t status = *at;
            if (status & 0x80)
                ++at;
            else if (running == 0)
                return "a data byte without any status before it";
            else
                status = running;

            if (status == 0xFF) {
                if (at >= end)
                    return "a meta event is cut off";
                const uint8_t type = *at++;
                uint32_t length = 0;
                if (!quantity(length) || length > static_cast<size_t>(end - at))
                    return "a meta event is cut off";
                if (type == 0x2F)
                    return std::string();
                if (type == 0x51 && length == 3) {
                    const uint32_t tempo = (uint32_t{at[0]} << 16) | (uint32_t{at[1]} << 8) | at[2];
                    if (tempo > 0 && !push(events, eventLimit, {tick, 0, 0, 0, 0, tempo}))
                        return "";
                }
                at += length;
                running = 0;
            } else if (status == 0xF0 || status == 0xF7) {
                uint32_t length = 0;
                if (!quantity(length) || length > static_cast<size_t>(end - at))
                    return "a system exclusive message is cut off";
                at += length;
                running = 0;
            } else if (status >= 0xF0) {
                return "system message " + hex(status) + " has no place in a MIDI file";
            } else {
                const int dataBytes = (status & 0xE0) == 0xC0 ? 1 : 2;
                if (end - at < dataBytes)
                    return "a channel message is cut off";
                const uint8_t data1 = at[0] & 0x7F;
                const uint8_t data2 = dataBytes == 2 ? at[1] & 0x7F : 0;
                at += dataBytes;
                running = status;
                if (!push(events, eventLimit, {tick, 0, status, data1, data2, 0}))
                    return "";
            }
        }
        return "the track has no end-of-track event";
    }

    bool overLimit() const { return limitHit; }

private:
    bool quantity(uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < kLongestQuantity; ++i) {
            if (at >= end)
                return false;
            const uint8_t byte = *at++;
            value = (value << 7) | (byte & 0x7F);
            if (!(byte & 0x80))
                return true;
        }
        return false;
    }

    bool push(std::vector<TickEvent>& events, size_t limit, TickEvent event)
    {
        if (events.size() >= limit) {
            limitHit = true;
            return false;
        }
        event.order = static_cast<uint32_t>(events.size());
        events.push_back(event);
        return true;
    }

    static std::string hex(uint8_t byte)
    {
        char text[8];
        std::snprintf(text, sizeof text, "0x%02X", byte);
        return text;
    }

    const uint8_t* at;
    const uint8_t* end;
    bool limitHit = false;
};

uint32_t bigEndian(const uint8_t* bytes, int count)
{
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

std::vector<uint8_t> readAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read MIDI file '" + path + "'");
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > MidiFileReader::kLargestFile)
        throw std::runtime_error("'" + path + "' is too large for a MIDI file (more than " +
                                 std::to_string(MidiFileReader::kLargestFile >> 20) + " MB)");
    file.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size))
        throw std::runtime_error("cannot read MIDI file '" + path + "'");
    return bytes;
}

// Seconds per tick from the header's division, for a given tempo.
struct Timing {
    bool smpte = false;
    double ticksPerQuarter = 0.0;
    double ticksPerSecond = 0.0; // SMPTE: frames per second * ticks per frame

    double secondsPerTick(double microsecondsPerQuarter) const
    {
        return smpte ? 1.0 / ticksPerSecond : microsecondsPerQuarter / (ticksPerQuarter * 1e6);
    }
};

Timing timingOf(uint16_t division)
{
    Timing timing;
    if (division & 0x8000) {
        const int framesPerSecond = -static_cast<int8_t>(division >> 8);
        const int ticksPerFrame = division & 0xFF;
        if ((framesPerSecond != 24 && framesPerSecond != 25 && framesPerSecond != 29 && framesPerSecond != 30) ||
            ticksPerFrame == 0)
            throw Malformed("its SMPTE division (" + std::to_string(framesPerSecond) + " frames per second, " +
                            std::to_string(ticksPerFrame) + " ticks per frame) is not a valid one");
        timing.smpte = true;
        timing.ticksPerSecond = (framesPerSecond == 29 ? 29.97 : framesPerSecond) * ticksPerFrame;
    } else {
        if (division == 0)
            throw Malformed("it declares 0 ticks per quarter note");
        timing.ticksPerQuarter = division;
    }
    return timing;
}

} // namespace

Score MidiFileReader::read(const std::string& path, std::vector<std::string>& warnings)
{
    const std::vector<uint8_t> bytes = readAll(path);
    const std::string name = "'" + path + "'";
    try {
        if (bytes.size() < 4 || bigEndian(bytes.data(), 4) != 0x4D546864) // "MThd"
            throw Malformed("it does not start with a MIDI header");
        if (bytes.size() < 8 + kHeaderLength)
            throw Malformed("it ends inside its header");
        const uint32_t headerLength = bigEndian(&bytes[4], 4);
        if (headerLength < kHeaderLength || headerLength > bytes.size() - 8)
            throw Malformed("its header declares " + std::to_string(headerLength) + " bytes");
        const uint16_t format = static_cast<uint16_t>(bigEndian(&bytes[8], 2));
        if (format > 1)
            throw Malformed("format #" + std::to_string(format) + " is not supported (only 0 and 1)");
        const uint16_t trackCount = static_cast<uint16_t>(bigEndian(&bytes[10], 2));
        const Timing timing = timingOf(static_cast<uint16_t>(bigEndian(&bytes[12], 2)));

        std::vector<TickEvent> events;
        uint64_t lastTick = 0;
        size_t pos = 8 + headerLength;
        int tracksRead = 0;
        while (tracksRead < trackCount && pos < bytes.size()) {
            if (bytes.size() - pos < 8) {
                warnings.push_back(name + " ends inside a chunk header; played what came before");
                break;
            }
            const uint32_t id = bigEndian(&bytes[pos], 4);
            const uint32_t declared = bigEndian(&bytes[pos + 4], 4);
            pos += 8;
            const size_t available = bytes.size() - pos;
            const size_t length = std::min<size_t>(declared, available);
            if (id != 0x4D54726B) { // "MTrk": other chunks are skipped, as the format asks
                pos += length;
                continue;
            }
            ++tracksRead;
            TrackReader track(&bytes[pos], &bytes[pos] + length);
            const std::string cut = track.read(events, kMostEvents, lastTick);
            if (track.overLimit())
                throw Malformed("it holds more than " + std::to_string(kMostEvents) + " events");
            if (!cut.empty()) {
                if (declared <= available && tracksRead < trackCount && cut.find("end-of-track") == std::string::npos)
                    throw Malformed("track " + std::to_string(tracksRead) + ": " + cut);
                warnings.push_back(name + ", track " + std::to_string(tracksRead) + ": " + cut +
                                   "; played what came before");
            }
            pos += length;
        }
        if (tracksRead == 0)
            throw Malformed("it holds no track");
        if (tracksRead < trackCount)
            warnings.push_back(name + " declares " + std::to_string(trackCount) + " tracks but holds " +
                               std::to_string(tracksRead));

        // One tempo map for all tracks: place every event in tick order.
        std::sort(events.begin(), events.end(), [](const TickEvent& a, const TickEvent& b) {
            return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
        });
        Score score;
        double microsecondsPerQuarter = kDefaultMicrosecondsPerQuarter;
        // Times count from the last tempo change, not from the last event, so
        // rounding never accumulates along a track.
        double segmentSeconds = 0.0, seconds = 0.0;
        uint64_t segmentTick = 0;
        auto advanceTo = [&](uint64_t target) {
            seconds = segmentSeconds + static_cast<double>(target - segmentTick) *
                                           timing.secondsPerTick(microsecondsPerQuarter);
            if (seconds > kLongestSeconds)
                throw Malformed("it lasts more than " + std::to_string(static_cast<int>(kLongestSeconds / 3600)) +
                                " hours");
        };
        for (const TickEvent& event : events) {
            advanceTo(event.tick);
            if (event.tempo) {
                microsecondsPerQuarter = event.tempo;
                segmentSeconds = seconds;
                segmentTick = event.tick;
                if (!timing.smpte)
                    score.tempos.push_back({seconds, kMicrosecondsPerMinute / microsecondsPerQuarter});
            } else {
                score.events.push_back({seconds, event.status, event.data1, event.data2});
            }
        }
        advanceTo(lastTick);
        score.lengthSeconds = seconds;
        return score;
    } catch (const Malformed& error) {
        throw std::runtime_error(name + " is not a readable Standard MIDI File: " + error.what());
    }
}
