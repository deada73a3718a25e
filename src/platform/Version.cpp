#include "platform/Version.h"

#include "caddora_version.h"

std::string FileVersionString() { return CADDORA_FILE_VERSION; }
