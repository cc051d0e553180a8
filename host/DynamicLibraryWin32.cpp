#include "DynamicLibrary.h"

#include <windows.h>

void* DynamicLibrary::open(const std::string& path, std::string& reason)
{
    // A bare file name would be searched for along the DLL search path; a
    // plug-in path given that way means the current folder. The module's own
    // dependencies are then looked for beside it first.
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    const std::string file = length > 0 && length < MAX_PATH ? std::string(full) : path;
    HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        const DWORD code = GetLastError();
        char text[512] = {};
        const DWORD written = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                             code, 0, text, sizeof text, nullptr);
        reason = written ? std::string(text, written) : "error " + std::to_string(code);
        // The system's messages end in a line break.
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
            reason.pop_back();
    }
    return module;
}

void* DynamicLibrary::symbol(void* handle, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void DynamicLibrary::close(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
