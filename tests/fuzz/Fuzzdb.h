#pragma once
// The fuzz targets' database: a fresh one in its own temp folder, made on
// first use and kept for the whole run.
#include <cstdlib>
#include <string>

#include "db/Database.h"

namespace fuzzdb {

// tag names the temp folder (/tmp/caddora-fuzz-<tag>-XXXXXX).
inline TDatabase& Db(const char* tag) {
    static TDatabase* db = [tag] {
        std::string tmpl = std::string("/tmp/caddora-fuzz-") + tag + "-XXXXXX";
        const std::string dir = mkdtemp(tmpl.data());
        setenv("CADDORA_HOME", dir.c_str(), 1);
        setenv("CADDORA_RESOURCES", CADDORA_SOURCE_RESOURCES, 0);
        auto* d = new TDatabase;
        d->SetDatabaseName(dir + "/kx.mdb");
        d->Open();
        return d;
    }();
    return *db;
}

}  // namespace fuzzdb
