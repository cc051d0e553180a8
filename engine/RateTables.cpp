#include "RateTables.h"

#include "Conversions.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPi = 2.0 * M_PI;
constexpr double kSineAmplitude = 0.999; // a hair under full scale, so the 16-bit copy stays off the rail
constexpr double kEnvelopeShortestMs = 2.0;
constexpr double kEnvelopeLongestMs = 20000.0;
constexpr int32_t kEnvelopeSteps = RateTables::kEnvelopeTableSize - 1;
constexpr double kLowestPitchHz = 1.021974609375; // 8.175796875 Hz / 8: MIDI note 0 sits three octaves up
constexpr int32_t kPitchOctaves = RateTables::kPitchTableSize / RateTables::kPitchStepsPerOctave;
constexpr int32_t kSmoothRandomHold = 128;
constexpr int32_t kSmoothRandomQuietFrom = 1920; // the last hold stays at 0 so the cycle ends where it began
constexpr double kCombLongestDelay = 50.0;        // samples at 44.1 kHz
constexpr double kCombShortestRatio = 0.04;       // 2 samples at the top of the range
constexpr double kReferenceRate = 44100.0;
constexpr int32_t kSpikeLengthAtReference = 1024;

// A 16-bit sample value as the tables hold it, int16 / 32768; values beyond the
// 16-bit range saturate as they would on the oscillators' integer scale.
float fromInt16(int32_t v)
{
    return static_cast<float>(clampTo<int32_t>(v, -32768, 32767)) / 32768.0f;
}

constexpr RateTables::IndexRamp makeIndexRamp(bool up)
{
    RateTables::IndexRamp ramp{};
    for (int32_t i = 0; i < RateTables::kIndexRampSize; ++i)
        ramp[static_cast<size_t>(i)] = static_cast<int16_t>(up ? i : RateTables::kIndexRampSize - i);
    return ramp;
}

constexpr RateTables::IndexRamp kIndexRampUp = makeIndexRamp(true);
constexpr RateTables::IndexRamp kIndexRampDown = makeIndexRamp(false);

} // namespace

RateTables::RateTables(uint32_t randomSeed) : randomState(randomSeed)
{
    // The shared saturation table is built here, never lazily on the audio thread.
    saturation();
    rebuild(kDefaultSampleRate);
}

void RateTables::rebuild(double rate)
{
    sampleRate = std::isnan(rate) ? kDefaultSampleRate : clampTo(rate, kLowestSampleRate, kHighestSampleRate);
    buildEnvelopeTables();
    buildWaveformTables();
    buildPitchTable();
    buildCutoffTables();
    buildSpikeTables();
}

const RateTables::IndexRamp& RateTables::indexRampUp() { return kIndexRampUp; }

const RateTables::IndexRamp& RateTables::indexRampDown() { return kIndexRampDown; }

const std::array<float, RateTables::kSaturationTableSize>& RateTables::saturation()
{
    static const std::array<float, kSaturationTableSize> table = [] {
        std::array<float, kSaturationTableSize> t{};
        for (int32_t i = 0; i < kSaturationTableSize; ++i)
            t[static_cast<size_t>(i)] = static_cast<float>(std::tanh(i / kSaturationStepsPerUnit));
        return t;
    }();
    return table;
}

double RateTables::cutoffFrequency(int32_t index)
{
    return 22000.0 * std::pow(2200.0, (index - kCutoffIndex22k) / static_cast<double>(kCutoffIndex22k));
}

void RateTables::buildEnvelopeTables()
{
    for (int32_t j = 0; j < kEnvelopeTableSize; ++j) {
        const double ms = expMap(j / static_cast<double>(kEnvelopeSteps), kEnvelopeShortestMs, kEnvelopeLongestMs);
        envelopeDecayFactor[static_cast<size_t>(j)] = static_cast<float>(timeCoef(ms, 0.1, sampleRate));
        envelopeRampStep[static_cast<size_t>(j)] = static_cast<float>(1.0 / (ms * 0.001 * sampleRate));
    }
}

void RateTables::buildWaveformTables()
{
    for (int32_t i = 0; i < kCycleTableSize; ++i) {
        const size_t k = static_cast<size_t>(i);
        const double x = kSineAmplitude * std::sin(kTwoPi * i / kCycleLength);
        sine[k] = static_cast<float>(x);
        sineInt16[k] = static_cast<int16_t>(32767.0 * x);
        softSquare[k] = static_cast<float>(x > 0.0 ? std::exp(-15.0 * x) - 1.0 : 1.0 - std::exp(15.0 * x));
    }

    buildSmoothRandom();

    // 1 - i/1024 in 1/32768 steps; the top entry saturates at 32767, since
    // +32768 would wrap to -1 in 16 bits and turn the first sample upside down.
    for (int32_t i = 0; i < kCycleLength; ++i)
        fallingSaw[static_cast<size_t>(i)] = fromInt16(32768 - 32 * i);
    fallingSaw[kCycleLength] = fallingSaw[0];

    constexpr int32_t half = kCycleLength / 2;
    for (int32_t i = 0; i < half; ++i) {
        triangle[static_cast<size_t>(i)] = fallingSaw[static_cast<size_t>(2 * i)];
        triangle[static_cast<size_t>(i + half)] = -fallingSaw[static_cast<size_t>(2 * i)];
    }
    triangle[kCycleLength] = triangle[0];

    // Integer slopes that land exactly on ±32767 at entries 0, 128 and 2048.
    constexpr int32_t rise = 128;
    for (int32_t i = 0; i < rise; ++i)
        skewedTriangle[static_cast<size_t>(i)] = fromInt16((65534 * i - 4194176) / rise);
    for (int32_t i = rise; i < kCycleLength; ++i)
        skewedTriangle[static_cast<size_t>(i)] = fromInt16((71300992 - 65534 * i) / (kCycleLength - rise));
    skewedTriangle[kCycleLength] = skewedTriangle[0];
}

void RateTables::buildSmoothRandom()
{
    double held = 0.0;
    double previousHeld = 0.0;
    double y = 0.0;
    for (int32_t i = 0; i < kCycleTableSize; ++i) {
        if (i >= kSmoothRandomQuietFrom)
            held = 0.0;
        else if (i % kSmoothRandomHold == 0)
            held = nextRandom15() / 32767.0 - 0.5;
        // Unity gain at DC: each step settles on its drawn value well within 128 entries.
        y = 0.26264 * (held + previousHeld) + 0.47472 * y;
        previousHeld = held;
        smoothRandom[static_cast<size_t>(i)] = static_cast<float>(y);
    }
}

int32_t RateTables::nextRandom15()
{
    randomState = randomState * 1103515245u + 12345u;
    return static_cast<int32_t>((randomState >> 16) & 0x7fffu);
}

void RateTables::buildPitchTable()
{
    // Only the first octave goes through pow; the others are exact power-of-two
    // multiples of it, so every octave is in tune with the first to the bit.
    for (int32_t j = 0; j < kPitchStepsPerOctave; ++j)
        pitchToFrequency[static_cast<size_t>(j)] =
            static_cast<float>(kLowestPitchHz * std::exp2(j / static_cast<double>(kPitchStepsPerOctave)));
    for (int32_t octave = 1; octave < kPitchOctaves; ++octave) {
        const float scale = std::ldexp(1.0f, octave);
        for (int32_t j = 0; j < kPitchStepsPerOctave; ++j)
            pitchToFrequency[static_cast<size_t>(octave * kPitchStepsPerOctave + j)] =
                pitchToFrequency[static_cast<size_t>(j)] * scale;
    }
}

void RateTables::buildCutoffTables()
{
    for (int32_t i = 0; i < kCutoffTableSize; ++i) {
        const double f = cutoffFrequency(i);
        // Past a quarter cycle the sine would fall again (closing the filter as
        // the cutoff rises) and past half a cycle turn negative (unstable);
        // only rates below about 15 kHz reach there.
        const double angle = std::min(M_PI * f / (3.0 * sampleRate), M_PI / 2.0);
        svfCoefficient[static_cast<size_t>(i)] = static_cast<float>(2.0 * std::sin(angle));
        ladderTuning[static_cast<size_t>(i)] =
            static_cast<float>(0.6 * (2.0 * (1.0 - std::exp(-kTwoPi * f / sampleRate)) - 1.0) - 0.4);
    }
    // Keeps the ladder just under Nyquist at 44.1 kHz (21.8 kHz) and 48 kHz
    // (23.8 kHz). Faster rates get the whole table, whose tuning flattens out
    // towards 0.2 at the top rather than misbehaving.
    cutoffIndexLimit = sampleRate < 44101.0 ? 2046 : (sampleRate < 48001.0 ? 2068 : kCutoffTableSize - 1);

    const double rateRatio = sampleRate / kReferenceRate;
    for (int32_t m = 0; m < kCombTableSize; ++m)
        combDelay[static_cast<size_t>(m)] = static_cast<float>(
            kCombLongestDelay * rateRatio * std::pow(kCombShortestRatio, m / static_cast<double>(kCombTableSize - 1)));
}

void RateTables::buildSpikeTables()
{
    // The spike lasts the same time at every rate, as far as the buffer allows.
    const int64_t frames = static_cast<int64_t>(sampleRate) * kSpikeLengthAtReference / static_cast<int64_t>(kReferenceRate);
    spikeLength = static_cast<int32_t>(std::min<int64_t>(frames, kSpikeCapacity));
    buildSpike(spikeSoft, truncToInt(0.00025 * sampleRate), 60.0, 1.0f);
    buildSpike(spikeHard, truncToInt(0.00005 * sampleRate), 300.0, 1.6f);
}

void RateTables::buildSpike(SpikeTable& table, int32_t halfWidth, double cornerHz, float peak)
{
    // Below 20 kHz the hard spike's half-width truncates to 0 frames; one frame
    // keeps it a pulse instead of a division by zero.
    const double h = std::max(halfWidth, 1);
    const OnePoleCoefs lowpass = onePoleLowpassCoefs(cornerHz, sampleRate);
    double previousX = 0.0;
    double y = 0.0;
    double largest = 0.0;
    for (int32_t i = 0; i < spikeLength; ++i) {
        const double x = i <= h ? i / h : (i <= 2.0 * h ? 1.0 - (i - h) / h : 0.0);
        y = lowpass.b * (x + previousX) - lowpass.a * y;
        previousX = x;
        table[static_cast<size_t>(i)] = static_cast<float>(y);
        largest = std::max(largest, y);
    }
    const double scale = largest > 0.0 ? peak / largest : 0.0;
    for (int32_t i = 0; i < spikeLength; ++i)
        table[static_cast<size_t>(i)] = static_cast<float>(table[static_cast<size_t>(i)] * scale);
    // A rate change may shorten the spike; nothing of the longer one survives.
    std::fill(table.begin() + spikeLength, table.end(), 0.0f);
}
