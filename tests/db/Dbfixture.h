#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "db/Dbrows.h"
#include "db/Table.h"
#include "platform/Datafolder.h"
#include "support/Testsupport.h"

// A fresh data folder with a newly created database in it.
class DbTest : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = std::make_unique<TempHome>();
        db.SetDatabaseName(DataPath("kx.mdb"));
        db.Open();
    }
    void TearDown() override {
        db.Close();
        home_.reset();
    }

    // Appends one row, setting the given columns from their text forms.
    long long AppendRow(const std::string& table,
                        std::initializer_list<std::pair<const char*, TVariant>> values) {
        return ::AppendRow(db, table, values);
    }

    int Count(const std::string& table, const std::string& filter = "") { return CountRows(db, table, filter); }

    std::unique_ptr<TempHome> home_;
    TDatabase db;
};

// The text of the database error f raises; "" when it raises none.
inline std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EDatabaseError& e) {
        return e.what();
    }
    return "";
}
