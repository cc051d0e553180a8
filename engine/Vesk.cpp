#include "Vesk.h"

#include "EffectsChain.h"
#include "FactoryBank.h"
#include "Lfo.h"
#include "ParamFamilies.h"
#include "ParamTable.h"
#include "TempoSync.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace ParamIndex;

// Switch thresholds: a switch is on when its value is strictly above its threshold.
constexpr float kSwitchThreshold = 0.001f;  // Voice 1..8, Arp Sync, Arp On, the FX on switches
constexpr float kSyncThreshold = 0.00001f;  // Osc Sync, LFO Sync
constexpr float kLfoResetThreshold = 0.4f;
constexpr float kMonoThreshold = 0.0001f;
constexpr float kGlideThreshold = 0.0000001f;
constexpr float kFadeInOff = 0.001f;        // fade-in times below this (seconds) are off
constexpr float kVolumeBound = 16.0f;       // |Volume| beyond this sounds no louder

// Biases added before truncating an enumeration code.
constexpr double kFilterTypeBias = 0.0000001;
constexpr double kFmModeBias = 0.0000001;
constexpr double kArpModeBias = 0.0001;
constexpr double kModCodeBias = 0.1;

// Receiver index of each effect parameter, in the host order of its family.
constexpr int32_t kPhaserTargets[6] = {FxVintagePhaser::kType,     FxVintagePhaser::kRate,
                                       FxVintagePhaser::kFreq,     FxVintagePhaser::kFeedback,
                                       FxVintagePhaser::kAmount,   FxVintagePhaser::kDepth};
constexpr int32_t kDelayTargets[6] = {FxDelay::kType,   FxDelay::kColour,   FxDelay::kFeedback,
                                      FxDelay::kAmount, FxDelay::kRateLeft, FxDelay::kRateRight};
// The delay's feedback value also goes to this index, which the delay ignores.
constexpr int32_t kDelayFeedbackEcho = 4;
constexpr int32_t kReverbTargets[6] = {FxReverb::kTypeParam, FxReverb::kDamp,     FxReverb::kDecay,
                                       FxReverb::kAmount,    FxReverb::kPreDelay, FxReverb::kLocut};

// int(product), limited to 0..last: for choices whose out-of-range codes have
// no meaning of their own.
int32_t clampedChoice(float product, int32_t last) { return clampTo<int32_t>(truncToInt(product), 0, last); }

// int(product), with every code outside 0..last read as the last choice, as
// the displays read them ("any other" is the last name of the list).
int32_t choiceOrLast(float product, int32_t last)
{
    const int32_t c = truncToInt(product);
    return c < 0 || c > last ? last : c;
}

int32_t shapeChoice(int32_t index, float value, int32_t last)
{
    return choiceOrLast(value * static_cast<float>(kParamDescriptors[index].steps), last);
}

// int(v + bias) as an enumeration code, see kUnknownCode.
uint8_t decodeCode(float value, double bias)
{
    const int32_t c = truncToInt(static_cast<double>(value) + bias);
    return c >= 0 && c < kUnknownCode ? static_cast<uint8_t>(c) : kUnknownCode;
}

// int(product) + offset as a count limited to lo..hi.
int32_t countInRange(float product, int32_t offset, int32_t lo, int32_t hi)
{
    return static_cast<int32_t>(clampTo<int64_t>(int64_t{truncToInt(product)} + offset, lo, hi));
}

// int(product) + offset for an integer amount, see kIntAmountLimit.
int32_t intAmount(float product, int32_t offset)
{
    return clampTo<int32_t>(truncToInt(product), -kIntAmountLimit, kIntAmountLimit) + offset;
}

} // namespace

Vesk::Vesk(EngineOwner& engineOwner)
    : tables(std::make_unique<RateTables>()), spareTables(std::make_unique<RateTables>()), owner(engineOwner),
      bank(new ProgramRecord[kNumPrograms])
{
    phaser = std::make_unique<FxVintagePhaser>();
    delay = std::make_unique<FxDelay>();
    reverb = std::make_unique<FxReverb>();
    setSampleRate(kDefaultSampleRate);
    loadFactoryBank(bank.get());
    fx.delayMod.table = lfo[1].waveform.reading();
    reset();
}

Vesk::~Vesk() = default;

void Vesk::setRateBlock(float rate)
{
    Module::setSampleRate(rate);
    twiceRate = static_cast<float>(2.0 * sampleRate);
    rateRatio = static_cast<float>(sampleRate / 44100.0);
    out.dcBlocker = onePoleHighpassCoefs(8.0, sampleRate);
    fourRate = static_cast<float>(4.0 * sampleRate);
}

void Vesk::setSampleRate(float rate)
{
    if (!(rate >= kLowestSampleRate && rate <= kHighestSampleRate))
        return;
    phaser->setSampleRate(rate);
    delay->setSampleRate(rate);
    reverb->setSampleRate(rate);
    // "Room"; re-applying the program restores the program's own type.
    reverb->setParameter(FxReverb::kTypeParam, 0.5f);
    setRateBlock(rate);
    if (spareTablesReady && spareTables->sampleRate == sampleRate)
        std::swap(tables, spareTables);
    else
        tables->rebuild(sampleRate);
    spareTablesReady = false;
    // The S+H source is redrawn with every rebuild.
    for (int32_t k = 0; k < LfoFields::kCount; ++k)
        rebuildLfoWaveform(k);
}

void Vesk::prepareTables(float rate)
{
    spareTables->rebuild(static_cast<double>(rate));
    spareTablesReady = true;
}

void Vesk::setParameter(int32_t index, float value)
{
    if (index >= kArpStep && index < kArpSteps) {
        if (index < kArpFinger)
            arp.setStepValue(index - kArpStep, value);
        else
            arp.setFingerValue(index - kArpFinger, value);
        return;
    }
    if (index < 0 || index > kEditorPitchBend)
        return;

    if (index <= kOscFm || index == kOscSync || index == kFmFeedback || index == kFmMode)
        applyOscillator(index, value);
    else if (index < kFilterKeytrack || (index >= kModAttack && index < kFmFeedback))
        applyEnvelope(index, value);
    else if (index < kOscSync || index == kFilterType)
        applyFilter(index, value);
    else if (index >= kLfo1Shape && index < kModAttack)
        applyLfo(index, value);
    else if ((index >= kVoice1 && index < kArpRange) || (index >= kVoiceSpread && index <= kGlide) ||
             index == kMonoMode || index == kPoly)
        applyVoiceStack(index, value);
    else if ((index >= kArpRange && index <= kArpSwing) || index == kArpSync || index == kArpOn ||
             index == kArpMode || index == kArpSteps)
        applyArpeggiator(index, value);
    else if (index == kVolume)
        applyVolume(value);
    else if ((index >= kPhaserType && index < kNumHostParams) || (index >= kPhaserOn && index < kPhaserOn + kFxOnCount))
        applyEffect(index, value);
    else if (index == kModWheel)
        ctl.modWheel = value;
    else if (index >= kModSource && index < kArpStep)
        applyModulation(index, value);
    else if (index == kEditorPitchBend)
        applyPitchBend(value);
    // Everything else (reserved slots, the category, the effect order, the
    // editor-only tags) has no effect here.
}

void Vesk::applyOscillator(int32_t index, float value)
{
    switch (index) {
    case kOsc1Shape:
    case kOsc2Shape:
        osc.oscShape[index == kOsc2Shape] = shapeChoice(index, value, 3);
        break;
    case kOsc1Coarse:
    case kOsc2Coarse:
        osc.oscCoarse[index == kOsc2Coarse] = intAmount(value * 72.0f + 0.0001f, -36);
        break;
    case kOsc1Fine:
    case kOsc2Fine:
        osc.oscFine[index == kOsc2Fine] = intAmount(value * 128.0f, -64);
        break;
    case kOsc1Fat:
    case kOsc2Fat: {
        const int32_t o = index == kOsc2Fat;
        osc.oscFatAmount[o] = static_cast<uint8_t>(clampedChoice(value * 128.0f, 255));
        osc.oscFatFactor[o] = 1.0f + 0.01f * value;
        break;
    }
    case kOsc1Wave:
    case kOsc2Wave:
        osc.oscWave[index == kOsc2Wave] = clampedChoice(value * 128.0f + 0.001f, 69);
        break;
    case kOsc3Shape:
        osc.osc3Shape = shapeChoice(index, value, 2);
        break;
    case kOsc3Level:
        osc.osc3Level = value;
        break;
    case kOscMix:
        osc.oscMix = value;
        break;
    case kNoiseColour:
        osc.noiseColour = value;
        osc.noiseHighpass = onePoleHighpassCoefs(expMap(value, 5.0, 20000.0), sampleRate);
        break;
    case kNoiseLevel:
        osc.noiseLevel = value;
        break;
    case kOscRingMod:
        osc.ringMod = value;
        break;
    case kOscPulseWidth:
        ramps.pwRamp.target = value;
        break;
    case kOscFm:
        ramps.fmRamp.target = 4.0f * value;
        break;
    case kOscSync:
        osc.oscSync = value > kSyncThreshold;
        break;
    case kFmFeedback:
        osc.fmFeedback = value;
        break;
    case kFmMode:
        osc.fmMode = decodeCode(value, kFmModeBias);
        break;
    default:
        break;
    }
}

void Vesk::applyEnvelope(int32_t index, float value)
{
    int32_t first;
    EnvelopeParams* e;
    if (index >= kModAttack) {
        first = kModAttack;
        e = &env.mod;
    } else if (index >= kFilterAttack) {
        first = kFilterAttack;
        e = &env.filter;
    } else {
        first = kAmpAttack;
        e = &env.amp;
    }
    const int32_t member = index - first;
    e->raw[member] = value;
    switch (member) {
    case kEnvAttack:
        e->attack = value;
        break;
    case kEnvDecay:
        e->decay = value;
        break;
    case kEnvSustain:
        e->sustain = value * value;
        break;
    case kEnvRelease:
        e->release = value;
        break;
    default:
        break;
    }
}

void Vesk::applyFilter(int32_t index, float value)
{
    switch (index) {
    case kFilterKeytrack:
        filter.filterKeytrack = value;
        break;
    case kFilterCutoff:
        ramps.cutoffRamp.target = value;
        break;
    case kFilterResonance:
        filter.resonance = value;
        break;
    case kFilterEnvAmount:
        filter.filterEnvAmount = value;
        break;
    case kFilterOffset:
        filter.filterOffset = value;
        break;
    case kFilterType:
        filter.filterType = decodeCode(value, kFilterTypeBias);
        filterMemoriesStale.store(true, std::memory_order_release);
        break;
    default: // Filter Reserved
        break;
    }
}

void Vesk::applyLfo(int32_t index, float value)
{
    const int32_t k = (index - kLfo1Shape) / kLfoStride;
    LfoFields& l = lfo[k];
    switch ((index - kLfo1Shape) % kLfoStride) {
    case kLfoShapeOffset:
        l.lfoShape = static_cast<uint8_t>(shapeChoice(index, value, 3));
        rebuildLfoWaveform(k);
        break;
    case kLfoRateOffset:
        l.lfoRate = value;
        l.lfoFrequency = lfoFrequency(l.lfoRate, l.lfoSync, owner.hostTempo());
        break;
    case kLfoSkewOffset:
        l.lfoSkewA = static_cast<float>(expMap(value, 0.25, 4.0));
        l.lfoSkewB = static_cast<float>(expMap(value, 0.5, 2.0));
        l.lfoSkewRaw = value;
        // A one-pole corner from 100 kHz at skew 0 down to 1 Hz at skew 1.
        l.lfoSkewSmoothing =
            static_cast<float>(1.0 - std::exp(-2.0 * M_PI * expMap(1.0 - value, 1.0, 100000.0) / sampleRate));
        rebuildLfoWaveform(k);
        break;
    case kLfoFadeInOffset: {
        const double seconds = expMap(value, 0.01, 10.01) - 0.01;
        l.lfoFadeIn = seconds < kFadeInOff ? 0.0f : static_cast<float>(seconds);
        break;
    }
    case kLfoSyncOffset:
        l.lfoSync = value > kSyncThreshold;
        l.lfoFrequency = lfoFrequency(l.lfoRate, l.lfoSync, owner.hostTempo());
        break;
    case kLfoResetOffset:
        l.lfoReset = value > kLfoResetThreshold;
        if (k == 0)
            rebuildLfoWaveform(k);
        break;
    default: // reserved
        break;
    }
}

void Vesk::applyVoiceStack(int32_t index, float value)
{
    if (index >= kVoice1 && index < kVoice1 + VoiceStackFields::kMaxLayers) {
        stack.layerOn[index - kVoice1] = value > kSwitchThreshold;
        stack.layerSwitching = value != 0.0f || std::any_of(std::begin(stack.layerOn), std::end(stack.layerOn),
                                                            [](bool on) { return on; });
        return;
    }
    switch (index) {
    case kVoiceSpread:
        stack.voiceSpread = value;
        break;
    case kVoiceDetune:
        stack.voiceDetune = intAmount(value * 128.0f, 0) / 2;
        break;
    case kVoices:
        stack.voicesPerNote = clampTo<int32_t>(truncToInt(value * 128.0f) / 18 + 1, 1, VoiceStackFields::kMaxLayers);
        break;
    case kGlide:
        stack.glideRaw = value;
        stack.glideOn = value > kGlideThreshold;
        // 1..1000 ms to 10 % of the distance.
        stack.glideCoef = static_cast<float>(timeCoef(expMap(value, 1.0, 1000.0), 0.1, sampleRate));
        break;
    case kMonoMode:
        stack.monoMode = value > kMonoThreshold;
        if (!stack.monoMode && !arp.arpOn)
            softNotesOffPending.store(true, std::memory_order_release);
        break;
    case kPoly:
        poly = countInRange(value * 64.0f, 8, 8, kMaxVoices);
        break;
    default:
        break;
    }
}

void Vesk::applyArpeggiator(int32_t index, float value)
{
    switch (index) {
    case kArpRange:
        arp.velocityBlend = value;
        break;
    case kArpRate:
        arp.arpRateRaw = value;
        arp.arpFreeRate = expMap(value, 0.1, 100.0);
        break;
    case kArpLength:
        arp.setGateOffset(intAmount(value * 31.0f * 2.0f, -31));
        break;
    case kArpSwing:
        arp.setSwing(value);
        break;
    case kArpSync:
        arp.arpSync = value > kSwitchThreshold;
        break;
    case kArpOn:
        arp.setArpOn(value > kSwitchThreshold);
        break;
    case kArpMode:
        arp.setArpMode(decodeCode(value, kArpModeBias));
        break;
    case kArpSteps:
        arp.arpSteps = static_cast<uint8_t>(countInRange(value * 31.0f, 1, 1, Arpeggiator::kStepCount));
        break;
    default:
        break;
    }
}

void Vesk::applyVolume(float value)
{
    // The maker's own host expects the louder scale of newer program data.
    const bool louder = owner.hostIsMaker() && programDataVersion >= 15;
    // Volume is not limited to 0..1, but a value whose square overflows would
    // make every sample infinite; beyond +60 dB nothing is musical anyway.
    const float bounded = clampTo(value, -kVolumeBound, kVolumeBound);
    ramps.gainTarget = bounded * bounded * (louder ? 8.0f : 4.0f);
}

void Vesk::applyEffect(int32_t index, float value)
{
    if (index >= kPhaserOn) {
        fx.fxOn[index - kPhaserOn] = value > kSwitchThreshold;
        return;
    }
    if (index < kDelayType) {
        phaser->setParameter(kPhaserTargets[index - kPhaserType], value);
        return;
    }
    if (index < kReverbType) {
        const int32_t target = kDelayTargets[index - kDelayType];
        delay->setParameter(target, value);
        if (target == FxDelay::kFeedback)
            delay->setParameter(kDelayFeedbackEcho, value);
        return;
    }
    if (index < kDistType) {
        reverb->setParameter(kReverbTargets[index - kReverbType], value);
        return;
    }
    switch (index) {
    case kDistType:
        fx.distType = clampedChoice(value * 8.0f, EffectFields::kDistTypeCount - 1);
        return;
    case kDistColour:
        fx.distColour = value;
        return;
    case kDistDrive:
        fx.distDrive = value;
        return;
    case kDistAmount:
        fx.distAmount = value;
        return;
    default:
        break;
    }
    const int32_t band = index >= kEq2Type ? 1 : 0;
    EqBand& eq = fx.eq[band];
    switch (index - (band ? kEq2Type : kEq1Type)) {
    case kEqTypeOffset:
        eq.eqType = static_cast<uint8_t>(choiceOrLast(value * 2.01f, 2));
        break;
    case kEqFreqOffset:
        eq.eqFreq = static_cast<float>(expMap(value, 10.0, 10000.0));
        break;
    case kEqQOffset:
        eq.eqQ = static_cast<float>(expMap(value, 0.1, 10.0));
        break;
    case kEqGainOffset:
        eq.eqGain = static_cast<float>(dbGain(value, 10.0));
        break;
    default: // the reserved slot after each band
        break;
    }
}

void Vesk::applyModulation(int32_t index, float value)
{
    const int32_t family = (index - kModSource) / kModFamilySlots;
    const int32_t k = (index - kModSource) % kModFamilySlots;
    if (k >= ModMatrixState::kSlots)
        return;
    ModSlot& slot = mod.slot[k];
    switch (family) {
    case 0:
        slot.modSource = decodeCode(value, kModCodeBias);
        break;
    case 1:
        slot.modAmount = 2.0 * value - 1.0;
        break;
    case 2:
        slot.modDest = decodeCode(value, kModCodeBias);
        break;
    default:
        slot.modVoices = decodeCode(value, kModCodeBias);
        break;
    }
}

// The MIDI intake limits the value to 0..1; the limits here only keep a direct
// caller's value within the bend's range.
void Vesk::applyPitchBend(float value)
{
    const double centred = static_cast<double>(value) - 0.5;
    ctl.bend = clampTo(2.0 * centred, -1.0, 1.0);
    ctl.bendRaw = clampTo<int32_t>(truncToInt(centred * 16384.0), -8192, 8192);
}

void Vesk::setProgram(int32_t program)
{
    if (program < 0 || program >= kNumPrograms)
        return;
    currentProgram = program;
    reset();
    for (auto& curve : mod.curve)
        curve.curveOn = false;
    applyProgramValues([&](int32_t i, float v) { owner.setParameter(i, v); }, bank[program]);
    for (int32_t slot = 0; slot < kEffectOrderCount; ++slot) {
        int32_t kind;
        if (EffectsChain::decodeSlot(owner.getParameter(kEffectOrder + slot), kind))
            owner.setEffectOrderSlot(slot, kind);
    }
}

void Vesk::reapplyProgram()
{
    if (currentProgram < 0 || currentProgram >= kNumPrograms)
        return;
    applyProgramValues([&](int32_t i, float v) { setParameter(i, v); }, bank[currentProgram]);
}

template <typename Apply>
void Vesk::applyProgramValues(Apply&& apply, const ProgramRecord& record)
{
    // A program sets each LFO's shape, skew and reset; its table is built once
    // at the end rather than for each of them (a MIDI program change runs this
    // on the audio thread).
    lfoRebuildsDeferred = true;
    for (int32_t i = 0; i < kNumProgramParams; ++i)
        apply(i, record.params[i]);
    lfoRebuildsDeferred = false;
    for (int32_t k = 0; k < LfoFields::kCount; ++k)
        rebuildLfoWaveform(k);
    // Whole programs are applied after a reset: a Mono Mode of 0 among the
    // values has no notes left to release, and must not release the next ones.
    softNotesOffPending.store(false, std::memory_order_relaxed);
    // The wheel's smoothing starts at the program's own wheel, not glide in
    // from wherever the sounds before left it.
    ctl.modWheelSmoothed = ctl.modWheel;
}

void Vesk::reset()
{
    ctl.sustainPedalUp = true;
    ctl.bendRaw = 0;
    ctl.bend = 0.0;
    ctl.aftertouch = ctl.breath = ctl.foot = ctl.expression = 0.0;

    ramps.cutoffRamp.current = kCutoffUnset;
    ramps.fmRamp.current = kFmUnset;
    ramps.pwRamp.current = kPwUnset;
    // Nothing the last sounds left behind may colour the next ones: the gain
    // and bend smoothers, the glide, the delay's sweep and the generators all
    // start as they do in a new instance, so a program renders the same
    // whatever played before it.
    ramps.gainCurrent = kGainUnset;
    ctl.bendSmoothed = 0;
    random = Random15{};
    noiseState = 1;
    notes.lastNote = -1;
    notes.glideOffset = 0.0f;
    fx.delayMod.phase = 0;

    arp.reset();

    phaser->reset();
    delay->reset();
    reverb->reset();

    // The distortion and EQ states and the DC blocker are the engine's own effect memories.
    fx.distDryCurrent = -1.0f;
    fx.distWetCurrent = 0.0f;
    for (int32_t c = 0; c < 2; ++c) {
        fx.distPrevIn[c] = fx.distFirstOut[c] = fx.distPrevFirstOut[c] = fx.distSecondOut[c] = 0.0f;
        for (EqBand& eq : fx.eq)
            eq.x1[c] = eq.x2[c] = eq.y1[c] = eq.y2[c] = 0.0f;
        out.x1[c] = out.y1[c] = 0.0f;
    }

    std::fill(std::begin(notes.monoKeys), std::end(notes.monoKeys), uint8_t{0});
    std::fill(std::begin(notes.keyDown), std::end(notes.keyDown), uint8_t{0});
    notes.reset();
}

void Vesk::allNotesOff(bool hard)
{
    arp.allNotesOff();
    if (notes.allNotesOff(hard))
        reset();
}

void Vesk::settlePendingReleases()
{
    bool release = softNotesOffPending.exchange(false, std::memory_order_acquire);
    if (arp.takeSwitchChange()) {
        release = true;
        arp.arpCurrentStep = 0;
    }
    if (release)
        allNotesOff(false);
}

void Vesk::arpBeginPiece(int32_t blockOffset, int32_t frames)
{
    arp.beginPiece(blockOffset, frames, arpFramesPerTick(arp.arpRateRaw, arp.arpSync, owner.hostTempo(), sampleRate));
}

void Vesk::loadArpPattern(const ProgramRecord& record)
{
    owner.setParameter(kArpMode, record.params[kArpMode]);
    for (int32_t i = kArpSteps - 1; i >= kArpStep; --i)
        owner.setParameter(i, record.params[i]);
    for (int32_t i : {kArpSteps, kArpSync, kArpRate, kArpLength, kArpSwing})
        owner.setParameter(i, record.params[i]);
}

void Vesk::refreshNoteSettings()
{
    noteSettings.poly = poly;
    noteSettings.voicesPerNote = stack.voicesPerNote;
    noteSettings.monoMode = stack.monoMode;
    noteSettings.arpOn = arp.arpOn;
    noteSettings.filterType = filter.filterType;
    noteSettings.oscSync = osc.oscSync;
    for (int32_t k = 0; k < kNumLfos; ++k)
        noteSettings.lfoReset[k] = lfo[k].lfoReset;
}

void Vesk::noteOn(int32_t note, int32_t velocity, int32_t layerMask)
{
    refreshNoteSettings();
    voicesInBlock = true;
    notes.noteOn(note, velocity, layerMask);
}

void Vesk::noteOff(int32_t note, int32_t velocity, int32_t layerMask)
{
    refreshNoteSettings();
    voicesInBlock = true;
    notes.noteOff(note, velocity, layerMask);
}

void Vesk::retuneLayers(int32_t note, int32_t layerMask)
{
    refreshNoteSettings();
    voicesInBlock = true;
    notes.retuneLayers(note, layerMask);
}

void Vesk::beginBlock(int32_t frames)
{
    // The slots the render plays, as it counts them.
    const int32_t slots = clampTo<int32_t>(poly, 1, kMaxVoices);
    voicesInBlock = std::any_of(voices, voices + slots, [](const VoiceSlot& v) { return v.active != 0; });
    for (BlockRamp* ramp : {&ramps.cutoffRamp, &ramps.fmRamp, &ramps.pwRamp}) {
        if (ramp->current < -1.0f) {
            ramp->current = ramp->target;
            ramp->step = 0.0f;
        } else {
            ramp->step = frames > 0 ? (ramp->target - ramp->current) / static_cast<float>(frames) : 0.0f;
        }
    }
}

void Vesk::endBlock()
{
    for (BlockRamp* ramp : {&ramps.cutoffRamp, &ramps.fmRamp, &ramps.pwRamp})
        ramp->current = ramp->target;
}

namespace {

// One channel of the output stage; the DC blocker is a template switch so the
// loop itself has no per-frame branch for it.
template <bool kDcBlock>
void applyOutputStage(float* io, int32_t frames, float gain, float step, OutputStage& stage, int32_t channel)
{
    if (!kDcBlock && step == 0.0f) {
        // A steady gain, as most blocks have, is one plain scaling pass.
        for (int32_t i = 0; i < frames; ++i)
            io[i] *= gain;
        return;
    }
    float x1 = stage.x1[channel];
    float y1 = stage.y1[channel];
    const float a = stage.dcBlocker.a;
    const float b = stage.dcBlocker.b;
    for (int32_t i = 0; i < frames; ++i) {
        const float x = io[i] * gain;
        gain += step;
        if (kDcBlock) {
            float y = (x - x1) * b - a * y1;
            if (std::fabs(y) < 1e-9f)
                y = 0.0f;
            x1 = x;
            y1 = y;
            io[i] = y;
        } else {
            io[i] = x;
        }
    }
    stage.x1[channel] = x1;
    stage.y1[channel] = y1;
}

} // namespace

void Vesk::outputStage(int32_t frames, float** outputs)
{
    if (ramps.gainCurrent < 0.0f)
        ramps.gainCurrent = ramps.gainTarget;
    if (frames > 0) {
        float step = (ramps.gainTarget - ramps.gainCurrent) / static_cast<float>(frames);
        if (std::fabs(step) < 1e-9f)
            step = 0.0f;
        for (int32_t c = 0; c < 2; ++c) {
            if (osc.oscSync)
                applyOutputStage<true>(outputs[c], frames, ramps.gainCurrent, step, out, c);
            else
                applyOutputStage<false>(outputs[c], frames, ramps.gainCurrent, step, out, c);
        }
    }
    ramps.gainCurrent = ramps.gainTarget;
}

void Vesk::processEffects(int32_t frames, float** fxBus, float* const* dryBus, const int32_t* order, float tempo)
{
    // The on switches come in the order phaser, delay, reverb, distortion,
    // EQ 1, EQ 2; the chain asks by effect kind.
    bool on[kEffectKindCount];
    for (int32_t kind = 0; kind < kEffectKindCount; ++kind)
        on[kind] = fx.fxOn[(kind + kEffectKindCount - kEffectPhaser) % kEffectKindCount];
    EffectsChain chain{fx, fx.eq, *phaser, *delay, *reverb, fx.delayMod, sampleRate};
    chain.process(order, on, frames, fxBus, dryBus, tempo, !voicesInBlock);
}

void Vesk::rebuildLfoWaveform(int32_t k)
{
    if (lfoRebuildsDeferred)
        return;
    const LfoFields& l = lfo[k];
    const LfoSources sources{tables->skewedTriangle.data(), tables->sine.data(), tables->smoothRandom.data()};
    buildLfoTable(lfo[k].waveform.building(), l.lfoShape, LfoSkew{l.lfoSkewA, l.lfoSkewB, l.lfoSkewRaw}, sources);
    lfo[k].waveform.publish();
}
