#include "tools/common/PluginLocator.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <sstream>

#include "tools/common/OutputFile.h"

namespace tools {
namespace {

#ifdef _WIN32
constexpr const char* kPluginFile = "calyx2.dll";
#else
constexpr const char* kPluginFile = "calyx2.so";
#endif

// Each format's variable and standard folders, in search order ("~" is $HOME).
struct FormatFolders {
    const char* variable;
    std::vector<const char*> folders;
};
const FormatFolders kFormatFolders[] = {
    {"VST_PATH", {"~/.vst", "/usr/lib/vst", "/usr/local/lib/vst"}},
    {"CLAP_PATH", {"~/.clap", "/usr/lib/clap"}},
    {"LV2_PATH", {"~/.lv2", "/usr/lib/lv2"}},
};
const char* const kPluginExtensions[] = {".so", ".dll", ".clap", ".lv2"};
// Suffixes packagers add to tell one format's build from another's ("Kars-vst.so").
const char* const kFormatSuffixes[] = {"-vst", "_vst", "-vst2", "-clap", "-lv2"};
constexpr int kFolderDepth = 3;  // plug-ins often sit one or two folders down (vendor/product/)

std::string executableDirectory() {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return ".";
    std::string path(buffer, static_cast<size_t>(length));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool exists(const std::string& path, bool wantFile) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && (!wantFile || S_ISREG(info.st_mode));
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string lowercase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool isPluginName(const std::string& entry) {
    for (const char* extension : kPluginExtensions) {
        if (lowercaseExtension(entry) == extension) return true;
    }
    return false;
}

// The names a plug-in file answers to: "kars-vst.so", "kars-vst" and "kars".
bool answersTo(const std::string& entry, const std::string& wanted) {
    std::string name = lowercase(entry);
    if (name == wanted) return true;
    std::string stem = name.substr(0, name.size() - lowercaseExtension(name).size());
    if (stem == wanted) return true;
    for (const char* suffix : kFormatSuffixes) {
        if (endsWith(stem, suffix) && stem.substr(0, stem.size() - std::string(suffix).size()) == wanted) return true;
    }
    return false;
}

bool searchFolder(const std::string& folder, const std::string& wanted, int depth, std::string& found) {
    DIR* directory = opendir(folder.c_str());
    if (!directory) return false;
    std::vector<std::string> subfolders;
    bool hit = false;
    while (dirent* entry = readdir(directory)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string path = folder + "/" + name;
        if (isPluginName(name)) {
            if (answersTo(name, wanted)) {
                found = path;
                hit = true;
                break;
            }
        } else if (depth > 1 && isDirectory(path)) {
            subfolders.push_back(path);
        }
    }
    closedir(directory);
    if (hit) return true;
    for (const std::string& subfolder : subfolders) {
        if (searchFolder(subfolder, wanted, depth - 1, found)) return true;
    }
    return false;
}

bool locateByName(const std::string& name, std::string& path, std::string& error) {
    std::vector<std::string> folders = pluginSearchPath();
    for (const std::string& folder : folders) {
        if (searchFolder(folder, lowercase(name), kFolderDepth, path)) return true;
    }
    error = "no plug-in named '" + name + "' (looked in $VST_PATH, $CLAP_PATH, $LV2_PATH and";
    for (const FormatFolders& format : kFormatFolders) {
        for (const char* folder : format.folders) error += std::string(" ") + folder;
    }
    error += "); give its path with --plugin PATH";
    return false;
}

bool locateDefault(std::string& path, std::string& error) {
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
        if (exists(candidate, true)) {
            path = candidate;
            return true;
        }
    }
    // Installed per user or by a package: the plug-in folders, as for a plug-in named calyx2.
    std::string unused;
    if (locateByName("calyx2", path, unused)) return true;
    error = std::string("cannot find ") + kPluginFile + " (looked in";
    for (size_t i = 0; i < candidates.size(); ++i) error += (i ? ", " : " ") + candidates[i];
    error += " and the plug-in folders); name it with --plugin PATH or $CALYX2_PLUGIN";
    return false;
}

}  // namespace

std::vector<std::string> pluginSearchPath() {
    const char* home = std::getenv("HOME");
    std::vector<std::string> folders;
    for (const FormatFolders& format : kFormatFolders) {
        if (const char* variable = std::getenv(format.variable)) {
            std::istringstream list(variable);
            std::string folder;
            while (std::getline(list, folder, ':')) {
                if (!folder.empty()) folders.push_back(folder);
            }
        }
        for (std::string folder : format.folders) {
            if (folder[0] == '~') {
                if (!home || !*home) continue;
                folder = home + folder.substr(1);
            }
            folders.push_back(folder);
        }
    }
    return folders;
}

bool locatePlugin(const std::string& nameOrPath, std::string& path, std::string& error) {
    if (nameOrPath.empty()) return locateDefault(path, error);
    if (nameOrPath.find('/') != std::string::npos || exists(nameOrPath, false)) {
        path = nameOrPath;
        return true;
    }
    return locateByName(nameOrPath, path, error);
}

}  // namespace tools
