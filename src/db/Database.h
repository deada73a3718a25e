#pragma once
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;
class TTable;

// The database layer's error: its text reaches the user through the
// application's one exception handler.
class EDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The program's one connection: "kx.mdb" (an SQLite 3 file) in the data folder.
// Opening a missing file creates it with the full schema and the reference rows;
// a file that exists but is not a Caddora database is never touched.
class TDatabase {
public:
    TDatabase() = default;
    ~TDatabase();
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

    void SetDatabaseName(const std::string& path) { path_ = path; }
    const std::string& DatabaseName() const { return path_; }

    // Throws EDatabaseError naming the file when it cannot be opened or is not
    // a Caddora database.
    void Open();
    void Close();
    bool Connected() const { return db_ != nullptr; }
    // True when the file could only be opened for reading.
    bool ReadOnly() const;
    // True when it was opened for reading only because its disk is full.
    bool DiskFull() const { return db_ && diskFull_; }

    sqlite3* Handle() const;  // throws when closed
    // Runs SQL with no result rows (schema, pragmas). Throws EDatabaseError.
    void Execute(const std::string& sql);

    // Transactions nest: inner levels are savepoints.
    void StartTransaction();
    void Commit();
    void Rollback();
    int TransactionLevel() const { return txLevel_; }

    // The fourteen tables of a Caddora database.
    static const std::vector<std::string>& TableNames();

private:
    friend class TTable;
    void CreateSchema();
    void CheckSchema();
    void Exec(const char* sql, const char* what);
    void Register(TTable* table);
    void Unregister(TTable* table);
    void ReloadTables();  // open tables re-read after a rollback
    std::string path_;
    sqlite3* db_ = nullptr;
    int txLevel_ = 0;
    bool diskFull_ = false;
    std::vector<TTable*> tables_;  // tables that hold statements or rows of this connection
};

// Commits on Commit(); rolls back when left without it (an exception halfway
// leaves no row behind).
class TTransaction {
public:
    explicit TTransaction(TDatabase& db) : db_(db) { db_.StartTransaction(); }
    ~TTransaction() {
        if (!done_) {
            try {
                db_.Rollback();
            } catch (...) {
            }
        }
    }
    void Commit() {
        db_.Commit();
        done_ = true;
    }
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;

private:
    TDatabase& db_;
    bool done_ = false;
};
