// The operating system's side of loading a module: open it by path, look up
// an exported name, close it. PluginModule keeps what hosts do with it.
#pragma once

#include <string>

namespace DynamicLibrary {
// Loads the module at `path`, resolving everything it needs at once; on
// failure returns nullptr and the system's reason in `reason`.
void* open(const std::string& path, std::string& reason);
// The address exported under `name` by that module alone, or nullptr.
void* symbol(void* handle, const char* name);
void close(void* handle);
} // namespace DynamicLibrary
