#include "platform/Registry.h"

#include "platform/Datafolder.h"
#include "platform/Inifile.h"

namespace {
// The registry keeps a value exactly as written.
TIniFile ConfFile() { return TIniFile(DataPath("caddora.conf"), true, true); }
// A key that has been opened with canCreate but holds no value yet.
const char* kKeyMarker = "@";
} // namespace

TRegistry::TRegistry(RegRoot root) : root_(root) {}

std::string TRegistry::Section(const std::string& key) const {
    std::string k = key;
    while (!k.empty() && k.back() == '\\') k.pop_back();
    while (!k.empty() && k.front() == '\\') k.erase(0, 1);
    return std::string(root_ == RegRoot::LocalMachine ? "HKEY_LOCAL_MACHINE\\"
                                                      : "HKEY_CURRENT_USER\\") + k;
}

bool TRegistry::KeyExists(const std::string& key) const {
    return ConfFile().SectionExists(Section(key));
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    std::string section = Section(key);
    TIniFile conf = ConfFile();
    if (!conf.SectionExists(section)) {
        if (!canCreate) return false;
        if (!conf.WriteString(section, kKeyMarker, "")) return false;
    }
    current_ = section;
    return true;
}

void TRegistry::CloseKey() { current_.clear(); }

std::string TRegistry::ReadString(const std::string& name) const {
    if (current_.empty()) return "";
    return ConfFile().ReadString(current_, name, "");
}

bool TRegistry::ValueExists(const std::string& name) const {
    return !current_.empty() && ConfFile().ValueExists(current_, name);
}

bool TRegistry::WriteString(const std::string& name, const std::string& value) {
    if (current_.empty()) return false;
    return ConfFile().WriteString(current_, name, value);
}

std::string PlayerKey(int userId) { return "Software\\Orlent\\Caddora\\" + std::to_string(userId); }

std::string RegReadString(RegRoot root, const std::string& key, const std::string& name) {
    TRegistry reg(root);
    if (!reg.OpenKey(key, false)) return "";
    return reg.ReadString(name);
}

bool RegWriteString(RegRoot root, const std::string& key, const std::string& name,
                    const std::string& value) {
    TRegistry reg(root);
    return reg.OpenKey(key, true) && reg.WriteString(name, value);
}
