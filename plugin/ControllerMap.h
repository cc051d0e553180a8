// Which MIDI controller drives which parameter. Controller → parameter
// (ccToParam) is the map that counts and the one kept between sessions;
// parameter → controller (paramToCc) is derived from it to echo editor moves.
//
// Threads: the audio thread reads the map and learns from incoming controllers,
// the editor arms learning, forgets and reads the echo on the UI thread. Every
// entry is one atomic byte, so a reader sees each entry either before or after
// a change, never in between, and the audio thread never waits.
#pragma once

#include "ParamIndex.h"

#include <array>
#include <atomic>
#include <cstdint>

class ControllerMap {
public:
    static constexpr int kControllers = 128;
    static constexpr uint8_t kNone = 0xff;
    // Parameter indices are held in one byte, 0xff meaning none.
    static constexpr int32_t kAssignableParams = 255;
    // Learning and forgetting look at controllers 0..126 only: a parameter
    // learnt on controller 127 is driven by it but shows no controller.
    static constexpr int kMappedControllers = 127;
    // The stored form: byte c = the parameter of controller c, or kNone.
    using Bytes = std::array<uint8_t, kControllers>;

    // The default assignment.
    ControllerMap();
    // Whether stored bytes are a map this plug-in could have written: none
    // assigns controller 0 (bank select is never learnt), and echoing it
    // would switch the host's bank.
    static bool isValid(const Bytes& bytes) { return bytes[0] == kNone; }
    // Replaces the whole map (before any other thread can see the object).
    void assign(const Bytes& bytes);
    Bytes bytes() const;

    // The parameter controller c drives, or -1.
    int32_t parameterFor(int controller) const;
    // The controller echoed when parameter p moves, or -1.
    int32_t controllerFor(int32_t param) const;

    // Audio thread, for every incoming control change before it takes effect:
    // an armed learn target takes controllers 2 and above.
    void learnFrom(int controller);

    // Editor. Both mark the map as changed, as the menu choice itself does.
    void learn(int32_t param);
    void forget(int32_t param);
    int32_t armedTarget() const { return learnTarget.load(); }
    bool hasChanged() const { return controllerMapChanged.load(); }

private:
    // mayWait: false on the audio thread, which then leaves the work to
    // whoever is rebuilding.
    void rebuildParamToCc(bool mayWait);
    void buildParamToCc();

    std::atomic<uint8_t> ccToParam[kControllers];
    std::atomic<uint8_t> paramToCc[ParamIndex::kNumProgramParams];
    std::atomic<int32_t> learnTarget{-1};
    std::atomic<bool> controllerMapChanged{false};
    std::atomic<bool> rebuildPending{false};
    std::atomic<bool> rebuilding{false};
};
