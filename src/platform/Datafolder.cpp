#include "platform/Datafolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

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
