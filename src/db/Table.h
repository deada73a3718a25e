#pragma once
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "db/Database.h"
#include "platform/Datetime.h"

// A column value: null, integer, float or text (SQLite's storage classes).
// Booleans are integers 0/1; date-times are text "YYYY-MM-DD HH:MM:SS".
class TVariant {
public:
    TVariant() = default;
    TVariant(std::nullptr_t) {}
    TVariant(int v) : v_(static_cast<long long>(v)) {}
    TVariant(long long v) : v_(v) {}
    TVariant(bool v) : v_(static_cast<long long>(v ? 1 : 0)) {}
    TVariant(double v) : v_(v) {}
    TVariant(const char* v) : v_(std::string(v)) {}
    TVariant(std::string v) : v_(std::move(v)) {}

    bool IsNull() const { return std::holds_alternative<std::monostate>(v_); }
    bool IsInteger() const { return std::holds_alternative<long long>(v_); }
    bool IsFloat() const { return std::holds_alternative<double>(v_); }
    bool IsText() const { return std::holds_alternative<std::string>(v_); }

    // Conversions as the dataset fields did them: null gives "", 0, 0.0, false.
    // AsInteger/AsFloat of a text that is not a number throw EDatabaseError.
    std::string AsString() const;
    long long AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const;  // numbers: non-zero; texts "true"/"yes"/"-1"/"1" (any case)
    TDateTime AsDateTime() const;

    bool operator==(const TVariant& o) const { return v_ == o.v_; }

    const std::variant<std::monostate, long long, double, std::string>& Raw() const { return v_; }

private:
    std::variant<std::monostate, long long, double, std::string> v_;
};

// A column's value in a writer's record: none leaves the column as it is
// (empty on a new row), a null TVariant empties it, any other value is
// written as given.
using TColumn = std::optional<TVariant>;

// Jet string literal for building a filter from typed text: the value in single
// quotes with every single quote doubled, so a quote in a name stays data.
std::string QuotedStr(const std::string& value);

class TTable;
struct sqlite3_stmt;

// One column of the current row (or of the edit buffer while editing).
class TField {
public:
    TField(TTable* table, int index) : table_(table), index_(index) {}
    int Index() const { return index_; }

    const std::string& FieldName() const;
    TVariant Value() const;
    bool IsNull() const { return Value().IsNull(); }
    std::string AsString() const { return Value().AsString(); }
    // A stored value that does not convert names its table and field.
    int AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const { return Value().AsBoolean(); }
    TDateTime AsDateTime() const;

    // Writing needs the table in edit or append state (EDatabaseError otherwise).
    void SetValue(const TVariant& v);
    void SetAsString(const std::string& v);  // stored in the column's own type when it converts
    void SetAsInteger(long long v) { SetValue(TVariant(v)); }
    void SetAsFloat(double v) { SetValue(TVariant(v)); }
    void SetAsBoolean(bool v) { SetValue(TVariant(v)); }
    void SetAsDateTime(TDateTime v);
    void Clear() { SetValue(TVariant()); }

private:
    TTable* table_;
    int index_;
};

enum class TDataSetState { Inactive, Browse, Edit, Insert };

// The table component: one database table (or one SELECT text, read-only), read
// as the rows matching its filter in its sort order, walked with a cursor, and
// changed row by row. A filter is a Jet condition, turned into parameterised SQL;
// a sort is a list of "[Column] ASC|DESC" terms.
class TTable {
public:
    explicit TTable(TDatabase* db = nullptr, std::string tableName = "");
    ~TTable();
    TTable(const TTable&) = delete;
    TTable& operator=(const TTable&) = delete;

    void SetDatabase(TDatabase* db);
    TDatabase* Database() const { return db_; }
    void SetTableName(const std::string& name);
    const std::string& TableName() const { return tableName_; }
    // A SELECT text instead of a table; such a set cannot be changed.
    void SetSQL(const std::string& sql);

    void Open();
    void Close();  // a pending edit is cancelled
    bool Active() const { return state_ != TDataSetState::Inactive; }
    TDataSetState State() const { return state_; }
    // Re-reads the rows, keeping the current row by its key where it still matches.
    void Refresh();

    // Setting the filter of an open table re-reads it at once; "" removes it.
    // A filter that does not parse throws EDatabaseError with the filter's text.
    void SetFilter(const std::string& jetCondition);
    const std::string& Filter() const { return filter_; }

    // Sort terms accumulate until cleared; ApplySort re-reads an open table.
    void AddSort(const std::string& term);  // "[RoundStartDate] DESC", "[RoundStartDate]ASC"
    void ClearSort();
    void ApplySort();
    const std::vector<std::string>& SortTerms() const { return sort_; }

    // Cursor. Moving while editing posts the edit first.
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const;
    bool Bof() const;
    int RecordCount() const;
    bool IsEmpty() const { return RecordCount() == 0; }
    int RecNo() const { return cur_; }  // 0-based; -1 when empty
    void SetRecNo(int index);

    // Moves to the first row whose columns (";"-joined) equal the values: texts
    // case-insensitively, numbers by value (a number and its text form match).
    bool Locate(const std::string& columns, const std::vector<TVariant>& values);
    bool Locate(const std::string& column, const TVariant& value) {
        return Locate(column, std::vector<TVariant>{value});
    }
    // The value of resultColumn in the first matching row, without moving;
    // null when none matches.
    TVariant Lookup(const std::string& keyColumns, const std::vector<TVariant>& keyValues,
                    const std::string& resultColumn);

    // Columns.
    int FieldCount() const { return static_cast<int>(columns_.size()); }
    const std::string& FieldName(int index) const {
        return index >= FieldCount() ? calcNames_.at(index - FieldCount()) : columns_.at(index);
    }
    int FieldIndex(const std::string& name) const;  // -1 when missing (case-insensitive)
    TField FieldByName(const std::string& name);  // throws EDatabaseError naming a missing field
    TField Fields(int index);
    // Values of several ";"-joined columns of the current row.
    std::vector<TVariant> FieldValues(const std::string& names);
    // A value of any loaded row, for grids.
    TVariant CellValue(int row, int column) const;

    // Calculated fields: declared before the table opens, never stored. For
    // every row read, OnCalcFields runs with that row current and sets them
    // through FieldByName(...).SetValue; they read like columns (FieldIndex
    // gives them the numbers after the real columns) but cannot be filtered on.
    void AddCalcField(const std::string& name);
    std::function<void(TTable&)> OnCalcFields;

    // Changes. Edit on an empty set appends. Post writes the row at once; after
    // posting an appended row its AutoInc key is readable.
    void Edit();
    void Append();
    void Post();
    void Cancel();
    void Delete();  // the cursor moves to the next row (or the new last one)

    // Post refuses a text longer than its column's declared length and an
    // integer outside its column's range (SMALLINT 16 bits, INTEGER 32 bits),
    // before anything is written. FieldSize is the declared text length (0 when
    // none); FitToField cuts a text from outside (device, web) to it, and a
    // text for a column without a length (a memo) to MemoLimit characters.
    static constexpr size_t MemoLimit = 65535;
    int FieldSize(const std::string& name);
    std::string FitToField(const std::string& name, const std::string& text);

    // Filter text as SQL, for tests and the benchmark: the WHERE clause and its
    // parameters. Throws EDatabaseError on a syntax error.
    static std::string TranslateFilter(const std::string& jetCondition,
                                       std::vector<TVariant>* params);

private:
    friend class TField;
    friend class TDatabase;
    enum class Kind { Other, Integer, Float, Bool, DateTime, Text };
    struct Row {
        long long rowid = 0;
        std::vector<TVariant> values;
    };
    void Load();
    void LoadColumns();
    void CheckActive() const;
    void CheckWritable() const;
    const std::vector<TVariant>& CurrentValues() const;
    std::vector<int> ColumnIndexes(const std::string& names) const;
    bool RowMatches(const std::vector<TVariant>& values, const std::vector<int>& cols,
                    const std::vector<TVariant>& keys) const;
    std::string SelectSql(std::vector<TVariant>* params) const;
    void SetFieldValue(int index, const TVariant& v);
    TVariant FieldValue(int index) const;
    TVariant Convert(int index, const TVariant& v) const;
    void CheckBrowse();  // posts a pending edit
    void CalcRow(Row& row);
    void CheckLimits() const;
    void Prepare(sqlite3_stmt** stmt, const std::string& sql);
    void ReleaseStatements();
    void Detach();         // the connection closes
    void AfterRollback();  // rows re-read after a rolled-back transaction
    Row ReadRow(long long rowid);
    void MoveTo(int index);

    // Column facts from the schema (or the SELECT's result columns).
    std::vector<Kind> kinds_;
    struct Limit {
        int length = 0;  // characters; 0 = none
        bool ranged = false;
        long long min = 0, max = 0;
    };
    std::vector<Limit> limits_;
    std::vector<bool> notNull_;
    std::vector<TVariant> defaults_;
    int keyIndex_ = -1;  // the AutoInc column
    bool readOnly_ = false;
    bool registered_ = false;
    std::vector<bool> dirty_;
    int insertFrom_ = -1;  // cursor before Append
    // Prepared statements, kept while the table lives on one connection.
    sqlite3_stmt* select_ = nullptr;
    std::string selectSql_;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* reread_ = nullptr;
    sqlite3_stmt* delete_ = nullptr;
    std::map<std::vector<bool>, sqlite3_stmt*> updates_;

    TDatabase* db_;
    std::string tableName_;
    std::string sql_;
    std::string filter_;
    std::vector<std::string> sort_;
    std::vector<std::string> columns_;
    std::vector<std::string> columnTypes_;  // declared types, for text conversion
    std::vector<Row> rows_;
    int cur_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    TDataSetState state_ = TDataSetState::Inactive;
    std::vector<std::string> calcNames_;
    Row* calcRow_ = nullptr;  // the row OnCalcFields is filling
    Row buffer_;  // edit/insert buffer
};

// Writes v to the column when it holds a value (see TColumn).
void PutColumn(TTable& t, const std::string& column, const TColumn& v);

// A record's value for the named column, for PutColumns.
struct TNamedColumn {
    const char* column;
    const TColumn& value;
};
// PutColumn for each, in the order given; the first column the table lacks or
// refuses throws EDatabaseError, leaving the ones before it set.
void PutColumns(TTable& t, std::initializer_list<TNamedColumn> columns);

// Fills the row the table is appending or editing and posts it; on any
// failure the row is cancelled, so nothing stays pending, and the error goes on.
template <class Fill>
void PostFilled(TTable& t, Fill fill) {
    try {
        fill();
        t.Post();
    } catch (...) {
        t.Cancel();
        throw;
    }
}
