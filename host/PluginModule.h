// A VST 2.4 binary loaded into this process: the shared library and its entry point.
// One module can create any number of plug-in instances; it stays loaded while any
// HostedPlugin made from it is alive (they hold it through a shared_ptr).
#pragma once

#include <memory>
#include <string>

#include "vst/vst2.h"

namespace host {

class PluginModule {
public:
    // Loads the library at path and finds "VSTPluginMain", or "main" for older binaries.
    // Returns null and sets error to one readable sentence when either step fails.
    static std::shared_ptr<PluginModule> load(const std::string& path, std::string& error);

    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    VstPluginEntryProc entry() const { return entry_; }
    const std::string& path() const { return path_; }
    const char* entryName() const { return entryName_; }

private:
    PluginModule() = default;

    void* handle_ = nullptr;
    VstPluginEntryProc entry_ = nullptr;
    const char* entryName_ = "";
    std::string path_;
};

}  // namespace host
