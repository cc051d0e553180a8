#include "PluginModule.h"

#include <dlfcn.h>

namespace {

// A module handle only searches the module and its own dependencies, never
// the host executable, so looking up `main` cannot find ours.
PluginEntryProc findEntry(void* handle, const char* name)
{
    return reinterpret_cast<PluginEntryProc>(dlsym(handle, name));
}

} // namespace

std::unique_ptr<PluginModule> PluginModule::open(const std::string& path, std::string& error)
{
    // dlopen takes a name without a slash as a library to search for in the
    // system folders; a plug-in path given that way means the current folder.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    // RTLD_NOW: a module with unresolved symbols must fail here, as it does in
    // hosts that bind eagerly, not in the middle of a render.
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = "cannot load module '" + path + "': " + (reason ? reason : "unknown error");
        return nullptr;
    }
    PluginEntryProc entry = findEntry(handle, "VSTPluginMain");
    if (!entry)
        entry = findEntry(handle, "main");
    if (!entry) {
        dlclose(handle);
        error = "module '" + path + "' exports no VST entry point (neither VSTPluginMain nor main)";
        return nullptr;
    }
    return std::unique_ptr<PluginModule>(new PluginModule(handle, entry, path));
}

PluginModule::PluginModule(void* handle, PluginEntryProc entry, std::string path)
    : handle(handle), entryProc(entry), modulePath(std::move(path))
{
}

PluginModule::~PluginModule() { dlclose(handle); }
