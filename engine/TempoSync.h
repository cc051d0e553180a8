// Rates of the LFOs and the arpeggiator, free-running or locked to the host
// tempo through the note-length table. Pure functions: the engine calls them
// whenever a rate, a sync switch or the tempo may have changed.
#pragma once

// Tempos outside kMinTempoBpm..kMaxTempoBpm are clamped, and a tempo that is
// not a positive number counts as the host giving none (kDefaultTempoBpm):
// a zero or runaway tempo would stop the arpeggiator or make it tick many
// times per frame.
constexpr double kDefaultTempoBpm = 120.0;
constexpr double kMinTempoBpm = 1.0;
constexpr double kMaxTempoBpm = 1000.0;

// LFO frequency in Hz for a raw rate v (0..1; anything else, NaN included, is
// taken to the nearest end). Synced, one LFO period lasts the note length that
// v picks, at tempoBpm quarter notes per minute; free, 0.1 Hz to 100 Hz,
// exponential in v.
float lfoFrequency(float rawRate, bool synced, double tempoBpm);

// Frames per arpeggiator tick (32 ticks make a step) for a raw rate v, taken
// into 0..1 as above. Synced, a step lasts the note length that v picks among
// the arpeggiator's 21; free, steps run at 0.1 to 100 per second.
double arpFramesPerTick(float rawRate, bool synced, double tempoBpm, double sampleRate);
