#include "host/PluginModule.h"

#include "host/BinaryCheck.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace host {
namespace {

#ifdef _WIN32
std::string lastSystemError() {
    char text[512] = {};
    DWORD code = GetLastError();
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                  text, sizeof text - 1, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.')) {
        text[--length] = 0;
    }
    return length > 0 ? std::string(text) : "system error " + std::to_string(code);
}

void* openLibrary(const std::string& path, std::string& error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) error = lastSystemError();
    return reinterpret_cast<void*>(module);
}

void* findSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* openLibrary(const std::string& path, std::string& error) {
    // Without a slash dlopen would search the system's library directories instead of this one.
    std::string where = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* text = dlerror();
        error = text ? text : "unknown loader error";
    }
    return handle;
}

void* findSymbol(void* handle, const char* name) { return dlsym(handle, name); }

void closeLibrary(void* handle) { dlclose(handle); }
#endif

}  // namespace

std::shared_ptr<PluginModule> PluginModule::load(const std::string& path, std::string& error) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        error = path + ": no such file";
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        error = path + ": not a plug-in (not a regular file)";
        return nullptr;
    }
    std::string damage;
    if (!binaryLooksWhole(path, damage)) {
        error = path + ": damaged plug-in binary (" + damage + ")";
        return nullptr;
    }
    std::string loaderError;
    void* handle = openLibrary(path, loaderError);
    if (!handle) {
        error = path + ": not a plug-in (cannot load it as a library: " + loaderError + ")";
        return nullptr;
    }
    std::shared_ptr<PluginModule> module(new PluginModule());
    module->handle_ = handle;
    module->path_ = path;
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (void* symbol = findSymbol(handle, name)) {
            module->entry_ = reinterpret_cast<VstPluginEntryProc>(symbol);
            module->entryName_ = name;
            return module;
        }
    }
    error = path + ": not a VST 2.4 plug-in (exports neither VSTPluginMain nor main)";
    return nullptr;
}

PluginModule::~PluginModule() {
    if (handle_) closeLibrary(handle_);
}

}  // namespace host
