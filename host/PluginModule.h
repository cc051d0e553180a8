// A VST 2.4 module (a shared object or a DLL) opened the way hosts open it,
// and its entry point. Closing the module is tied to the object's lifetime,
// so no plug-in code can outlive the mapping it runs from.
#pragma once

#include "VstAbi.h"

#include <memory>
#include <string>

typedef AEffect*(VSTCALLBACK* PluginEntryProc)(audioMasterCallback host);

class PluginModule {
public:
    // Opens the module and finds its entry point: `VSTPluginMain`, or the
    // `main` that older plug-ins export. On failure returns nullptr and says
    // why in `error`, naming the path.
    static std::unique_ptr<PluginModule> open(const std::string& path, std::string& error);
    ~PluginModule();

    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    PluginEntryProc entry() const { return entryProc; }
    const std::string& path() const { return modulePath; }

private:
    PluginModule(void* handle, PluginEntryProc entry, std::string path);

    void* handle;
    PluginEntryProc entryProc;
    std::string modulePath;
};
