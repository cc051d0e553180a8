#include "EffectsChain.h"

#include <cmath>

bool EffectsChain::decodeSlot(float stored, int32_t& kind)
{
    const double k = std::floor(static_cast<double>(stored) + 0.1);
    if (!(k >= 0.0 && k < kEffectKindCount))
        return false;
    kind = static_cast<int32_t>(k);
    return true;
}

void EffectsChain::process(const int32_t* order, const bool* on, int32_t n, float** io, float* const* dry,
                           float tempo, bool busesSilent)
{
    bool silent = busesSilent; // the FX bus still holds only zeros
    for (int32_t slot = 0; slot < kSlotCount; ++slot) {
        // One read: the editor may rewrite the slot while the block runs.
        const int32_t kind = order[slot];
        if (kind < 0 || kind >= kEffectKindCount || !on[kind])
            continue;
        if (kind == kEffectReverb && silent && reverb.asleep())
            continue;
        silent = false;
        switch (kind) {
        case kEffectDistortion:
            processDistortion(distortion, sampleRate, n, io);
            break;
        case kEffectEq1:
        case kEffectEq2:
            processEq(eq[kind - kEffectEq1], sampleRate, n, io);
            break;
        case kEffectPhaser:
            phaser.process(n, io);
            break;
        case kEffectDelay:
            delay.process(n, io, tempo, &delayMod);
            break;
        default:
            reverb.process(n, io);
            break;
        }
    }
    if (!busesSilent)
        for (int32_t c = 0; c < 2; ++c)
            for (int32_t i = 0; i < n; ++i)
                io[c][i] += dry[c][i];
    delayMod.phase += static_cast<uint32_t>(delayMod.increment) * static_cast<uint32_t>(n);
}
