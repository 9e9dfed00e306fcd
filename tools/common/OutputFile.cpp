#include "tools/common/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tools {
namespace {

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

std::string followLinks(const std::string& path) {
    constexpr int kMostLinks = 40;  // as the kernel's own limit, against loops
    std::string current = path;
    for (int hop = 0; hop < kMostLinks; ++hop) {
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::vector<char> target(static_cast<size_t>(info.st_size > 0 ? info.st_size : 4096) + 1);
        ssize_t length = readlink(current.c_str(), target.data(), target.size() - 1);
        if (length <= 0) return current;
        std::string next(target.data(), static_cast<size_t>(length));
        current = next[0] == '/' || current.find('/') == std::string::npos ? next : directoryOf(current) + "/" + next;
    }
    return current;
}

bool sameFile(const std::string& a, const std::string& b) {
    if (a == "-" || b == "-") return false;
    struct stat first {}, second {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

std::string overwritesInput(const std::string& output, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        if (sameFile(output, input)) return "refusing to write " + output + ": it is the input " + input;
    }
    return "";
}

int createTemporaryFor(const std::string& requestedPath, std::string& temporaryPath, std::string& error) {
    const std::string path = requestedPath == "-" ? requestedPath : followLinks(requestedPath);
    std::string pattern;
    if (path == "-") {
        const char* directory = std::getenv("TMPDIR");
        pattern = std::string(directory && *directory ? directory : "/tmp") + "/calyx2-XXXXXX";
    } else {
        struct stat info {};
        if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            error = "cannot write " + path + ": it is a directory";
            return -1;
        }
        size_t slash = path.rfind('/');
        std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        pattern = directoryOf(path) + "/." + name + ".partial-XXXXXX";
    }
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    int fd = mkstemp(buffer.data());
    if (fd < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return -1;
    }
    // mkstemp creates the file private; give it the permissions a new file normally gets.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    temporaryPath = buffer.data();
    return fd;
}

bool publishTemporary(const std::string& temporaryPath, const std::string& path, std::string& error) {
    if (path != "-") {
        if (std::rename(temporaryPath.c_str(), followLinks(path).c_str()) != 0) {
            error = "cannot write " + path + ": " + std::strerror(errno);
            std::remove(temporaryPath.c_str());
            return false;
        }
        return true;
    }
    // Copied a piece at a time: the file may be far larger than memory should hold.
    int fd = ::open(temporaryPath.c_str(), O_RDONLY);
    bool ok = fd >= 0;
    uint8_t buffer[65536];
    ssize_t count = 0;
    while (ok && (count = ::read(fd, buffer, sizeof buffer)) != 0) {
        if (count < 0 && errno == EINTR) continue;
        ok = count > 0 && writeAll(STDOUT_FILENO, buffer, static_cast<size_t>(count));
    }
    if (!ok) error = std::string("cannot write to standard output: ") + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    std::remove(temporaryPath.c_str());
    return ok;
}

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    std::string temporaryPath;
    int fd = createTemporaryFor(path, temporaryPath, error);
    if (fd < 0) return false;
    bool written = writeAll(fd, bytes.data(), bytes.size());
    int savedErrno = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        savedErrno = errno;
    }
    if (!written) {
        error = "cannot write " + path + ": " + std::strerror(savedErrno);
        std::remove(temporaryPath.c_str());
        return false;
    }
    return publishTemporary(temporaryPath, path, error);
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    int fd = path == "-" ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        error = "cannot read " + path + ": it is a directory";
        return false;
    }
    bytes.clear();
    uint8_t buffer[65536];
    for (;;) {
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            error = "cannot read " + path + ": " + std::strerror(errno);
            if (fd != STDIN_FILENO) ::close(fd);
            return false;
        }
        if (count == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + count);
    }
    if (fd != STDIN_FILENO) ::close(fd);
    return true;
}

bool isTerminalOutput(const std::string& path) { return path == "-" && isatty(STDOUT_FILENO); }

std::string lowercaseExtension(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

}  // namespace tools
