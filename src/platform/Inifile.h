#pragma once
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// A small INI file: "[Section]" headers and "Key=Value" lines. Section and key
// names compare case-insensitively, as the Windows profile functions did.
// Every write is saved at once (atomically, through a temporary file). Only a
// regular file (or a link to one) of at most MaxFileSize bytes is read:
// anything else of the name reads as an empty file and is replaced by the
// first write.
class TIniFile {
public:
    static constexpr size_t MaxFileSize = size_t(16) << 20;
    // ownerOnly: the file is created with mode 0600 (it may hold a password).
    // exactValues: a value is read back as written, blanks at either end
    // included; else the line is trimmed.
    explicit TIniFile(std::string path, bool ownerOnly = false, bool exactValues = false);

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def = "") const;
    int ReadInteger(const std::string& section, const std::string& key, int def = 0) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    bool SectionExists(const std::string& section) const;

    // Returns false when the file could not be written. A section name, key
    // or value holding a line break or another control character is refused:
    // false, and nothing is written (it would start a line of its own).
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInteger(const std::string& section, const std::string& key, int value);
    bool DeleteKey(const std::string& section, const std::string& key);

    const std::string& FileName() const { return path_; }

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    void Load() const;
    bool Save() const;
    const Section* Find(const std::string& section) const;

    std::string path_;
    bool ownerOnly_;
    bool exactValues_;
    mutable std::mutex mutex_;
    mutable std::vector<Section> sections_;
};
