#include "standalone/BankFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "host/PresetFile.h"
#include "standalone/PluginDriver.h"
#include "standalone/ReportProblem.h"

namespace {
constexpr const char* kFolderName = "calyx2";
constexpr const char* kFileName = "bank.fxb";
constexpr int kBankFormatWithCurrentProgram = 2;

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Like mkdir -p; true when the folder exists afterwards.
bool makeFolders(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool writeAll(int fd, const std::vector<uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += std::size_t(written);
    }
    return true;
}

std::string systemError() { return std::strerror(errno); }
}  // namespace

std::string defaultBankPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config != nullptr && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') return {};
        folder = std::string(home) + "/.config";
    }
    return folder + "/" + kFolderName + "/" + kFileName;
}

BankLoad loadBankFile(const std::string& path, PluginDriver& plugin, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (errno == ENOENT) return BankLoad::Missing;
        error = path + ": " + systemError();
        return BankLoad::Unreadable;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    host::Preset bank;
    std::string why;
    if (!host::parsePreset(bytes, bank, why)) {
        error = path + ": " + why;
        return BankLoad::Unreadable;
    }
    if (!bank.isBank() || !bank.opaque || bank.pluginId != plugin.effect()->uniqueID) {
        error = path + ": not a Calyx2 bank";
        return BankLoad::Unreadable;
    }
    if (!plugin.setChunk(bank.chunk, false)) {
        error = path + ": Calyx2 rejected its bank chunk (" + std::to_string(bank.chunk.size()) + " bytes)";
        return BankLoad::Unreadable;
    }
    plugin.setProgram(bank.currentProgram);
    return BankLoad::Loaded;
}

bool saveBankFile(const std::string& path, PluginDriver& plugin, std::string& error) {
    host::Preset bank;
    bank.kind = host::Preset::Kind::Bank;
    bank.opaque = true;
    bank.formatVersion = kBankFormatWithCurrentProgram;
    bank.pluginId = plugin.effect()->uniqueID;
    bank.pluginVersion = plugin.effect()->version;
    bank.count = plugin.effect()->numPrograms;
    bank.currentProgram = plugin.program();
    bank.chunk = plugin.chunk(false);
    const std::vector<uint8_t> bytes = host::serializePreset(bank);

    const std::string folder = folderOf(path);
    if (!makeFolders(folder)) {
        error = "cannot make the folder " + folder + ": " + systemError();
        return false;
    }
    const std::string temporary = path + ".new-" + std::to_string(getpid());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot write " + temporary + ": " + systemError();
        return false;
    }
    const bool written = writeAll(fd, bytes) && fsync(fd) == 0;
    const std::string why = systemError();
    close(fd);
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + (written ? systemError() : why) + " (the previous bank is kept)";
        unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
    return true;
}

std::vector<uint8_t> bankFingerprint(PluginDriver& plugin) {
    std::vector<uint8_t> fingerprint = plugin.chunk(false);
    fingerprint.push_back(uint8_t(plugin.program()));
    return fingerprint;
}

BankKeeper::BankKeeper(std::string path, PluginDriver& plugin) : path(std::move(path)), plugin(plugin) {}

void BankKeeper::markSaved() { saved = bankFingerprint(plugin); }

void BankKeeper::save() {
    if (path.empty()) return;
    std::vector<uint8_t> now = bankFingerprint(plugin);
    if (now == saved) return;
    std::string error;
    if (saveBankFile(path, plugin, error))
        saved = std::move(now);
    else
        reportProblem("the bank was not saved: " + error);
}
