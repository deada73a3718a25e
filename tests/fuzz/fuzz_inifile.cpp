// The INI reader on any file: reads give a value or the default, and a value
// written is read back as written.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Inifile.h"

namespace {
std::string g_path;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* dir = std::getenv("TMPDIR");
    g_path = std::string(dir && *dir ? dir : "/tmp") + "/caddora-fuzz-ini-" + std::to_string(::getpid()) + ".ini";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (FILE* f = std::fopen(g_path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    TIniFile ini(g_path);
    ini.ReadString("Port Settings", "Port3");
    ini.ReadInteger("Port Settings", "ForcePortNr", -1);
    ini.SectionExists("port settings");
    ini.ValueExists("Port Settings", "LastGoodPort");
    if (ini.WriteString("Port Settings", "LastGoodPort", "3")) {
        if (ini.ReadInteger("Port Settings", "LastGoodPort", -1) != 3 ||
            ini.ReadString("PORT SETTINGS", "lastgoodport") != "3")
            std::abort();
        ini.DeleteKey("Port Settings", "LastGoodPort");
        if (ini.ValueExists("Port Settings", "LastGoodPort"))
            std::abort();
    }
    std::remove(g_path.c_str());
    return 0;
}
