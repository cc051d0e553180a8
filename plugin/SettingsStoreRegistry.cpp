// The settings store on Windows: the registry value "1" (raw bytes) under
// Software\Tovimar Sonic\VESK\, in HKEY_LOCAL_MACHINE for the machine and
// HKEY_CURRENT_USER for the user. Both builds use the 32-bit view of the
// registry, so the 64-bit module finds the machine's map where the 32-bit one
// (the product as it always was) keeps it; on 32-bit Windows the view changes
// nothing.
#include "SettingsStore.h"

#include <algorithm>
#include <windows.h>

namespace {
const char* const kKeyPath = "Software\\Tovimar Sonic\\VESK\\";
const char* const kValueName = "1";
const REGSAM kView = KEY_WOW64_32KEY;

// Exactly one valid map: a binary value of that many bytes.
bool readMap(HKEY root, ControllerMap::Bytes& bytes)
{
    HKEY key;
    if (RegOpenKeyExA(root, kKeyPath, 0, KEY_QUERY_VALUE | kView, &key) != ERROR_SUCCESS)
        return false;
    ControllerMap::Bytes stored;
    DWORD type = 0;
    // One byte more than a map, so that a longer value fails as too large.
    BYTE buffer[ControllerMap::kControllers + 1];
    DWORD size = sizeof buffer;
    const bool whole = RegQueryValueExA(key, kValueName, nullptr, &type, buffer, &size) == ERROR_SUCCESS &&
                       type == REG_BINARY && size == stored.size();
    RegCloseKey(key);
    if (!whole)
        return false;
    std::copy(buffer, buffer + stored.size(), stored.begin());
    if (!ControllerMap::isValid(stored))
        return false;
    bytes = stored;
    return true;
}

void writeMap(HKEY root, const ControllerMap::Bytes& bytes)
{
    HKEY key;
    if (RegCreateKeyExA(root, kKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | kView, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, kValueName, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}
} // namespace

bool readControllerSettings(ControllerMap::Bytes& bytes)
{
    return readMap(HKEY_CURRENT_USER, bytes) || readMap(HKEY_LOCAL_MACHINE, bytes);
}

void writeControllerSettings(const ControllerMap::Bytes& bytes)
{
    // A user without administrator rights cannot write the machine's map.
    writeMap(HKEY_LOCAL_MACHINE, bytes);
    writeMap(HKEY_CURRENT_USER, bytes);
}
