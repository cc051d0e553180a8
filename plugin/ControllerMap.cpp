#include "ControllerMap.h"

#include <cstring>
#include <thread>

namespace {
// Controller 0 selects banks and 1 is the modulation wheel: neither is learnt.
constexpr int kFirstLearnable = 2;

struct DefaultAssignment {
    uint8_t param;
    uint8_t controller;
};

// Each controller appears once, so the map starts with no conflicts.
constexpr DefaultAssignment kDefaults[] = {
    {0, 30},    {1, 77},    {2, 33},    {3, 102},   {5, 31},    {6, 78},    {7, 34},    {8, 103},   {10, 108},
    {11, 107},  {12, 8},    {13, 110},  {14, 109},  {15, 71},   {16, 79},   {17, 70},   {18, 73},   {19, 36},
    {20, 37},   {21, 72},   {22, 38},   {23, 39},   {24, 40},   {25, 41},   {26, 46},   {28, 74},   {29, 42},
    {30, 43},   {32, 35},   {33, 15},   {34, 14},   {35, 17},   {36, 18},   {37, 16},   {42, 20},   {43, 19},
    {44, 22},   {45, 23},   {46, 21},   {51, 81},   {52, 80},   {53, 83},   {54, 84},   {55, 82},   {57, 26},
    {58, 27},   {59, 28},   {60, 29},   {61, 106},  {71, 50},   {72, 52},   {74, 111},  {75, 54},   {76, 53},
    {77, 51},   {78, 5},    {83, 93},   {88, 92},   {94, 91},   {100, 94},  {104, 89},  {109, 90},  {113, 1},
    {115, 47},  {160, 112}, {161, 113}, {162, 114}, {163, 115}, {164, 116}, {165, 117}, {166, 118}, {167, 119},
};

bool isAssignable(int32_t param) { return param >= 0 && param < ControllerMap::kAssignableParams; }
} // namespace

ControllerMap::ControllerMap()
{
    Bytes defaults;
    defaults.fill(kNone);
    for (const DefaultAssignment& entry : kDefaults)
        defaults[entry.controller] = entry.param;
    for (auto& entry : paramToCc)
        entry = kNone;
    assign(defaults);
}

void ControllerMap::assign(const Bytes& bytes)
{
    for (int c = 0; c < kControllers; ++c)
        ccToParam[c] = bytes[c];
    rebuildParamToCc(true);
}

ControllerMap::Bytes ControllerMap::bytes() const
{
    Bytes bytes;
    for (int c = 0; c < kControllers; ++c)
        bytes[c] = ccToParam[c];
    return bytes;
}

int32_t ControllerMap::parameterFor(int controller) const
{
    if (controller < 0 || controller >= kControllers)
        return -1;
    const uint8_t param = ccToParam[controller];
    return param == kNone ? -1 : param;
}

int32_t ControllerMap::controllerFor(int32_t param) const
{
    if (param < 0 || param >= ParamIndex::kNumProgramParams)
        return -1;
    const uint8_t controller = paramToCc[param];
    return controller == kNone ? -1 : controller;
}

void ControllerMap::learnFrom(int controller)
{
    int32_t param = learnTarget;
    if (param < 0 || controller < kFirstLearnable || controller >= kControllers)
        return;
    // The editor may re-arm meanwhile; the newer target then waits for the
    // next controller.
    if (!learnTarget.compare_exchange_strong(param, -1))
        return;
    ccToParam[controller] = static_cast<uint8_t>(param);
    rebuildParamToCc(false);
}

void ControllerMap::learn(int32_t param)
{
    controllerMapChanged = true;
    if (isAssignable(param))
        learnTarget = param;
}

void ControllerMap::forget(int32_t param)
{
    controllerMapChanged = true;
    if (!isAssignable(param))
        return;
    // Only entries still on this parameter are cleared: a controller the audio
    // thread has just learnt for another one stays.
    for (int c = 0; c < kMappedControllers; ++c) {
        uint8_t expected = static_cast<uint8_t>(param);
        ccToParam[c].compare_exchange_strong(expected, kNone);
    }
    rebuildParamToCc(true);
}

void ControllerMap::rebuildParamToCc(bool mayWait)
{
    // Requests are read-modify-writes so that whoever takes one also sees the
    // map change made before it, whichever thread made it.
    rebuildPending.exchange(true);
    do {
        while (rebuilding.exchange(true)) {
            if (!mayWait)
                return; // the thread rebuilding now sees the request when it finishes
            std::this_thread::yield();
        }
        rebuildPending.exchange(false);
        buildParamToCc();
        rebuilding = false;
    } while (mayWait && rebuildPending);
}

void ControllerMap::buildParamToCc()
{
    // Built aside, then each entry is changed once, straight from its old
    // controller to its new one: an echo read meanwhile never finds an entry
    // emptied or passing through a lower controller on the way.
    uint8_t next[ParamIndex::kNumProgramParams];
    memset(next, kNone, sizeof(next));
    for (int c = 0; c < kMappedControllers; ++c) {
        const uint8_t param = ccToParam[c];
        if (param != kNone)
            next[param] = static_cast<uint8_t>(c);
    }
    for (int p = 0; p < ParamIndex::kNumProgramParams; ++p)
        if (paramToCc[p] != next[p])
            paramToCc[p] = next[p];
}
