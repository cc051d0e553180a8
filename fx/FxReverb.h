// The reverb of the effects chain (effect kind 5): a pre-delay, early
// reflections for the room types, and either a 16-line feedback delay network
// ("Diffuse-2") or a bank of 64 damped recirculating lines (the other types).
#pragma once

#include "Conversions.h"
#include "Module.h"
#include "SineTable.h"

#include <atomic>
#include <cstdint>
#include <vector>

class FxReverb : public Module {
public:
    // Every memory is sized at construction for the highest rate the plug-in
    // accepts, so that no two lines ever share memory and no rate change allocates.
    static constexpr double kMaxSampleRate = 768000.0;
    static constexpr int32_t kPreDelayRingSize = 1 << 19; // the first max(65536, reach at the rate) are used,
                                                           // then a copy of the ring's first 256
    static constexpr int32_t kMaxPreDelayRead = kPreDelayRingSize - 3;
    static const int32_t kPoolSize;                     // the bank and FDN lines end to end at kMaxSampleRate
    static constexpr int32_t kAllPassRingSize = 12288;  // of which the first 4096 (8192 above 600 kHz) are used
    static constexpr int32_t kAllPassUsed = 4096;
    static constexpr int32_t kRightOffsetRingSize = 2048; // holds 99 samples at 44.1 kHz scaled to kMaxSampleRate
    static constexpr int32_t kBankLineCount = 64;
    static constexpr int32_t kFdnLineCount = 16;
    static constexpr int32_t kMaxTaps = 128;
    static constexpr int32_t kPrimeCount = 3000; // the first 3000 primes, 2 .. 27449
    static constexpr int32_t kTypeCount = 5;
    static constexpr int32_t kAsleep = 10000000; // the silence counter of a reverb with nothing to play

    enum Type : int32_t { kDiffuse1 = 0, kDiffuse2 = 1, kRoom = 2, kHall = 3, kCathedral = 4 };

    // setParameter indices, as the engine forwards them.
    enum Param : int32_t {
        kTypeParam = 0,
        kDecay = 1,
        kDamp = 2,
        kPreDelay = 4,
        kLocut = 5,
        kAmount = 8,
    };

    struct BankLine {
        int32_t length = 0; // samples, a prime
        int32_t start = 0;  // offset into the pool
        int32_t index = 0;  // read/write position, 0..length - 1
        float gain = 0.0f;  // g_i
        float state = 0.0f; // s_i
    };

    struct FdnLine {
        int32_t length = 0;     // M_k, samples, a prime
        int32_t start = 0;      // offset into the pool
        int32_t index = 0;
        float damping = 0.0f;   // b_k, per block
        float inputGain = 0.0f; // c_k, per block
        float state = 0.0f;
    };

    struct Tap {
        int32_t position = 0; // samples behind the pre-delay ring head; read masked
        float gain = 0.0f;
    };

    // Output gain tables of the 64-line bank, by line number. Entry 31 and the
    // last entry belong to the lines whose gains are also scaled by 0.8.
    static const float kOutLeft64[kBankLineCount];
    static const float kOutRight64[kBankLineCount];

    FxReverb();
    ~FxReverb() override;

    virtual void setSampleRate(double rate);
    virtual void reset();
    virtual void setParameter(int32_t index, float value);
    // n frames of io[0] and io[1] in place.
    virtual void process(int32_t n, float** io);

    // Its tail has died away and it has gone to sleep (a process call found
    // silence past the tail, or a reset): silent input leaves a block as it is.
    bool asleep() const { return wetCurrent < 0.0f && silenceCounter > truncToInt(t60 * sampleRate); }

    // The first prime >= x from the 3000-entry table, or 0 beyond it.
    static int32_t nextPrime(int64_t x);

    // Configuration.
    float rateRatio = 1.0f; // sampleRate / 44100
    int32_t type = -1;      // kDiffuse1..kCathedral, -1 before the first setting
    int32_t preDelay = 0;   // samples, 0..kMaxPreDelayRead
    float wetTarget = 0.0f;
    float wetCurrent = 0.0f; // below 0: jump to the target at the next block
    // Decay and damping start as if both knobs were at their middle (the
    // damping ratio at 1.0) and the locut at 10 Hz, until the first
    // program arrives.
    float t60 = 0.0f;          // seconds, 0.5..10
    float damping = 0.75f;     // d, 0.5..1
    float dampingRatio = 1.0f; // alpha of "Diffuse-2", 0.15..1
    // The raw pre-delay and locut values, applied again at a new rate.
    float preDelayValue = 0.0f;
    float locutValue = 0.0f;
    float locutB0 = 0.0f;      // high-pass z = (y - y1) b0 - a1 z1
    float locutA1 = 0.0f;
    int32_t lineCount = kFdnLineCount; // the FDN normalisation constant
    int32_t silenceCounter = kAsleep; // samples of silent input; starts asleep

    // Memory, allocated once here and never on the audio path.
    std::vector<float> preDelayRing;
    std::vector<float> pool;
    std::vector<float> allPassRing[2];
    std::vector<float> rightOffsetRing;

    BankLine bank[kBankLineCount];
    FdnLine fdn[kFdnLineCount];

    // Early reflections, rebuilt on a type or pre-delay change where the
    // setter runs; the audio thread plays a published copy (TapSet).
    Tap leftTaps[kMaxTaps];
    Tap rightTaps[kMaxTaps];
    Tap diffuseTaps[kMaxTaps]; // added to the left sum, subtracted from the right
    int32_t leftTapCount = 0;
    int32_t rightTapCount = 0;
    int32_t diffuseTapCount = 0;
    int32_t lateOffset = 0; // extra pre-delay of the late network, samples

    // Output all-passes: lengths for the normal types and for "Room".
    int32_t allPassLength[2] = {};
    int32_t roomAllPassLength[2] = {};

    // The used parts of the rings at the current rate (power-of-two masks).
    uint32_t preDelayMask = 0xFFFF;
    uint32_t allPassMask = kAllPassUsed - 1;
    int32_t poolUsed = 0;        // pool entries the lines occupy
    int32_t rightOffset = 0;     // the right output's delay, samples

    // Running state.
    uint32_t preDelayHead = 0; // running counter, read masked
    int32_t allPassIndex[2] = {};
    int32_t rightOffsetIndex = 0;
    uint32_t modPhase = 0;      // 0.5 Hz all-pass modulation; one cycle = 2^32
    int32_t lastReadPosition = -1; // the pre-delay read position of the previous block; -1 forgotten
    float inputX1 = 0.0f;      // input low-pass: previous input
    float inputY1 = 0.0f;      // input low-pass: previous output
    float locutZ1 = 0.0f;      // locut high-pass: previous output
    uint32_t randomState = 1;  // the 15-bit generator of the "Room" diffuse taps

private:
    // What the audio thread needs of a type or pre-delay setting, built aside
    // and handed over whole through a three-slot exchange: the setter fills
    // its own slot and swaps it in, the audio thread swaps the newest out at
    // the start of a block, so neither side ever sees a half-written set.
    struct TapSet {
        Tap left[kMaxTaps];
        Tap right[kMaxTaps];
        Tap diffuse[kMaxTaps];
        int32_t leftCount = 0;
        int32_t rightCount = 0;
        int32_t diffuseCount = 0;
        int32_t lateOffset = 0;
        int32_t type = -1;
        int32_t preDelay = 0;
        uint32_t typeChanges = 0; // the right-offset ring is cleared when this moves on
        uint32_t resets = 0;      // the whole reverb is reset when this moves on
    };
    static constexpr uint32_t kFreshSet = 4; // flag beside the slot index in sharedSet
    static constexpr int32_t kChunk = 256; // frames the reverb takes at once, for its scratch buffers
    static void addTaps(const float* ring, uint32_t mask, uint32_t firstHead, const Tap* taps, int32_t count,
                        float sign, float* to, int32_t c);

    void publishTaps();
    void takeTaps();
    void clearMemories();
    template <int32_t kNetwork>
    void run(int32_t n, float** io, const TapSet& taps);

    TapSet tapSets[3];
    int32_t writerSet = 0;                // the setter's slot
    std::atomic<uint32_t> sharedSet{1};   // the slot between the two, plus kFreshSet
    int32_t readerSet = 2;                // the audio thread's slot
    uint32_t typeChanges = 0;
    uint32_t resets = 0;
    uint32_t appliedTypeChanges = 0;
    uint32_t appliedResets = 0;
    SineTable sine;

    void setUpLengths();
    void updateBankGains();
    void rebuildEarlyReflections();
    void buildRoomReflections();
    void buildHallReflections(double scale, float extraGain, int32_t offset);
    int32_t nextRandom15();
};
