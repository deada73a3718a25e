// The table component's conversion of stored values: any bytes stored in a
// column of each kind (as a file written by another program may hold them:
// text, blob, integer or real) are read through TTable as every type, and
// written back through it. The result is a value or the component's
// EDatabaseError; nothing else.
#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Fuzzdb.h"
#include "db/Database.h"
#include "db/Table.h"

namespace {
TDatabase& Db() { return fuzzdb::Db("values"); }

// Columns of every kind of the Round table: key, INTEGER, SMALLINT, DOUBLE,
// BOOLEAN, DATETIME, VARCHAR and memo.
const char* const kColumns[] = {"RoundId", "CourseId", "Score", "RoundHCP", "StrokePlay",
                                "RoundStartDate", "RoundTitle", "RoundDesc"};

void Read(TField f) {
    try { f.AsString(); } catch (const EDatabaseError&) {}
    try { f.AsInteger(); } catch (const EDatabaseError&) {}
    try { f.AsFloat(); } catch (const EDatabaseError&) {}
    try { f.AsBoolean(); } catch (const EDatabaseError&) {}
    try { f.AsDateTime(); } catch (const EDatabaseError&) {}
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t how = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    TDatabase& db = Db();
    db.StartTransaction();
    const char* column = kColumns[(how >> 2) % (sizeof kColumns / sizeof *kColumns)];
    sqlite3_stmt* stmt = nullptr;
    const std::string sql = std::string("INSERT INTO Round (UserId, ") + column + ") VALUES (1, ?)";
    if (sqlite3_prepare_v2(db.Handle(), sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
        switch (how & 3) {
        case 0: sqlite3_bind_text(stmt, 1, text.data(), int(text.size()), SQLITE_TRANSIENT); break;
        case 1: sqlite3_bind_blob(stmt, 1, text.data(), int(text.size()), SQLITE_TRANSIENT); break;
        case 2: {
            long long v = 0;
            std::memcpy(&v, text.data(), std::min(text.size(), sizeof v));
            sqlite3_bind_int64(stmt, 1, v);
            break;
        }
        default: {
            double v = 0;
            std::memcpy(&v, text.data(), std::min(text.size(), sizeof v));
            sqlite3_bind_double(stmt, 1, v);
        }
        }
        sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
    try {
        TTable t(&db, "Round");
        t.Open();
        for (t.First(); !t.Eof(); t.Next())
            for (const char* c : kColumns) Read(t.FieldByName(c));
        // The text written back through the component, into each column.
        t.First();
        for (const char* c : kColumns) {
            try {
                t.Edit();
                t.FieldByName(c).SetAsString(text);
                Read(t.FieldByName(c));
                t.Post();
            } catch (const EDatabaseError&) {
                t.Cancel();
            }
        }
    } catch (const EDatabaseError&) {
    }
    db.Rollback();
    return 0;
}
