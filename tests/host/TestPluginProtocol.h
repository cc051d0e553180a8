// The conversation between the host tests and the test plug-in: the queries
// the plug-in answers through effVendorSpecific, and what it writes out.
//
// Outputs of every process call:
//   channel 0: the tempo the plug-in got from audioMasterGetTime, 0 when the
//              record did not flag it valid, -1 when the host gave no record;
//   channel 1: at frame i, how many events of the last event list had
//              deltaFrames == i.
// Every MIDI event it received is sent back to the host during the next
// process call, and every setParameter is reported with audioMasterAutomate.
#pragma once

#include "VstAbi.h"

constexpr VstInt32 kTestPluginId = vstFourCC('V', 'k', 'T', 'p');
constexpr VstInt32 kTestPluginParams = 8;
constexpr VstInt32 kTestPluginOutputs = 2;
constexpr float kNoTimeInfo = -1.0f;

// effVendorSpecific index; value must be kTestPluginId.
enum TestPluginQuery : VstInt32 {
    // ptr: char[256] <- the vendor string the host gave; answer: the host's answer
    kQueryVendorAtEntryNullEffect = 1, // asked in the entry call with a null effect
    kQueryVendorAtEntryOwnEffect,      // asked in the entry call with the record not yet returned
    kQueryVendorAtOpen,
    kQueryHostCanDo,            // ptr: feature text; answer: the host's answer
    kQueryHostSampleRate,       // answer: audioMasterGetSampleRate
    kQueryHostBlockSize,        // answer: audioMasterGetBlockSize
    kQuerySamplePos,            // answer: samplePos of the time info seen in the last process call
    kQueryRateChangedWhileRunning, // answer: 1 if a sample rate or block size arrived while resumed
    kQueryRateReceived,            // answer: the last effSetSampleRate, 0 before any
    kQueryBlockSizeReceived,       // answer: the last effSetBlockSize, 0 before any
};

// Exported by the test plug-in module: instances alive in this process.
using TestPluginLiveInstancesProc = int (*)();
constexpr const char* kTestPluginLiveInstancesSymbol = "testPluginLiveInstances";
