// The settings kept outside the host's state: the learnt controller map, once
// for the machine and once for each user, where the platform keeps such
// settings: files under the XDG folders on Linux (SettingsStoreXdg.cpp), the
// registry on Windows (SettingsStoreRegistry.cpp).
#pragma once

#include "ControllerMap.h"

// The user's stored map, else the machine's. False, leaving `bytes` alone,
// when neither is there as exactly one whole, valid map.
bool readControllerSettings(ControllerMap::Bytes& bytes);

// Stores the map for the machine, then for the user. Failures (no right to
// write the machine's settings, a full disk) are ignored, and a failed write
// leaves what was stored before.
void writeControllerSettings(const ControllerMap::Bytes& bytes);
