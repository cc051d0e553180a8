// The lookup tables the voices read instead of evaluating curves per frame.
// Everything that depends on the sample rate lives in one object per engine,
// so two instances running at different rates never detune each other; the
// few rate-independent tables are shared, read-only, by every instance.
// Fixed-size (about 245 KB), so a rebuild never allocates; owners keep it on
// the heap rather than on a thread's stack.
#pragma once

#include <array>
#include <cstdint>

class RateTables {
public:
    static constexpr int32_t kEnvelopeTableSize = 1025; // time index j = 0..1024
    static constexpr int32_t kCycleLength = 2048;       // one waveform cycle, read with the top 11 phase bits
    static constexpr int32_t kCycleTableSize = kCycleLength + 1; // + guard entry equal to entry 0
    static constexpr int32_t kPitchStepsPerOctave = 1536;        // 128 per semitone
    static constexpr int32_t kPitchTableSize = 15 * kPitchStepsPerOctave;
    static constexpr int32_t kMidiNoteZeroPitch = 36 * 128;     // table index of MIDI note 0 without detune
    static constexpr int32_t kCutoffTableSize = 2254;           // cutoff index 0..2253
    static constexpr int32_t kCutoffIndex22k = 2048;
    static constexpr int32_t kCombTableSize = 2049;
    static constexpr int32_t kSpikeCapacity = 8192;             // reached at about 352.8 kHz
    static constexpr int32_t kIndexRampSize = 1024;
    static constexpr int32_t kSaturationTableSize = 4097;
    static constexpr double kSaturationStepsPerUnit = 256.0;

    // Rates outside this range are clamped (NaN falls back to the default),
    // so a confused host cannot make a table divide by zero or overflow.
    static constexpr double kDefaultSampleRate = 44100.0;
    static constexpr double kLowestSampleRate = 1000.0;
    static constexpr double kHighestSampleRate = 10000000.0;

    using EnvelopeTable = std::array<float, kEnvelopeTableSize>;
    using CycleTable = std::array<float, kCycleTableSize>;
    using CycleTableInt16 = std::array<int16_t, kCycleTableSize>;
    using CutoffTable = std::array<float, kCutoffTableSize>;
    using SpikeTable = std::array<float, kSpikeCapacity>;
    using IndexRamp = std::array<int16_t, kIndexRampSize>;

    // The smooth-random content comes from a generator owned by this object;
    // the engine may seed instances differently so they do not sound alike.
    // Tables are built for the default rate straight away, so an object is
    // never read half-built.
    explicit RateTables(uint32_t randomSeed = 1);

    // Rewrites every table in place for a new rate. Never allocates; the smooth
    // random table is drawn afresh each time.
    void rebuild(double rate);

    // Written only by rebuild; everything else reads them through a const
    // RateTables&.
    double sampleRate = kDefaultSampleRate; // the rate the tables were built for, after clamping

    // [j], j = 0..1024 for times 2 ms..20 s (exponential): per-frame factor that shrinks a level to a tenth in that time
    EnvelopeTable envelopeDecayFactor{};
    // [j], j = 0..1024 as above: per-frame step of a linear ramp covering 1.0 in that time
    EnvelopeTable envelopeRampStep{};

    // [phase >> 21] plus guard: 0.999 sin
    CycleTable sine{};
    // [phase >> 21] plus guard: 0.999 sin on the oscillators' ±32767 scale, truncated
    CycleTableInt16 sineInt16{};
    // [phase >> 21] plus guard: inverted square with exponential edges, from the sine
    CycleTable softSquare{};
    // [phase >> 21] plus guard: 15 low-passed random steps of 128 entries, settling to 0 at the end of the cycle
    CycleTable smoothRandom{};
    // [phase >> 21] plus guard: +1 falling to just above -1, 16-bit quantised
    CycleTable fallingSaw{};
    // [phase >> 21] plus guard: +1 down to -1 over the first half, back up over the second
    CycleTable triangle{};
    // [phase >> 21] plus guard: -1 up to +1 over entries 0..127, down to -1 over the rest, 16-bit quantised
    CycleTable skewedTriangle{};

    // [p], p in 1/128 semitone from 1.02197 Hz (MIDI note n at 128 (n + 36)): frequency in Hz
    std::array<float, kPitchTableSize> pitchToFrequency{};

    // [i], cutoff index 0..2253 (see cutoffFrequency): state-variable integrator gain, filter run at 3x the rate
    CutoffTable svfCoefficient{};
    // [i], cutoff index 0..2253: ladder stage pole, -1 at low cutoffs towards 0.2
    CutoffTable ladderTuning{};
    // Highest cutoff index the ladder may use at this rate; the tables themselves run to 2253.
    int32_t cutoffIndexLimit = 0;

    // [m], cutoff index 0..2048: comb delay in samples, 50 down to 2 at 44.1 kHz, scaled with the rate
    std::array<float, kCombTableSize> combDelay{};

    // [age], age < spikeLength: attack transient gain peaking at 1.0 (soft) and 1.6 (hard); zero beyond
    SpikeTable spikeSoft{};
    SpikeTable spikeHard{};
    // 1024 frames at 44.1 kHz; limited to kSpikeCapacity above about 352.8 kHz.
    int32_t spikeLength = 0;

    // [i], i = 0..1023: i
    static const IndexRamp& indexRampUp();
    // [i], i = 0..1023: 1024 - i
    static const IndexRamp& indexRampDown();
    // [i], i = 0..4096: tanh(i / 256)
    static const std::array<float, kSaturationTableSize>& saturation();

    // The frequency a cutoff index stands for: 10 Hz at 0, 22 kHz at 2048,
    // 2200 times per 2048 steps (about 11 octaves).
    static double cutoffFrequency(int32_t index);

private:
    void buildEnvelopeTables();
    void buildWaveformTables();
    void buildSmoothRandom();
    void buildPitchTable();
    void buildCutoffTables();
    void buildSpikeTables();
    void buildSpike(SpikeTable& table, int32_t halfWidth, double cornerHz, float peak);
    int32_t nextRandom15();

    uint32_t randomState; // linear congruential, advanced by every draw
};
