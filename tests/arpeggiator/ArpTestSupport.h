// An arpeggiator driven directly: steps written as semitones, keys pressed and
// released between runs, and every note it queues recorded with its frame.
#pragma once

#include "Arpeggiator.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <vector>

constexpr float kRest = 0.0f;
constexpr float kTie = 1.0f;
// The step that plays the key `semitones` up (0: the key itself).
constexpr float up(int semitones) { return static_cast<float>(semitones + 1) / 128.0f; }
// Dynamic mode's finger value choosing key group g.
constexpr float group(int g) { return static_cast<float>(16 * g + 8) / 128.0f; }

struct ArpEvent {
    bool on;
    int32_t note;
    int32_t frame;
    bool operator==(const ArpEvent& o) const { return on == o.on && note == o.note && frame == o.frame; }
};

inline std::ostream& operator<<(std::ostream& os, const ArpEvent& e)
{
    return os << (e.on ? "on " : "off ") << e.note << " @" << e.frame;
}

class ArpRig : public ArpNoteSink {
public:
    static constexpr int32_t kTick = 10; // frames per tick: step k starts at frame 320 k

    ArpRig(int32_t mode, std::initializer_list<float> steps, std::initializer_list<float> fingers = {})
    {
        arp.setArpMode(mode);
        arp.arpSteps = static_cast<uint8_t>(steps.size());
        int32_t k = 0;
        for (float s : steps)
            arp.setStepValue(k++, s);
        k = 0;
        for (float f : fingers)
            arp.setFingerValue(k++, f);
    }

    void queueArpEvent(uint8_t status, int32_t note, int32_t delta, uint8_t velocity) override
    {
        events.push_back({status == 0x90, note, delta});
        velocities.push_back(velocity);
    }

    // A press with no key held starts the pattern at the current frame.
    void press(std::initializer_list<int32_t> notes, uint8_t velocity = 100)
    {
        for (int32_t n : notes) {
            if (arp.lowestHeldKey() < 0)
                arp.restart();
            arp.arpKeys[n] = velocity;
        }
    }
    void release(int32_t note) { arp.arpKeys[note] = 0; }

    void run(int32_t frames, int32_t piece = 512)
    {
        for (int32_t done = 0; done < frames;) {
            const int32_t k = std::min(piece, frames - done);
            arp.beginPiece(frame, k, kTick);
            arp.process(0, k, *this);
            frame += k;
            done += k;
        }
    }
    void runSteps(int32_t steps) { run(steps * Arpeggiator::kTicksPerStep * kTick); }

    std::vector<int32_t> notesPlayed() const
    {
        std::vector<int32_t> notes;
        for (const ArpEvent& e : events)
            if (e.on)
                notes.push_back(e.note);
        return notes;
    }

    Arpeggiator arp;
    std::vector<ArpEvent> events;
    std::vector<uint8_t> velocities;
    int32_t frame = 0;
};

constexpr int32_t kStep = Arpeggiator::kTicksPerStep * ArpRig::kTick;
