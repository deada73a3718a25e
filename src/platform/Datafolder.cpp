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

namespace {
// This program's hold on a data folder: an open file description of its lock
// file with a record lock over the whole file (an open-file-description lock,
// so that another holder in the same process counts as another program).
struct THold {
    std::string path;
    int fd = -1;
};
THold hold;

// *busy: the lock was refused because another holds a lock in the way.
bool SetLock(int fd, short type, bool* busy = nullptr) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    while (::fcntl(fd, F_OFD_SETLK, &lock) != 0)
        if (errno != EINTR) {
            if (busy) *busy = errno == EAGAIN || errno == EACCES;
            return false;
        }
    return true;
}
} // namespace

bool HoldDataFolder(bool* heldAlone) {
    if (heldAlone) *heldAlone = false;
    const std::string path = DataPath("caddora.lock");
    if (hold.fd >= 0 && hold.path == path) return true;
    ReleaseDataFolder();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) return false;
    struct stat st {};
    // Tried once: while another program holds it alone, this one goes on
    // without a hold (and takes it at a later call) rather than wait.
    const bool held = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && SetLock(fd, F_RDLCK, heldAlone);
    if (!held) {
        ::close(fd);
        return false;
    }
    hold = {path, fd};
    return true;
}

void ReleaseDataFolder() {
    if (hold.fd >= 0) ::close(hold.fd);  // closing lets go of the lock
    hold = {};
}

bool WhenAloneOnDataFolder(const std::function<void()>& work) {
    if (!HoldDataFolder() || !SetLock(hold.fd, F_WRLCK)) return false;
    // Back to a shared hold however the work ends; that never has to wait.
    struct TShareAgain {
        int fd;
        ~TShareAgain() { SetLock(fd, F_RDLCK); }
    } shareAgain{hold.fd};
    work();
    return true;
}

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

bool ReadRegularFile(const std::string& path, std::string& text, size_t limit) {
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st {};
    bool whole = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                 static_cast<unsigned long long>(st.st_size) <= limit;
    if (whole) {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) whole = false;
            if (n <= 0) break;
            // A file that grows while it is read stops at the limit too.
            if (text.size() + static_cast<size_t>(n) > limit) {
                whole = false;
                break;
            }
            text.append(buffer, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    if (!whole) text.clear();
    return whole;
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
