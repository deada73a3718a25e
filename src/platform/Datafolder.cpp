#include "platform/Datafolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

#ifndef CADDORA_RESOURCE_DIR
#define CADDORA_RESOURCE_DIR ""
#endif

std::string DataFolder() {
    std::string dir;
    if (const char* home = std::getenv("CADDORA_HOME"); home && *home) {
        dir = home;
    } else if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        dir = std::string(xdg) + "/caddora";
    } else {
        const char* h = std::getenv("HOME");
        dir = std::string(h && *h ? h : ".") + "/.local/share/caddora";
    }
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    std::error_code ec;
    fs::create_directories(dir, ec);
    return dir;
}

std::string DataPath(const std::string& name) { return DataFolder() + "/" + name; }

bool ReplaceFile(const std::string& path, const std::string& bytes, bool ownerOnly) {
    std::string tmp = path + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return false;
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    bool ok = ::fchmod(fd, ownerOnly ? 0600 : 0644) == 0;
    for (size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += static_cast<size_t>(n);
    }
    ok = (::close(fd) == 0) && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

std::string ProgramFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return ".";
    return exe.parent_path().string();
}

std::string ResourceFolder() {
    static const std::string folder = [] {
        if (const char* env = std::getenv("CADDORA_RESOURCES"); env && *env) return std::string(env);
        std::error_code ec;
        const fs::path prog = ProgramFolder();
        for (const fs::path& p : {prog / "resources", prog.parent_path() / "share" / "caddora"}) {
            if (fs::exists(p / "schema.sql", ec)) return p.string();
        }
        return std::string(CADDORA_RESOURCE_DIR);
    }();
    return folder;
}

std::string ResourcePath(const std::string& name) { return ResourceFolder() + "/" + name; }
