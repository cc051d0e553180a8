#include "Score.h"

#include <algorithm>
#include <array>

namespace {

constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kSustainController = 64;

bool isNoteOn(const ScoreEvent& event) { return (event.status & 0xF0) == kNoteOn && event.data2 > 0; }

bool isNoteOff(const ScoreEvent& event)
{
    return (event.status & 0xF0) == kNoteOff || ((event.status & 0xF0) == kNoteOn && event.data2 == 0);
}

void sortByTime(std::vector<ScoreEvent>& events)
{
    // Stable, and note-offs first at equal times, so a note repeated at the
    // moment it ends is released and struck again rather than cut short.
    std::stable_sort(events.begin(), events.end(), [](const ScoreEvent& a, const ScoreEvent& b) {
        if (a.seconds != b.seconds)
            return a.seconds < b.seconds;
        return isNoteOff(a) && !isNoteOff(b);
    });
}

} // namespace

Score Score::fromNotes(const std::vector<NoteSpec>& notes)
{
    Score score;
    for (const NoteSpec& note : notes) {
        const auto key = static_cast<uint8_t>(note.note);
        score.events.push_back({note.start, kNoteOn, key, static_cast<uint8_t>(note.velocity)});
        score.events.push_back({note.start + note.length, kNoteOff, key, 0});
        score.lengthSeconds = std::max(score.lengthSeconds, note.start + note.length);
    }
    sortByTime(score.events);
    return score;
}

void Score::truncate(double seconds)
{
    if (seconds >= lengthSeconds)
        return;
    // Keys still down per channel at the cut, as note-on counts.
    std::array<std::array<int, 128>, 16> held{};
    std::array<bool, 16> channelUsed{};
    std::vector<ScoreEvent> kept;
    for (const ScoreEvent& event : events) {
        if (event.seconds >= seconds)
            break;
        kept.push_back(event);
        const int channel = event.status & 0x0F;
        int& count = held[channel][event.data1 & 0x7F];
        if (isNoteOn(event))
            ++count;
        else if (isNoteOff(event) && count > 0)
            --count;
        channelUsed[channel] = channelUsed[channel] || event.status < 0xF0;
    }
    for (int channel = 0; channel < 16; ++channel) {
        if (!channelUsed[channel])
            continue;
        const auto status = static_cast<uint8_t>(channel);
        kept.push_back({seconds, static_cast<uint8_t>(kControlChange | status), kSustainController, 0});
        for (int key = 0; key < 128; ++key)
            for (int i = 0; i < held[channel][key]; ++i)
                kept.push_back({seconds, static_cast<uint8_t>(kNoteOff | status), static_cast<uint8_t>(key), 0});
    }
    events = std::move(kept);
    tempos.erase(std::remove_if(tempos.begin(), tempos.end(), [seconds](const TempoChange& t) { return t.seconds >= seconds; }),
                 tempos.end());
    lengthSeconds = seconds;
}
