#include "tools/common/PluginLocator.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace tools {
namespace {

#ifdef _WIN32
constexpr const char* kPluginFile = "calyx2.dll";
#else
constexpr const char* kPluginFile = "calyx2.so";
#endif

std::string executableDirectory() {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return ".";
    std::string path(buffer, static_cast<size_t>(length));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool isFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool locatePlugin(const std::string& explicitPath, std::string& path, std::string& error) {
    if (!explicitPath.empty()) {
        path = explicitPath;
        return true;
    }
    if (const char* fromEnvironment = std::getenv("CALYX2_PLUGIN")) {
        if (*fromEnvironment) {
            path = fromEnvironment;
            return true;
        }
    }
    std::string directory = executableDirectory();
    // The build tree puts each tool in build/tools/NAME/ and the plug-in in build/plugin/.
    std::vector<std::string> candidates = {directory + "/../../plugin/" + kPluginFile, directory + "/" + kPluginFile,
                                           directory + "/../lib/vst/" + kPluginFile};
    for (const std::string& candidate : candidates) {
        if (isFile(candidate)) {
            path = candidate;
            return true;
        }
    }
    error = std::string("cannot find ") + kPluginFile + " (looked in";
    for (size_t i = 0; i < candidates.size(); ++i) error += (i ? ", " : " ") + candidates[i];
    error += "); name it with --plugin PATH or $CALYX2_PLUGIN";
    return false;
}

}  // namespace tools
