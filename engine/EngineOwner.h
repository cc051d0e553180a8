// What the engine needs from the object that owns it. The engine never sees the
// host interface; the plug-in object implements this.
#pragma once

#include <cstdint>

class EngineOwner {
public:
    // Host tempo in beats per minute, as read at the start of the current block.
    virtual double hostTempo() const = 0;
    // True when the host identified itself as the maker's own host.
    virtual bool hostIsMaker() const = 0;
    // Re-entry during a program change: store, apply and show one parameter.
    virtual void setParameter(int32_t index, float value) = 0;
    virtual float getParameter(int32_t index) const = 0;
    // The effect-chain order read back after a program's parameters are applied.
    virtual void setEffectOrderSlot(int slot, int32_t kind) = 0;

protected:
    ~EngineOwner() = default;
};
