#pragma once
// Rows for tests to set up and look at, through the table component.
#include <sqlite3.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "db/Database.h"
#include "db/Table.h"
#include "platform/Datafolder.h"

// Appends one row, setting the given columns; returns the row's first column
// (the new AutoInc key where the table has one).
inline long long AppendRow(TDatabase& db, const std::string& table,
                           std::initializer_list<std::pair<const char*, TVariant>> values) {
    TTable t(&db, table);
    t.Open();
    t.Append();
    for (const auto& [name, value] : values) t.FieldByName(name).SetValue(value);
    t.Post();
    return t.Fields(0).Value().AsInteger();
}

// Appends one row to the data folder's database while the program is not
// running (the file is created with its schema when missing).
inline void AppendRowBeforeStart(const std::string& table,
                                 std::initializer_list<std::pair<const char*, TVariant>> values) {
    TDatabase db;
    db.SetDatabaseName(DataPath("kx.mdb"));
    db.Open();
    AppendRow(db, table, values);
    db.Close();
}

// Has another connection hold the file alone until it commits. The given
// connection goes to a rollback journal and stops waiting on locks, so that
// the hold keeps its reads out too.
inline void HoldFileAlone(TDatabase& mine, TDatabase& other) {
    mine.Execute("PRAGMA journal_mode = DELETE");
    mine.Execute("PRAGMA busy_timeout = 0");
    other.SetDatabaseName(DataPath("kx.mdb"));
    other.Open();
    other.Execute("BEGIN EXCLUSIVE");
}

// Has SQLite interrupt the connection's next `times` statements that run
// more than a few dozen steps: a table's read, not the taking of a lock.
inline void InterruptLongReads(TDatabase& db, int times) {
    static int left;
    left = times;
    sqlite3_progress_handler(db.Handle(), 40, [](void*) { return left > 0 ? left-- : 0; }, nullptr);
}

// The number of rows the filter gives.
inline int CountRows(TDatabase& db, const std::string& table, const std::string& filter = "") {
    TTable t(&db, table);
    t.SetFilter(filter);
    t.Open();
    return t.RecordCount();
}

// One column of the first row the filter gives; null when there is none.
inline TVariant RowValue(TDatabase& db, const std::string& table, const std::string& filter,
                         const std::string& column) {
    TTable t(&db, table);
    t.SetFilter(filter);
    t.Open();
    if (t.IsEmpty()) return TVariant();
    t.First();
    return t.FieldByName(column).Value();
}
