#include "platform/Inifile.h"

#include <cstdlib>
#include <sstream>
#include <strings.h>

#include "platform/Datafolder.h"
#include "platform/Textutil.h"

namespace {
bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}
} // namespace

TIniFile::TIniFile(std::string path, bool ownerOnly, bool exactValues)
    : path_(std::move(path)), ownerOnly_(ownerOnly), exactValues_(exactValues) {}

void TIniFile::Load() const {
    sections_.clear();
    std::string text;
    ReadRegularFile(path_, text, MaxFileSize);
    std::istringstream in(text);
    std::string line;
    Section* current = nullptr;
    while (std::getline(in, line)) {
        std::string t = TrimLine(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t.front() == '[' && t.back() == ']') {
            sections_.push_back({t.substr(1, t.size() - 2), {}});
            current = &sections_.back();
            continue;
        }
        size_t eq = t.find('=');
        if (eq == std::string::npos || !current) continue;
        if (exactValues_) {
            // Everything after the "=" up to the line end, blanks included.
            eq = line.find('=');
            current->entries.emplace_back(TrimLine(line.substr(0, eq)), line.substr(eq + 1));
            continue;
        }
        current->entries.emplace_back(TrimLine(t.substr(0, eq)), t.substr(eq + 1));
    }
}

bool TIniFile::Save() const {
    std::string text;
    for (const Section& s : sections_) {
        text += "[" + s.name + "]\n";
        for (const auto& [k, v] : s.entries) text += k + "=" + v + "\n";
        text += "\n";
    }
    return ReplaceFile(path_, text, ownerOnly_);
}

const TIniFile::Section* TIniFile::Find(const std::string& section) const {
    for (const Section& s : sections_)
        if (SameName(s.name, section)) return &s;
    return nullptr;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    std::lock_guard lock(mutex_);
    Load();
    if (const Section* s = Find(section))
        for (const auto& [k, v] : s->entries)
            if (SameName(k, key)) return v;
    return def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    std::string v = TrimLine(ReadString(section, key, ""));
    if (v.empty()) return def;
    char* end = nullptr;
    long n = std::strtol(v.c_str(), &end, 0);
    if (end == v.c_str() || *end != '\0') return def;
    return static_cast<int>(n);
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    std::lock_guard lock(mutex_);
    Load();
    if (const Section* s = Find(section))
        for (const auto& e : s->entries)
            if (SameName(e.first, key)) return true;
    return false;
}

bool TIniFile::SectionExists(const std::string& section) const {
    std::lock_guard lock(mutex_);
    Load();
    return Find(section) != nullptr;
}

bool TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    if (HasControlCharacter(section) || HasControlCharacter(key) || HasControlCharacter(value)) return false;
    std::lock_guard lock(mutex_);
    Load();
    Section* s = const_cast<Section*>(Find(section));
    if (!s) {
        sections_.push_back({section, {}});
        s = &sections_.back();
    }
    bool found = false;
    for (auto& e : s->entries)
        if (SameName(e.first, key)) {
            e.second = value;
            found = true;
            break;
        }
    if (!found) s->entries.emplace_back(key, value);
    return Save();
}

bool TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    std::lock_guard lock(mutex_);
    Load();
    Section* s = const_cast<Section*>(Find(section));
    if (!s) return true;
    std::erase_if(s->entries, [&](const auto& e) { return SameName(e.first, key); });
    return Save();
}
