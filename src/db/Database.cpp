#include "db/Database.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "db/Jettext.h"
#include "db/Table.h"
#include "platform/Datafolder.h"

namespace {

// The resources are small; a pipe or a device of their name is no file.
bool ReadFile(const std::string& path, std::string& text) {
    return ReadRegularFile(path, text, size_t(16) << 20);
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// "file:" URI of a path, opened as a file nobody changes.
std::string ImmutableUri(const std::string& path) {
    std::string uri = "file:";
    static const char* hex = "0123456789ABCDEF";
    for (unsigned char c : path) {
        if (c == '%' || c == '?' || c == '#' || c < 0x20 || c >= 0x7F) {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri + "?immutable=1";
}

// Whether the call failed for want of room: the disk is full, or the
// user's quota or file size limit is reached.
bool NoRoomLeft(sqlite3* db, int rc) {
    if ((rc & 0xff) == SQLITE_FULL) return true;
    const int err = sqlite3_system_errno(db);
    return ((rc & 0xff) == SQLITE_IOERR || (rc & 0xff) == SQLITE_CANTOPEN) &&
           (err == ENOSPC || err == EDQUOT || err == EFBIG);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

const std::vector<std::string>& TDatabase::TableNames() {
    static const std::vector<std::string> names = {
        "PlayerDetail", "GolfBag",   "Clubs",     "ClubDetail", "Country",    "States",     "Datum",
        "Course_General", "Holes",   "ScoreCard", "Waypoints",  "Round",      "RoundHoles", "RoundShots"};
    return names;
}

TDatabase::~TDatabase() {
    try {
        Close();
    } catch (...) {
    }
}

sqlite3* TDatabase::Handle() const {
    if (!db_) throw EDatabaseError("The database is not open.");
    return db_;
}

void TDatabase::Exec(const char* sql, const char* what) {
    char* err = nullptr;
    if (sqlite3_exec(Handle(), sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::string text = err ? err : sqlite3_errmsg(db_);
        sqlite3_free(err);
        throw EDatabaseError(std::string(what) + ": " + text);
    }
}

bool TDatabase::ReadOnly() const { return db_ && sqlite3_db_readonly(db_, "main") == 1; }

void TDatabase::Execute(const std::string& sql) { Exec(sql.c_str(), "SQL error"); }

void TDatabase::Open() {
    if (db_) return;
    if (path_.empty()) throw EDatabaseError("No database file name is set.");

    struct stat st;
    const bool exists = ::stat(path_.c_str(), &st) == 0;
    if (!exists && errno != ENOENT)
        throw EDatabaseError("Cannot open the database " + path_ + ": " + std::strerror(errno));

    if (!exists) {
        CreateSchema();
        return;
    }
    if (S_ISDIR(st.st_mode))
        throw EDatabaseError("Cannot open the database " + path_ + ": it is a folder.");
    if (::access(path_.c_str(), R_OK) != 0)
        throw EDatabaseError("Cannot open the database " + path_ + ": " + std::strerror(errno));

    // An existing file is opened without CREATE and checked before anything
    // could write to it. A file or folder we may not write is opened
    // read-only: the write-ahead log would need side files beside it, so the
    // file is taken as unchanging.
    const auto openFile = [this](bool writable) {
        sqlite3* db = nullptr;
        const int rc = writable ? sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr)
                                : sqlite3_open_v2(ImmutableUri(path_).c_str(), &db,
                                                  SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        if (rc != SQLITE_OK) {
            std::string reason = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
            sqlite3_close_v2(db);
            throw EDatabaseError("Cannot open the database " + path_ + ": " + reason);
        }
        return db;
    };
    const bool writable = ::access(path_.c_str(), W_OK) == 0 && ::access(FolderOf(path_).c_str(), W_OK) == 0;
    sqlite3* db = openFile(writable);
    // On a full disk those side files cannot be made either, and not even a
    // read gets through: the file is then opened as in a read-only folder.
    diskFull_ = false;
    if (writable) {
        const int rc = sqlite3_exec(db, "SELECT 1 FROM sqlite_master LIMIT 1", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK && NoRoomLeft(db, rc)) {
            sqlite3_close_v2(db);
            db = openFile(false);
            diskFull_ = true;
        }
    }
    db_ = db;
    try {
        sqlite3_busy_timeout(db_, 5000);
        sqlite3_extended_result_codes(db_, 1);
        if (RegisterJetText(db_) != SQLITE_OK)
            throw EDatabaseError("Cannot set up the database: " + std::string(sqlite3_errmsg(db_)));
        CheckSchema();
        Exec("PRAGMA synchronous = NORMAL", "Cannot set up the database");
        Exec("PRAGMA foreign_keys = OFF", "Cannot set up the database");
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw;
    }
}

void TDatabase::CheckSchema() {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db_, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &stmt,
                                nullptr);
    std::set<std::string> found;
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const unsigned char* name = sqlite3_column_text(stmt, 0);
            if (name) found.insert(Lower(reinterpret_cast<const char*>(name)));
        }
        if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_OK) {
        const int primary = rc & 0xff;
        if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
            throw EDatabaseError(path_ + " is not a Caddora database.");
        throw EDatabaseError("Cannot open the database " + path_ + ": " + sqlite3_errmsg(db_));
    }
    std::vector<std::string> missing;
    for (const std::string& t : TableNames())
        if (!found.count(Lower(t))) missing.push_back(t);
    if (!missing.empty()) {
        std::string list;
        for (const std::string& m : missing) list += (list.empty() ? "" : ", ") + m;
        throw EDatabaseError(path_ + " is not a Caddora database (missing tables: " + list + ").");
    }
}

namespace {

// Moves from to to unless to exists; false (errno EEXIST) when it does.
bool RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    // File systems without renameat2: a hard link fails when to exists.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

void RemoveDatabaseFiles(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((path + suffix).c_str());
}

}  // namespace

void TDatabase::CreateSchema() {
    std::string schema, reference;
    const std::string schemaPath = ResourcePath("schema.sql");
    const std::string referencePath = ResourcePath("reference.sql");
    if (!ReadFile(schemaPath, schema))
        throw EDatabaseError("Cannot create the database " + path_ + ": " + schemaPath + " not found.");
    if (!ReadFile(referencePath, reference))
        throw EDatabaseError("Cannot create the database " + path_ + ": " + referencePath +
                             " not found.");

    // The new database is made whole in a file of our own beside it and moved
    // into place only when no other program has put one there meanwhile; no
    // file that another program made is ever removed.
    std::string temp = path_ + ".new-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        throw EDatabaseError("Cannot create the database " + path_ + ": " + std::strerror(errno));
    ::close(fd);

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        std::string reason = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        RemoveDatabaseFiles(temp);
        throw EDatabaseError("Cannot create the database " + path_ + ": " + reason);
    }
    db_ = db;
    try {
        sqlite3_extended_result_codes(db_, 1);
        Exec("PRAGMA synchronous = NORMAL", "Cannot create the database");
        Exec("BEGIN IMMEDIATE", "Cannot create the database");
        try {
            Exec(schema.c_str(), ("Cannot create the database " + path_ + " (schema)").c_str());
            Exec(reference.c_str(),
                 ("Cannot create the database " + path_ + " (reference rows)").c_str());
            Exec("COMMIT", "Cannot create the database");
        } catch (...) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        // Write-ahead logging: a post outside a transaction costs no fsync.
        // Closing the last connection folds the log back into the file.
        Exec("PRAGMA journal_mode = WAL", "Cannot create the database");
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        RemoveDatabaseFiles(temp);
        throw;
    }
    sqlite3_close_v2(db_);
    db_ = nullptr;
    ::chmod(temp.c_str(), 0644 & ~CurrentUmask());
    if (!RenameNoReplace(temp, path_)) {
        const int err = errno;
        RemoveDatabaseFiles(temp);
        if (err != EEXIST)
            throw EDatabaseError("Cannot create the database " + path_ + ": " + std::strerror(err));
        // Another program created it first: use that one.
    }
    Open();
}

void TDatabase::Close() {
    if (!db_) return;
    // Tables close with their connection; their statements are released first.
    std::vector<TTable*> tables = tables_;
    for (TTable* t : tables) t->Detach();
    tables_.clear();
    if (txLevel_ > 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    txLevel_ = 0;
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

void TDatabase::StartTransaction() {
    if (txLevel_ == 0) {
        Exec("BEGIN IMMEDIATE", "Cannot start a transaction");
    } else {
        const std::string sql = "SAVEPOINT level" + std::to_string(txLevel_);
        Exec(sql.c_str(), "Cannot start a transaction");
    }
    ++txLevel_;
}

void TDatabase::Commit() {
    if (txLevel_ == 0) throw EDatabaseError("No transaction is active.");
    if (txLevel_ == 1) {
        Exec("COMMIT", "Cannot commit the transaction");
    } else {
        const std::string sql = "RELEASE level" + std::to_string(txLevel_ - 1);
        Exec(sql.c_str(), "Cannot commit the transaction");
    }
    --txLevel_;
}

void TDatabase::Rollback() {
    if (txLevel_ == 0) throw EDatabaseError("No transaction is active.");
    --txLevel_;
    if (txLevel_ == 0) {
        // Also succeeds when SQLite has already rolled back after an error.
        if (sqlite3_get_autocommit(Handle()) == 0) Exec("ROLLBACK", "Cannot roll back the transaction");
    } else {
        const std::string name = "level" + std::to_string(txLevel_);
        const std::string sql = "ROLLBACK TO " + name + "; RELEASE " + name;
        Exec(sql.c_str(), "Cannot roll back the transaction");
    }
    ReloadTables();
}

void TDatabase::Register(TTable* table) {
    if (std::find(tables_.begin(), tables_.end(), table) == tables_.end()) tables_.push_back(table);
}

void TDatabase::Unregister(TTable* table) {
    tables_.erase(std::remove(tables_.begin(), tables_.end(), table), tables_.end());
}

void TDatabase::ReloadTables() {
    std::vector<TTable*> tables = tables_;
    for (TTable* t : tables) {
        try {
            t->AfterRollback();
        } catch (...) {
        }
    }
}
