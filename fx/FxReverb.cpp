#include "FxReverb.h"

#include "Conversions.h"

#include <algorithm>
#include <array>

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

// A length that the prime table cannot round (rates far above 200 kHz) keeps
// its unrounded value instead of the table's 0, so that no line is empty.
int32_t primeLength(int64_t x)
{
    const int32_t prime = FxReverb::nextPrime(x);
    return prime > 0 ? prime : static_cast<int32_t>(std::clamp<int64_t>(x, 1, FxReverb::kPoolSize));
}

// Lays lines end to end while room remains; once the pool is full the later
// lines share the last region that fits, which keeps every line inside it.
struct PoolCarver {
    int32_t offset = 0;

    int32_t place(int32_t length)
    {
        const int32_t start = std::min(offset, FxReverb::kPoolSize - length);
        if (offset + 2 * length < FxReverb::kPoolFillLimit)
            offset += length;
        return start;
    }
};

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

FxReverb::FxReverb()
    : preDelayRing(kPreDelayRingSize, 0.0f), pool(kPoolSize, 0.0f), rightOffsetRing(kRightOffsetRingSize, 0.0f)
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
}

void FxReverb::reset()
{
    silenceCounter = 10000000;
    std::fill(preDelayRing.begin(), preDelayRing.end(), 0.0f);
    std::fill(pool.begin(), pool.end(), 0.0f);
    for (auto& ring : allPassRing)
        std::fill(ring.begin(), ring.end(), 0.0f);
    std::fill(std::begin(allPassIndex), std::end(allPassIndex), 0);
    std::fill(rightOffsetRing.begin(), rightOffsetRing.end(), 0.0f);
    rightOffsetIndex = 0;
    for (auto& line : bank)
        line.state = 0.0f;
    for (auto& line : fdn)
        line.state = 0.0f;
    inputX1 = inputY1 = locutZ1 = 0.0f;
    lastReadPosition = -1;
    wetCurrent = -1.0f;
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
        if (t == kDiffuse2)
            reset();
        rebuildEarlyReflections();
        std::fill(rightOffsetRing.begin(), rightOffsetRing.end(), 0.0f);
        break;
    }
    case kDecay:
        t60 = static_cast<float>(expMap(value, 0.5, 10.0));
        updateBankGains();
        break;
    case kDamp:
        damping = 0.5f + 0.5f * value;
        dampingRatio = static_cast<float>(expMap(value, 0.15, 1.0));
        updateBankGains();
        break;
    case kPreDelay: {
        // Whole milliseconds; kept within the ring's reach so that no read
        // position or tap sum can leave it, whatever value arrives.
        const int32_t ms = truncToInt(value * 100.0f);
        preDelay = clampTo<int32_t>(truncToInt(ms * 0.001 * sampleRate), 0, kMaxPreDelayRead);
        rebuildEarlyReflections();
        break;
    }
    case kLocut: {
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
    std::fill(preDelayRing.begin(), preDelayRing.end(), 0.0f);
    PoolCarver carver;
    for (int32_t i = 0; i < kBankLineCount; ++i) {
        BankLine& line = bank[i];
        line.length = primeLength(truncToInt((i + 1) * 0.000390625 * sampleRate + 500.0));
        line.start = carver.place(line.length);
        line.index = 0;
        line.state = 0.0f;
    }
    allPassLength[0] = primeLength(truncToInt(0.0058 * sampleRate));
    allPassLength[1] = primeLength(truncToInt(0.0057 * sampleRate));
    roomAllPassLength[0] = primeLength(truncToInt(0.0066 * sampleRate));
    roomAllPassLength[1] = primeLength(truncToInt(0.0065 * sampleRate));

    // In integers, deliberately; wide enough for any audio rate.
    const double scaledRate = sampleRate * 8192.0;
    const int64_t rate8192 = scaledRate > 0.0 && scaledRate < 1e15 ? static_cast<int64_t>(scaledRate) : 0;
    for (int32_t k = 0; k < kFdnLineCount; ++k) {
        FdnLine& line = fdn[k];
        const int32_t j = truncToInt((k * 14.20254760980606 + 67.0) * 2.0);
        const int64_t p = kPrimes[static_cast<size_t>(j)];
        line.length = primeLength(p * rate8192 / 44100 / 8192);
        line.start = carver.place(line.length);
        line.index = 0;
        line.state = 0.0f;
    }
    // The gains and the reflections follow the new lengths and rate.
    updateBankGains();
    if (type >= 0)
        rebuildEarlyReflections();
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
}

void FxReverb::buildRoomReflections()
{
    for (int32_t k = 0; k < kRoomTapCount; ++k) {
        const RoomTap& tap = kRoomTaps[k];
        leftTaps[k] = {truncToInt((tap.leftTime - 1599) * sampleRate / 48000.0 + preDelay), 0.5f * tap.leftGain};
        rightTaps[k] = {truncToInt((tap.rightTime - 1599) * sampleRate / 48000.0 + preDelay), 0.5f * tap.rightGain};
    }
    leftTapCount = rightTapCount = kRoomTapCount;

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
