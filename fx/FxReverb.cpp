#include "FxReverb.h"

#include "Conversions.h"
#include "ReverbBank.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <xmmintrin.h>

namespace {

using Primes = std::array<int32_t, FxReverb::kPrimeCount>;

constexpr Primes makePrimes()
{
    Primes primes{};
    int32_t count = 0;
    for (int32_t n = 2; count < FxReverb::kPrimeCount; ++n) {
        bool prime = true;
        for (int32_t i = 0; i < count && primes[i] * primes[i] <= n; ++i)
            if (n % primes[i] == 0) {
                prime = false;
                break;
            }
        if (prime)
            primes[count++] = n;
    }
    return primes;
}

constexpr Primes kPrimes = makePrimes();
static_assert(kPrimes[FxReverb::kPrimeCount - 1] == 27449, "the table ends at the 3000th prime");

// "Room" reflections: reference times in samples at 48 kHz, before the
// 1599-sample head start that the tap formula takes off.
struct RoomTap {
    int32_t leftTime;
    float leftGain;
    int32_t rightTime;
    float rightGain;
};

struct TimedTap {
    int32_t time; // samples at 48 kHz, scaled by the type
    float gain;
};

const RoomTap kRoomTaps[] = {
    {1693, 0.328189f, 1609, 0.239487f},
    {1980, 0.199197f, 1693, -0.107844f},
    {2069, -0.040073f, 2069, 0.1086f},
    {2160, 0.111158f, 2137, 0.130894f},
    {2353, 0.182983f, 2321, 0.07142f},
    {2907, 0.035209f, 2353, -0.061406f},
    {3149, 0.053836f, 2912, 0.068794f},
    {3253, 0.081015f, 3186, 0.134117f},
    {3305, 0.104921f, 3254, -0.043121f},
    {3354, 0.033162f, 3305, 0.074438f},
    {3410, 0.223172f, 3323, 0.073197f},
    {3446, -0.034336f, 3410, -0.076902f},
    {3633, 0.067214f, 3446, 0.066433f},
    {4729, 0.031124f, 4096, 0.094504f},
    {4888, 0.034707f, 4793, -0.037889f},
    {5009, 0.03345f, 4852, 0.038878f},
    {5034, 0.128515f, 4986, 0.036004f},
    {5145, -0.039431f, 5034, -0.041323f},
    {5239, 0.036127f, 5108, 0.036744f},
    {5253, 0.034556f, 5243, 0.039466f},
    {5553, 0.073633f, 5358, 0.038281f},
    {5617, 0.065418f, 5383, -0.042932f},
    {5854, 0.062715f, 5703, 0.072463f},
    {6073, 0.063949f, 5796, 0.068033f},
    {6293, 0.063731f, 5832, 0.033133f},
    {6379, -0.033019f, 5952, 0.034853f},
    {6503, -0.031069f, 5992, -0.030937f},
    {6520, 0.069041f, 6029, 0.070183f},
    {6601, 0.058926f, 6278, 0.072909f},
    {6638, 0.031221f, 6505, 0.071758f},
    {6706, 0.033022f, 6615, 0.032578f},
    {6822, -0.034512f, 6741, -0.092388f},
    {7098, 0.038037f, 6844, 0.075529f},
    {7438, 0.034729f, 6892, -0.041257f},
    {7463, 0.048106f, 7044, 0.040487f},
    {7591, 0.047868f, 7074, -0.035491f},
    {7965, -0.032696f, 7411, 0.036712f},
    {8065, 0.048103f, 7450, -0.037009f},
    {8129, 0.031039f, 7769, -0.039733f},
    {8196, 0.031555f, 7802, 0.031708f},
    {8288, -0.031136f, 7939, 0.038445f},
    {8476, -0.031596f, 7989, 0.05037f},
    {8503, 0.046458f, 8101, 0.033439f},
    {8943, 0.038595f, 8144, 0.0303f},
    {9032, -0.032037f, 8332, -0.038218f},
    {9397, 0.033298f, 8454, 0.03048f},
    {9559, 0.033918f, 8598, 0.033941f},
};

const TimedTap kHallLeftTaps[] = {
    {1394, 0.790008f}, {1545, -0.282511f}, {2760, 0.39788f}, {2835, -0.225021f},
    {6619, 0.178506f}, {7815, 0.183041f}, {8044, 0.269866f}, {8153, -0.1136f},
    {8939, 0.163575f}, {8975, 0.072582f}, {9048, 0.148236f}, {9164, 0.210556f},
    {9480, 0.160262f}, {9576, -0.074949f}, {9612, 0.141124f}, {12180, 0.112653f},
    {12387, 0.095003f}, {12539, 0.106233f}, {13753, 0.122935f}, {14042, 0.110842f},
    {14059, -0.072162f}, {14139, 0.162574f}, {16213, 0.141174f},
};

const TimedTap kHallRightTaps[] = {
    {354, 0.79916f}, {1394, -0.240909f}, {1545, 0.894957f}, {2760, -0.120724f},
    {2835, 0.710723f}, {6387, 0.148243f}, {6659, 0.208488f}, {7816, -0.073174f},
    {8044, -0.103855f}, {8153, 0.367281f}, {8909, 0.102083f}, {9053, 0.106125f},
    {9576, 0.239366f}, {11510, 0.08257f}, {12175, 0.080283f}, {12491, 0.076169f},
    {12654, 0.070502f}, {14058, 0.207366f}, {17194, 0.079204f},
};

constexpr int32_t kRoomTapCount = sizeof(kRoomTaps) / sizeof(kRoomTaps[0]);
constexpr int32_t kHallLeftTapCount = sizeof(kHallLeftTaps) / sizeof(kHallLeftTaps[0]);
constexpr int32_t kHallRightTapCount = sizeof(kHallRightTaps) / sizeof(kHallRightTaps[0]);
constexpr int32_t kHallBankTaps = 16; // taps 0..15 sit on the bank line lengths
static_assert(kRoomTapCount == 47 && kHallLeftTapCount == 23 && kHallRightTapCount == 19, "");
static_assert(kHallBankTaps + kHallLeftTapCount <= FxReverb::kMaxTaps, "");
static_assert(99.0 * FxReverb::kMaxSampleRate / 44100.0 + kReverbChunk <= FxReverb::kRightOffsetRingSize,
              "the right output's offset stays a chunk short of its ring");

// A length that the prime table cannot round (rates far above 200 kHz) keeps
// its unrounded value instead of the table's 0, so that no line is empty.
int32_t primeLength(int64_t x)
{
    const int32_t prime = FxReverb::nextPrime(x);
    return prime > 0 ? prime : static_cast<int32_t>(std::clamp<int64_t>(x, 1, 1 << 24));
}

// Rates beyond the plug-in's range are measured as its highest, so that the
// lines always fit the pool.
double lengthRate(double rate) { return std::clamp(rate, 1.0, FxReverb::kMaxSampleRate); }

int32_t bankLength(int32_t i, double rate)
{
    return primeLength(truncToInt((i + 1) * 0.000390625 * lengthRate(rate) + 500.0));
}

int32_t fdnLength(int32_t k, double rate)
{
    // In integers, deliberately.
    const int64_t rate8192 = static_cast<int64_t>(lengthRate(rate) * 8192.0);
    const int32_t j = truncToInt((k * 14.20254760980606 + 67.0) * 2.0);
    return primeLength(kPrimes[static_cast<size_t>(j)] * rate8192 / 44100 / 8192);
}

int32_t poolNeed(double rate)
{
    int32_t total = 0;
    for (int32_t i = 0; i < FxReverb::kBankLineCount; ++i)
        total += bankLength(i, rate);
    for (int32_t k = 0; k < FxReverb::kFdnLineCount; ++k)
        total += fdnLength(k, rate);
    return total;
}

// The smallest power of two of at least `floor` entries that holds `reach`.
uint32_t maskFor(int64_t reach, uint32_t floor)
{
    uint32_t size = floor;
    while (size < reach)
        size <<= 1;
    return size - 1;
}

} // namespace

const float FxReverb::kOutLeft64[64] = {
    0.95f, -0.985f, -0.986f, 0.987f, -0.987f, 0.988f, -0.96f, 0.98f,
    -0.985f, 0.89f, -0.99f, 0.91f, 0.96f, -0.96f, -0.95f, 0.95f,
    -0.98f, 0.98f, 0.978f, 0.987f, -0.976f, -0.95f, 0.95f, -1.0f,
    1.0f, 1.0f, 1.0f, 0.99f, -0.99f, 1.0f, -1.0f, 1.0f,
    0.95f, -0.985f, -0.986f, 0.987f, -0.987f, 0.988f, -0.96f, 0.98f,
    -0.985f, 0.89f, -0.99f, 0.91f, 0.96f, -0.96f, -0.95f, 0.95f,
    -0.98f, 0.98f, 0.978f, 0.987f, -0.976f, -0.95f, 0.95f, -1.0f,
    1.0f, 1.0f, 1.0f, 0.99f, -0.99f, 1.0f, -1.0f, -3.4f,
};
const float FxReverb::kOutRight64[64] = {
    0.95f, 0.9667f, 0.977f, -0.98f, 0.976f, -0.98f, 0.979f, -0.95f,
    -0.88f, 1.0f, 1.0f, 1.0f, -1.0f, -1.0f, -1.0f, 1.0f,
    -0.975f, 0.9767f, -0.977f, 0.98f, -0.976f, -0.98f, -0.799f, 0.95f,
    -0.98f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 2.0f,
    0.95f, 0.9667f, 0.977f, -0.98f, 0.976f, -0.98f, 0.979f, -0.95f,
    -0.88f, 1.0f, 1.0f, 1.0f, -1.0f, -1.0f, -1.0f, 1.0f,
    -0.975f, 0.9767f, -0.977f, 0.98f, -0.976f, -0.98f, -0.799f, 0.95f,
    -0.98f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f,
};

const int32_t FxReverb::kPoolSize = poolNeed(FxReverb::kMaxSampleRate);

FxReverb::FxReverb()
    : preDelayRing(kPreDelayRingSize + kChunk, 0.0f), pool(kPoolSize, 0.0f), rightOffsetRing(kRightOffsetRingSize, 0.0f)
{
    for (auto& ring : allPassRing)
        ring.assign(kAllPassRingSize, 0.0f);
    setUpLengths();
    setParameter(kDecay, 0.5f);
    setParameter(kLocut, 0.0f);
}

FxReverb::~FxReverb() = default;

int32_t FxReverb::nextPrime(int64_t x)
{
    const auto found = std::lower_bound(kPrimes.begin(), kPrimes.end(), x);
    return found == kPrimes.end() ? 0 : *found;
}

void FxReverb::setSampleRate(double rate)
{
    Module::setSampleRate(static_cast<float>(rate));
    rateRatio = static_cast<float>(sampleRate / 44100.0);
    setUpLengths();
    FxReverb::setParameter(kPreDelay, preDelayValue);
    FxReverb::setParameter(kLocut, locutValue);
}

void FxReverb::reset()
{
    silenceCounter = kAsleep;
    clearMemories();
    lastReadPosition = -1;
    wetCurrent = -1.0f;
    modPhase = 0;
}

// Only the parts in use at the current rate hold anything.
void FxReverb::clearMemories()
{
    std::fill_n(preDelayRing.begin(), preDelayMask + 1 + kChunk, 0.0f);
    std::fill_n(pool.begin(), poolUsed, 0.0f);
    for (auto& ring : allPassRing)
        std::fill_n(ring.begin(), allPassMask + 1, 0.0f);
    std::fill(std::begin(allPassIndex), std::end(allPassIndex), 0);
    std::fill(rightOffsetRing.begin(), rightOffsetRing.end(), 0.0f);
    rightOffsetIndex = 0;
    for (auto& line : bank)
        line.state = 0.0f;
    for (auto& line : fdn)
        line.state = 0.0f;
    inputX1 = inputY1 = locutZ1 = 0.0f;
}

void FxReverb::setParameter(int32_t index, float value)
{
    switch (index) {
    case kTypeParam: {
        // The type picks a late network and a tap set, so it stays a valid type.
        const int32_t t = clampTo<int32_t>(truncToInt(value * 128.0f) / 32, 0, kTypeCount - 1);
        if (t == type)
            break;
        type = t;
        // The memories belong to the audio thread, which clears them when it
        // takes the new set: the whole reverb for "Diffuse-2", the right
        // output's offset ring for any type.
        ++typeChanges;
        if (t == kDiffuse2)
            ++resets;
        rebuildEarlyReflections();
        break;
    }
    case kDecay:
        // Within the knob's range every loop stays below unit gain.
        t60 = static_cast<float>(expMap(clampTo(value, 0.0f, 1.0f), 0.5, 10.0));
        updateBankGains();
        break;
    case kDamp: {
        const float v = clampTo(value, 0.0f, 1.0f);
        damping = 0.5f + 0.5f * v;
        dampingRatio = static_cast<float>(expMap(v, 0.15, 1.0));
        updateBankGains();
        break;
    }
    case kPreDelay: {
        // Whole milliseconds; kept within the ring's reach so that no read
        // position or tap sum can leave it, whatever value arrives.
        preDelayValue = value;
        const int32_t ms = truncToInt(value * 100.0f);
        preDelay = clampTo<int32_t>(truncToInt(ms * 0.001 * sampleRate), 0, kMaxPreDelayRead);
        rebuildEarlyReflections();
        break;
    }
    case kLocut: {
        locutValue = value;
        const OnePoleCoefs hp = onePoleHighpassCoefs(expMap(value, 10.0, 1000.0), sampleRate);
        locutA1 = hp.a;
        locutB0 = hp.b;
        break;
    }
    case kAmount:
        wetTarget = value * value;
        break;
    default:
        break;
    }
}

void FxReverb::setUpLengths()
{
    int32_t offset = 0;
    for (int32_t i = 0; i < kBankLineCount; ++i) {
        BankLine& line = bank[i];
        line.length = bankLength(i, sampleRate);
        line.start = offset;
        offset += line.length;
        line.index = 0;
        line.state = 0.0f;
    }
    for (int32_t k = 0; k < kFdnLineCount; ++k) {
        FdnLine& line = fdn[k];
        line.length = fdnLength(k, sampleRate);
        line.start = offset;
        offset += line.length;
        line.index = 0;
        line.state = 0.0f;
    }
    poolUsed = offset;
    const double rate = lengthRate(sampleRate);
    allPassLength[0] = primeLength(truncToInt(0.0058 * rate));
    allPassLength[1] = primeLength(truncToInt(0.0057 * rate));
    roomAllPassLength[0] = primeLength(truncToInt(0.0066 * rate));
    roomAllPassLength[1] = primeLength(truncToInt(0.0065 * rate));
    allPassMask = maskFor(roomAllPassLength[0] + 4, kAllPassUsed);
    rightOffset = truncToInt(99.0 * rate / 44100.0);
    // The furthest read: 100 ms of pre-delay behind the latest reflection or
    // late-network offset of any type.
    preDelayMask = maskFor(truncToInt(0.1 * rate) + truncToInt(17194.0 * rate / 48000.0) + 2 * bank[15].length + 2 +
                               kChunk,
                           65536);
    std::fill(preDelayRing.begin(), preDelayRing.end(), 0.0f);
    allPassIndex[0] = allPassIndex[1] = 0;
    // The gains and the reflections follow the new lengths and rate.
    updateBankGains();
    if (type >= 0)
        rebuildEarlyReflections();
    else
        publishTaps();
}

void FxReverb::updateBankGains()
{
    for (auto& line : bank)
        line.gain = static_cast<float>(std::pow(0.001, line.length / (sampleRate * t60)) * damping);
    bank[31].gain *= 0.8f;
    bank[63].gain *= 0.8f;
}

void FxReverb::rebuildEarlyReflections()
{
    leftTapCount = rightTapCount = diffuseTapCount = 0;
    lateOffset = 0;
    switch (type) {
    case kRoom:
        buildRoomReflections();
        break;
    case kHall:
        buildHallReflections(0.6 * sampleRate / 48000.0, 0.5f, truncToInt(0.06 * sampleRate));
        break;
    case kCathedral:
        buildHallReflections(sampleRate / 48000.0, 1.0f, truncToInt(0.09 * sampleRate));
        break;
    default:
        break;
    }
    publishTaps();
}

void FxReverb::buildRoomReflections()
{
    for (int32_t k = 0; k < kRoomTapCount; ++k) {
        const RoomTap& tap = kRoomTaps[k];
        leftTaps[k] = {truncToInt((tap.leftTime - 1599) * sampleRate / 48000.0 + preDelay), 0.5f * tap.leftGain};
        rightTaps[k] = {truncToInt((tap.rightTime - 1599) * sampleRate / 48000.0 + preDelay), 0.5f * tap.rightGain};
    }
    leftTapCount = rightTapCount = kRoomTapCount;

    // The same draws on every build: a room sounds the same whatever types
    // and pre-delays were chosen before it.
    randomState = 1;
    for (int32_t k = 0; k < kMaxTaps; ++k) {
        const double weight = (k == 0 ? 1.0 : k) / 128.0;
        const double r = nextRandom15();
        diffuseTaps[k].position = preDelay + truncToInt(std::pow((k + 1) / 128.0, 0.45) * 0.1 * sampleRate);
        diffuseTaps[k].gain = static_cast<float>((r / 32767.0 - 0.5) * weight * 0.0625);
    }
    diffuseTapCount = kMaxTaps;
    lateOffset = (diffuseTaps[kMaxTaps - 1].position - bank[0].length - preDelay) - 54;
}

void FxReverb::buildHallReflections(double scale, float extraGain, int32_t offset)
{
    lateOffset = offset;
    for (int32_t k = 0; k < kHallBankTaps; ++k) {
        const float sign = (k & 1) ? -1.0f : 1.0f;
        const int32_t position = lateOffset + bank[k].length + preDelay;
        leftTaps[k] = {position, sign * kOutLeft64[k] / 64.0f};
        rightTaps[k] = {position, sign * kOutRight64[k] / 64.0f};
    }
    for (int32_t k = 0; k < kHallLeftTapCount; ++k)
        leftTaps[kHallBankTaps + k] = {truncToInt(kHallLeftTaps[k].time * scale) + preDelay,
                                       extraGain * kHallLeftTaps[k].gain};
    for (int32_t k = 0; k < kHallRightTapCount; ++k)
        rightTaps[kHallBankTaps + k] = {truncToInt(kHallRightTaps[k].time * scale) + preDelay,
                                        extraGain * kHallRightTaps[k].gain};
    leftTapCount = kHallBankTaps + kHallLeftTapCount;
    rightTapCount = kHallBankTaps + kHallRightTapCount;
}

// Any uniform 15-bit generator serves the diffuse taps; this is the classic
// C library one, owned by the instance.
int32_t FxReverb::nextRandom15()
{
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int32_t>((randomState >> 16) & 0x7FFF);
}

void FxReverb::publishTaps()
{
    TapSet& set = tapSets[writerSet];
    std::copy(std::begin(leftTaps), std::end(leftTaps), set.left);
    std::copy(std::begin(rightTaps), std::end(rightTaps), set.right);
    std::copy(std::begin(diffuseTaps), std::end(diffuseTaps), set.diffuse);
    set.leftCount = leftTapCount;
    set.rightCount = rightTapCount;
    set.diffuseCount = diffuseTapCount;
    set.lateOffset = lateOffset;
    set.type = type;
    set.preDelay = preDelay;
    set.typeChanges = typeChanges;
    set.resets = resets;
    writerSet = static_cast<int32_t>(sharedSet.exchange(static_cast<uint32_t>(writerSet) | kFreshSet,
                                                        std::memory_order_acq_rel) &
                                     ~kFreshSet);
}

void FxReverb::takeTaps()
{
    if (sharedSet.load(std::memory_order_acquire) & kFreshSet)
        readerSet = static_cast<int32_t>(
            sharedSet.exchange(static_cast<uint32_t>(readerSet), std::memory_order_acq_rel) & ~kFreshSet);
    const TapSet& taps = tapSets[readerSet];
    if (taps.resets != appliedResets) {
        appliedResets = taps.resets;
        reset();
    }
    if (taps.typeChanges != appliedTypeChanges) {
        appliedTypeChanges = taps.typeChanges;
        std::fill(rightOffsetRing.begin(), rightOffsetRing.end(), 0.0f);
    }
}

namespace {

enum Network : int32_t { kBank64, kRoomBank, kFdn };

constexpr float kFlush = 1e-9f;
constexpr float kFdnLimit = 100.0f;

float flushed(float x) { return std::fabs(x) < kFlush ? 0.0f : x; }

int32_t magnitudeBits(float x)
{
    int32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits & 0x7FFFFFFF;
}

// The input low-pass corner of each type, Hz.
constexpr double kInputCorner[FxReverb::kTypeCount] = {15000.0, 7000.0, 5000.0, 10000.0, 8000.0};

const float kOutLeft32[32] = {
    0.95f, -0.985f, -0.986f, 0.987f, -0.987f, 0.988f, -0.96f, 0.98f, -0.985f, 0.89f, -0.99f,
    0.91f, 0.96f,   -0.96f,  -0.95f, 0.95f,   -0.98f, 0.98f,  0.978f, 0.987f, -0.976f, -0.95f,
    0.95f, -1.0f,   1.0f,    1.0f,   1.0f,    0.99f,  -0.99f, 1.0f,  -1.0f,  5.0f,
};
const float kOutRight32[32] = {
    0.95f,  0.9667f, 0.977f, -0.98f,  0.976f, -0.98f, 0.979f, -0.95f, -0.88f, 1.0f,   1.0f,
    1.0f,   -1.0f,   -1.0f,  -1.0f,   1.0f,   -0.975f, 0.9767f, -0.977f, 0.98f, -0.976f, -0.98f,
    -0.799f, 0.95f,  -0.98f, 1.0f,    1.0f,   1.0f,   1.0f,   1.0f,   1.0f,   8.0f,
};
const float kFdnOutLeft[16] = {0.65f, -0.75f, -0.76f, 0.7f,  -0.77f, 0.8f,  -0.76f, 0.8f,
                               -0.85f, 0.79f, -0.9f,  0.81f, 0.76f,  -0.96f, -0.75f, 0.75f};
const float kFdnOutRight[16] = {-0.45f, 0.767f, -0.77f, -0.8f, -0.76f, 0.8f, -0.79f, -0.8f,
                                1.0f,   1.0f,   1.0f,   1.0f,  -1.0f,  1.0f, 1.0f,   -0.96f};

// The output all-pass: a delay of about `length` samples, moved by the
// modulation, with the feedback gain g.
struct AllPass {
    float* ring;
    uint32_t mask;
    int32_t length;
    float g;

    float step(float input, int32_t& w, int32_t whole, float frac) const
    {
        const uint32_t back = static_cast<uint32_t>(w - whole - length);
        const float v =
            flushed(-(ring[back & mask] * (1.0f - frac) + ring[(back - 1) & mask] * frac));
        const float o = input + g * v;
        ring[w] = o;
        w = static_cast<int32_t>((static_cast<uint32_t>(w) + 1) & mask);
        return v - g * o;
    }

    // How many steps from here on, with the same split, neither read nor
    // write across the ring's end.
    int32_t stepsInside(int32_t w, int32_t whole) const
    {
        const uint32_t older = (static_cast<uint32_t>(w - whole - length) - 1) & mask;
        return static_cast<int32_t>(std::min(mask - older, mask + 1 - static_cast<uint32_t>(w)));
    }

    // Four steps at once, as step() does them lane by lane, each result
    // added times `scale` to addTo[0..3]: the reads lie at least length - 2
    // samples back, so these four writes cannot feed them.
    void stepFour(const float* input, float* addTo, float scale, int32_t& w, int32_t whole, float frac) const
    {
        const uint32_t older = (static_cast<uint32_t>(w - whole - length) - 1) & mask;
        const __m128 sum = _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(ring + older + 1), _mm_set1_ps(1.0f - frac)),
                                      _mm_mul_ps(_mm_loadu_ps(ring + older), _mm_set1_ps(frac)));
        const __m128 signBit = _mm_set1_ps(-0.0f);
        const __m128 negated = _mm_xor_ps(sum, signBit);
        const __m128 v = _mm_and_ps(negated, _mm_cmpnlt_ps(_mm_andnot_ps(signBit, negated), _mm_set1_ps(kFlush)));
        const __m128 gain = _mm_set1_ps(g);
        const __m128 o = _mm_add_ps(_mm_loadu_ps(input), _mm_mul_ps(gain, v));
        _mm_storeu_ps(ring + w, o);
        const __m128 result = _mm_sub_ps(v, _mm_mul_ps(gain, o));
        _mm_storeu_ps(addTo, _mm_add_ps(_mm_loadu_ps(addTo), _mm_mul_ps(_mm_set1_ps(scale), result)));
        w = static_cast<int32_t>((static_cast<uint32_t>(w) + 4) & mask);
    }
};

// n samples into a ring of `size` entries (a power of two) from `at` on, and
// n samples out of one, each in at most two runs.
void toRing(float* ring, uint32_t size, uint32_t at, const float* from, int32_t n)
{
    for (int32_t s = 0; s < n;) {
        const int32_t run = std::min<int32_t>(n - s, static_cast<int32_t>(size - at));
        std::copy_n(from + s, run, ring + at);
        s += run;
        at = (at + static_cast<uint32_t>(run)) & (size - 1);
    }
}

void fromRing(const float* ring, uint32_t size, uint32_t at, float* to, int32_t n)
{
    for (int32_t s = 0; s < n;) {
        const int32_t run = std::min<int32_t>(n - s, static_cast<int32_t>(size - at));
        std::copy_n(ring + at, run, to + s);
        s += run;
        at = (at + static_cast<uint32_t>(run)) & (size - 1);
    }
}

// Four-point sign patterns a+b+c+d, a-b+c-d, a+b-c-d, a-b-c+d.
void hadamard4(float a, float b, float c, float d, float* out, int32_t stride)
{
    out[0] = a + b + c + d;
    out[stride] = a - b + c - d;
    out[2 * stride] = a + b - c - d;
    out[3 * stride] = a - b - c + d;
}

} // namespace

void FxReverb::process(int32_t n, float** io)
{
    if (n <= 0)
        return;
    takeTaps();
    float* inL = io[0];
    float* inR = io[1];
    // Trailing near-silence becomes true silence; a NaN counts as silence
    // too. The first pass has no early exit, so that it vectorises: a
    // sleeping reverb costs little more than this look at its input.
    int32_t loudest = 0; // the largest magnitude's bit pattern, which orders like the magnitude
    for (int32_t i = 0; i < n; ++i)
        loudest = std::max({loudest, magnitudeBits(inL[i]), magnitudeBits(inR[i])});
    const bool sounding = loudest > magnitudeBits(kFlush);
    for (int32_t i = n - 1; sounding && i >= 0; --i) {
        if (std::fabs(inL[i]) > kFlush || std::fabs(inR[i]) > kFlush)
            break;
        inL[i] = inR[i] = 0.0f;
    }
    if (!sounding && loudest != 0) {
        std::fill_n(inL, n, 0.0f);
        std::fill_n(inR, n, 0.0f);
    }
    if (sounding) {
        silenceCounter = 0;
    } else if (silenceCounter > truncToInt(t60 * sampleRate)) {
        wetCurrent = -1.0f;
        return;
    } else {
        silenceCounter += n;
    }

    const TapSet& taps = tapSets[readerSet];
    switch (taps.type) {
    case kDiffuse2:
        run<kFdn>(n, io, taps);
        break;
    case kRoom:
        run<kRoomBank>(n, io, taps);
        break;
    default:
        run<kBank64>(n, io, taps);
        break;
    }
}

// Sample s of the chunk reads a tap `position` behind head firstHead + s + 1:
// a contiguous run of the ring, kept whole where it wraps by the copy of the
// ring's start past its end.
void FxReverb::addTaps(const float* ring, uint32_t mask, uint32_t firstHead, const Tap* taps, int32_t count,
                       float sign, float* to, int32_t c)
{
    const float* from[kMaxTaps];
    float gain[kMaxTaps];
    for (int32_t k = 0; k < count; ++k) {
        from[k] = ring + ((firstHead + 1 - static_cast<uint32_t>(taps[k].position)) & mask);
        gain[k] = sign * taps[k].gain;
    }
    addReverbTaps(from, gain, count, to, c);
}

template <int32_t kNetwork>
void FxReverb::run(int32_t n, float** io, const TapSet& taps)
{
    const int32_t t = clampTo<int32_t>(taps.type, 0, kTypeCount - 1);
    const OnePoleCoefs lowpass = onePoleLowpassCoefs(kInputCorner[t], sampleRate);
    const float inputScale = kNetwork == kFdn ? 1.0f : 0.5f;
    const float bias = kNetwork == kFdn ? 0.0f : 1e-15f;

    float fdnOutScale = 0.0f;
    if (kNetwork == kFdn) {
        double inputSum = 0.0;
        const double alpha = dampingRatio;
        for (FdnLine& line : fdn) {
            const double x = -3.0 * line.length / (sampleRate * t60);
            const double b = std::min((1.0 - 1.0 / (alpha * alpha)) * x * std::log(10.0) * 0.25, 0.92);
            line.damping = static_cast<float>(b);
            line.inputGain = static_cast<float>((1.0 - b) * std::pow(10.0, x) * 0.25);
            inputSum += line.inputGain;
        }
        fdnOutScale = static_cast<float>(std::min(lineCount / inputSum, 2.0) / lineCount);
    }

    // Each chunk is written to the ring before it is read, so no read may
    // reach as far back as the chunk's own later samples.
    const int32_t readLimit = static_cast<int32_t>(preDelayMask) + 1 - kChunk;
    const int32_t readPosition = clampTo<int32_t>(taps.preDelay + 1 + taps.lateOffset, 1, readLimit);
    const int32_t fromPosition = lastReadPosition >= 0 ? std::min(lastReadPosition, readLimit) : readPosition;
    const float fadeStep = 1.0f / static_cast<float>(n);

    if (wetCurrent < 0.0f)
        wetCurrent = wetTarget;
    float wetNow = wetCurrent;
    const float wetStep = (wetTarget - wetCurrent) / static_cast<float>(n);

    const uint32_t modIncrement = static_cast<uint32_t>(truncToInt(static_cast<double>(hzToPhaseInc) * 0.5));
    const bool room = kNetwork == kRoomBank;
    const AllPass leftPass{allPassRing[0].data(), allPassMask, room ? roomAllPassLength[0] : allPassLength[0], 0.69f};
    const AllPass rightPass{allPassRing[1].data(), allPassMask, room ? roomAllPassLength[1] : allPassLength[1], 0.7f};
    const float keep = 1.0f - damping;
    const uint32_t mask = preDelayMask;
    float* ring = preDelayRing.data();
    float* lines = pool.data();
    uint32_t head = preDelayHead;
    float x1 = inputX1, y1 = inputY1, z1 = locutZ1;

    // The block's lines in local arrays.
    ReverbBankLines local;
    local.count = 0;
    // "Room" alternates its write sign by pairs of lines, the others line by
    // line; with every other line taken, both come to alternate by place.
    local.evenLinesNegative = room;
    if (kNetwork != kFdn) {
        for (int32_t i = room ? 1 : 0; i < kBankLineCount; i += room ? 2 : 1) {
            const BankLine& line = bank[i];
            const int32_t k = local.count++;
            local.base[k] = lines + line.start;
            local.index[k] = line.index;
            local.length[k] = line.length;
            local.state[k] = line.state;
            local.gain[k] = line.gain;
            local.outL[k] = room ? kOutLeft32[i / 2] : kOutLeft64[i];
            local.outR[k] = room ? kOutRight32[i / 2] : kOutRight64[i];
        }
    }

    // The block in chunks, each in three passes: the input into the
    // pre-delay ring and the early reflections; the late network (the bank
    // line by line, which it may since its lines only hear the input and
    // themselves); the output all-passes and the mix.
    float late[kChunk];  // the late network's input
    float early[2][kChunk];
    float sum[2][kChunk]; // the late network's output sums
    for (int32_t done = 0; done < n; done += kChunk) {
        const int32_t c = std::min(kChunk, n - done);
        const uint32_t firstHead = head;
        // The input through the low-pass and the locut: the sums and the
        // low-pass's feed-forward half go first, over the whole chunk, so
        // that only the two recurrences are left to run sample by sample.
        float x[kChunk + 1];
        x[0] = x1;
        for (int32_t s = 0; s < c; ++s)
            x[s + 1] = (io[0][done + s] + io[1][done + s]) * inputScale;
        for (int32_t s = 0; s < c; ++s)
            late[s] = (x[s + 1] + x[s]) * lowpass.b;
        for (int32_t s = 0; s < c; ++s) {
            const float y = late[s] - lowpass.a * y1;
            const float z = (y - y1) * locutB0 - locutA1 * z1;
            y1 = y;
            z1 = z;
            late[s] = z + bias;
        }
        x1 = x[c];
        toRing(ring, mask + 1, firstHead & mask, late, c);
        if ((firstHead & mask) < kChunk || (firstHead & mask) + c > mask + 1)
            std::copy_n(ring, kChunk, ring + mask + 1);
        head += c;
        // The late network's input, a contiguous run behind the new samples:
        // the reads lie at least a chunk back, past what this chunk wrote.
        const float* now = ring + ((firstHead + 1 - static_cast<uint32_t>(readPosition)) & mask);
        if (fromPosition == readPosition) {
            std::copy_n(now, c, late);
        } else {
            const float* before = ring + ((firstHead + 1 - static_cast<uint32_t>(fromPosition)) & mask);
            for (int32_t s = 0; s < c; ++s) {
                const float fade = static_cast<float>(done + s + 1) * fadeStep;
                late[s] = before[s] * (1.0f - fade) + now[s] * fade;
            }
        }
        for (float* to : {early[0], early[1], sum[0], sum[1]})
            std::fill_n(to, c, 0.0f);
        if (kNetwork != kFdn) {
            addTaps(ring, mask, firstHead, taps.left, taps.leftCount, 1.0f, early[0], c);
            addTaps(ring, mask, firstHead, taps.right, taps.rightCount, 1.0f, early[1], c);
            addTaps(ring, mask, firstHead, taps.diffuse, taps.diffuseCount, 1.0f, early[0], c);
            addTaps(ring, mask, firstHead, taps.diffuse, taps.diffuseCount, -1.0f, early[1], c);
            runReverbBank(local, late, sum, c, keep);
        } else {
            for (int32_t s = 0; s < c; ++s) {
                float st[kFdnLineCount];
                for (int32_t k = 0; k < kFdnLineCount; ++k) {
                    FdnLine& line = fdn[k];
                    const float r = lines[line.start + line.index];
                    line.state = line.inputGain * r + line.damping * line.state;
                    st[k] = line.state;
                }
                float groups[kFdnLineCount];
                float h[kFdnLineCount];
                for (int32_t g = 0; g < 4; ++g)
                    hadamard4(st[4 * g], st[4 * g + 1], st[4 * g + 2], st[4 * g + 3], groups + 4 * g, 1);
                for (int32_t i = 0; i < 4; ++i)
                    hadamard4(groups[i], groups[4 + i], groups[8 + i], groups[12 + i], h + i, 4);
                float sumL = 0.0f;
                float sumR = 0.0f;
                for (int32_t k = 0; k < kFdnLineCount; ++k) {
                    FdnLine& line = fdn[k];
                    lines[line.start + line.index] = h[k] + late[s];
                    line.index = line.index + 1 >= line.length ? 0 : line.index + 1;
                    sumL += kFdnOutLeft[k] * h[k];
                    sumR += kFdnOutRight[k] * h[k];
                }
                sum[0][s] = sumL * fdnOutScale;
                sum[1][s] = sumR * fdnOutScale;
            }
        }

        const float scale = kNetwork == kFdn ? 1.0f : 0.0625f;
        uint32_t modEntry = ~0u; // none yet: the first sample computes the split
        int32_t whole = 0;
        float frac = 0.0f;
        // Three passes over the chunk: the all-passes, the right output's
        // offset, the mix. The reverb's two outputs take the place of `early`.
        int32_t wL = allPassIndex[0];
        int32_t wR = allPassIndex[1];
        for (int32_t s = 0; s < c;) {
            // The all-pass modulation, split like the delay's taps; it only
            // moves when the phase reaches the next sine entry. Until then,
            // and while the rings allow, four samples go at once.
            if ((modPhase >> SineTable::kShift) != modEntry) {
                modEntry = modPhase >> SineTable::kShift;
                const float m = 2.0f * sine[modPhase];
                const int32_t q = static_cast<int32_t>(std::floor(m * 1024.0f + 0.5f));
                whole = q >> 10;
                frac = static_cast<float>(q & 1023) * (1.0f / 1024.0f);
            }
            const uint32_t toNextEntry = ((modEntry + 1) << SineTable::kShift) - modPhase;
            const uint32_t remaining = static_cast<uint32_t>(c - s);
            const uint32_t onEntry =
                modIncrement == 0 ? remaining : std::min(remaining, (toNextEntry - 1) / modIncrement + 1);
            const int32_t fours = std::min({static_cast<int32_t>(onEntry), leftPass.stepsInside(wL, whole),
                                            rightPass.stepsInside(wR, whole)}) &
                                  ~3;
            for (int32_t k = s; k < s + fours; k += 4) {
                leftPass.stepFour(sum[0] + k, early[0] + k, scale, wL, whole, frac);
                rightPass.stepFour(sum[1] + k, early[1] + k, scale, wR, whole, frac);
            }
            modPhase += static_cast<uint32_t>(fours) * modIncrement;
            s += fours;
            if (fours == 0) {
                modPhase += modIncrement;
                early[0][s] += scale * leftPass.step(sum[0][s], wL, whole, frac);
                early[1][s] += scale * rightPass.step(sum[1][s], wR, whole, frac);
                ++s;
            }
        }
        allPassIndex[0] = wL;
        allPassIndex[1] = wR;
        if (!room) {
            constexpr uint32_t kOffsetMask = kRightOffsetRingSize - 1;
            float* offsetRing = rightOffsetRing.data();
            // The whole chunk goes in before any of it comes out: the offset
            // stays a chunk short of the ring, so no read meets a later write.
            const uint32_t at = static_cast<uint32_t>(rightOffsetIndex);
            toRing(offsetRing, kRightOffsetRingSize, at, early[1], c);
            fromRing(offsetRing, kRightOffsetRingSize, (at - static_cast<uint32_t>(rightOffset)) & kOffsetMask,
                     early[1], c);
            rightOffsetIndex = static_cast<int32_t>((at + static_cast<uint32_t>(c)) & kOffsetMask);
        }
        float* outL = io[0] + done;
        float* outR = io[1] + done;
        if (wetStep == 0.0f) {
            // A steady mix, as most blocks have, goes four at a time.
            const float dry = 1.0f - wetNow;
            for (int32_t s = 0; s < c; ++s) {
                outL[s] = dry * outL[s] + wetNow * early[0][s];
                outR[s] = dry * outR[s] + wetNow * early[1][s];
            }
        } else {
            for (int32_t s = 0; s < c; ++s) {
                outL[s] = (1.0f - wetNow) * outL[s] + wetNow * early[0][s];
                outR[s] = (1.0f - wetNow) * outR[s] + wetNow * early[1][s];
                wetNow += wetStep;
            }
        }
    }

    for (int32_t k = 0, i = room ? 1 : 0; k < local.count; ++k, i += room ? 2 : 1) {
        bank[i].index = local.index[k];
        bank[i].state = local.state[k];
    }
    preDelayHead = head;
    inputX1 = flushed(x1);
    inputY1 = flushed(y1);
    locutZ1 = flushed(z1);
    for (BankLine& line : bank)
        line.state = flushed(line.state);
    for (FdnLine& line : fdn)
        line.state = std::fabs(line.state) > kFdnLimit ? 0.0f : flushed(line.state);
    wetCurrent = wetTarget;
    lastReadPosition = readPosition;
}
