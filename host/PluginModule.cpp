#include "PluginModule.h"

#include "DynamicLibrary.h"

std::unique_ptr<PluginModule> PluginModule::open(const std::string& path, std::string& error)
{
    std::string reason;
    void* handle = DynamicLibrary::open(path, reason);
    if (!handle) {
        error = "cannot load module '" + path + "': " + reason;
        return nullptr;
    }
    auto entry = reinterpret_cast<PluginEntryProc>(DynamicLibrary::symbol(handle, "VSTPluginMain"));
    if (!entry)
        entry = reinterpret_cast<PluginEntryProc>(DynamicLibrary::symbol(handle, "main"));
    if (!entry) {
        DynamicLibrary::close(handle);
        error = "module '" + path + "' exports no VST entry point (neither VSTPluginMain nor main)";
        return nullptr;
    }
    return std::unique_ptr<PluginModule>(new PluginModule(handle, entry, path));
}

PluginModule::PluginModule(void* handle, PluginEntryProc entry, std::string path)
    : handle(handle), entryProc(entry), modulePath(std::move(path))
{
}

PluginModule::~PluginModule() { DynamicLibrary::close(handle); }
