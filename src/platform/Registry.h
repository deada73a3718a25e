#pragma once
#include <string>

// Stand-in for the Windows registry: keys keep their Windows paths
// ("Software\Orlent\Caddora\1") under a root, and live as INI sections
// "HKEY_LOCAL_MACHINE\Software\Orlent\Caddora\1" in caddora.conf in the data
// folder, readable by its owner only. A missing key or value reads as "".
enum class RegRoot { LocalMachine, CurrentUser };

class TRegistry {
public:
    explicit TRegistry(RegRoot root = RegRoot::LocalMachine);

    // Opens a key; with canCreate false a missing key fails to open.
    bool OpenKey(const std::string& key, bool canCreate);
    bool KeyExists(const std::string& key) const;
    void CloseKey();

    // On the open key. Reads "" when no key is open or the value is missing.
    std::string ReadString(const std::string& name) const;
    bool WriteString(const std::string& name, const std::string& value);
    bool ValueExists(const std::string& name) const;

private:
    std::string Section(const std::string& key) const;
    RegRoot root_;
    std::string current_;  // section of the open key, empty when none
};

// Shorthands on HKEY_LOCAL_MACHINE: the player key and its values.
std::string PlayerKey(int userId);  // "Software\Orlent\Caddora\" + userId
std::string RegReadString(RegRoot root, const std::string& key, const std::string& name);
bool RegWriteString(RegRoot root, const std::string& key, const std::string& name,
                    const std::string& value);
