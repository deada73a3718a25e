#include "db/Table.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "db/Jetfilter.h"
#include "db/Jettext.h"
#include "platform/Textutil.h"

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The whole (trimmed) text as an integer or a float; false when it is not a number.
bool ParseInteger(const std::string& text, long long& out) {
    const std::string t = Trim(text);
    if (t.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(t.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    out = v;
    return true;
}

bool ParseFloat(const std::string& text, double& out) {
    const std::string t = Trim(text);
    if (t.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (errno == ERANGE || *end != '\0' || !std::isfinite(v)) return false;
    // strtod also reads hexadecimal and "inf"/"nan"; those are not numbers here.
    for (char c : t)
        if (std::isalpha(static_cast<unsigned char>(c)) && c != 'e' && c != 'E') return false;
    out = v;
    return true;
}

std::string FormatFloat(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

// Whole number nearest to v, halves to the even neighbour (as the dataset
// fields rounded: 2.5 gives 2, 3.5 gives 4).
long long RoundHalfEven(double v) {
    if (!std::isfinite(v) || std::fabs(v) > 9.2e18)
        throw EDatabaseError(FormatFloat(v) + " is out of the integer range.");
    const double r = std::nearbyint(v);
    const double f = std::floor(v);
    if (v - f == 0.5) return static_cast<long long>(std::fmod(f, 2.0) == 0.0 ? f : f + 1.0);
    return static_cast<long long>(r);
}

std::string FieldLabel(const std::string& table, const std::string& field) {
    return table.empty() ? "'" + field + "'" : "'" + field + "' of " + table;
}

// The length in "VARCHAR(50)", "TEXT(8)", ...; 0 when the type gives none.
int DeclaredLength(const std::string& type) {
    const size_t open = type.find('(');
    if (open == std::string::npos) return 0;
    int n = 0;
    for (size_t i = open + 1; i < type.size() && std::isdigit(static_cast<unsigned char>(type[i])); ++i)
        n = std::min(n * 10 + (type[i] - '0'), 1 << 30);
    return n;
}

TVariant ColumnValue(sqlite3_stmt* stmt, int col) {
    switch (sqlite3_column_type(stmt, col)) {
        case SQLITE_INTEGER: return TVariant(static_cast<long long>(sqlite3_column_int64(stmt, col)));
        case SQLITE_FLOAT: return TVariant(sqlite3_column_double(stmt, col));
        case SQLITE_NULL: return TVariant();
        default: {
            const unsigned char* text = sqlite3_column_text(stmt, col);
            const int n = sqlite3_column_bytes(stmt, col);
            return TVariant(std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(n)));
        }
    }
}

int Bind(sqlite3_stmt* stmt, int index, const TVariant& v) {
    const auto& raw = v.Raw();
    if (std::holds_alternative<long long>(raw))
        return sqlite3_bind_int64(stmt, index, std::get<long long>(raw));
    if (std::holds_alternative<double>(raw)) return sqlite3_bind_double(stmt, index, std::get<double>(raw));
    if (std::holds_alternative<std::string>(raw)) {
        const std::string& s = std::get<std::string>(raw);
        return sqlite3_bind_text(stmt, index, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    }
    return sqlite3_bind_null(stmt, index);
}

// A stored default value as SQLite's table_info reports it (a literal).
TVariant DefaultValue(const unsigned char* text) {
    if (!text) return TVariant();
    std::string t = Trim(reinterpret_cast<const char*>(text));
    if (t.empty() || SameText(t, "NULL")) return TVariant();
    if (t.size() >= 2 && t.front() == '\'' && t.back() == '\'') {
        std::string s;
        for (size_t i = 1; i + 1 < t.size(); ++i) {
            s += t[i];
            if (t[i] == '\'' && t[i + 1] == '\'') ++i;
        }
        return TVariant(s);
    }
    long long i;
    if (ParseInteger(t, i)) return TVariant(i);
    double d;
    if (ParseFloat(t, d)) return TVariant(d);
    return TVariant();
}

// Both values as numbers, when each is a number or a text holding one.
bool AsNumbers(const TVariant& a, const TVariant& b, double& x, double& y) {
    auto num = [](const TVariant& v, double& out) {
        if (v.IsInteger()) {
            out = static_cast<double>(std::get<long long>(v.Raw()));
            return true;
        }
        if (v.IsFloat()) {
            out = std::get<double>(v.Raw());
            return true;
        }
        if (v.IsText()) return ParseFloat(std::get<std::string>(v.Raw()), out);
        return false;
    };
    return num(a, x) && num(b, y);
}

}  // namespace

// ---------------------------------------------------------------------------
// TVariant

std::string TVariant::AsString() const {
    if (IsNull()) return "";
    if (IsInteger()) return std::to_string(std::get<long long>(v_));
    if (IsFloat()) return FormatFloat(std::get<double>(v_));
    return std::get<std::string>(v_);
}

long long TVariant::AsInteger() const {
    if (IsNull()) return 0;
    if (IsInteger()) return std::get<long long>(v_);
    if (IsFloat()) return RoundHalfEven(std::get<double>(v_));
    const std::string& s = std::get<std::string>(v_);
    long long i;
    if (ParseInteger(s, i)) return i;
    double d;
    if (ParseFloat(s, d)) return RoundHalfEven(d);
    throw EDatabaseError("'" + s + "' is not a valid integer value.");
}

double TVariant::AsFloat() const {
    if (IsNull()) return 0.0;
    if (IsInteger()) return static_cast<double>(std::get<long long>(v_));
    if (IsFloat()) return std::get<double>(v_);
    const std::string& s = std::get<std::string>(v_);
    double d;
    if (ParseFloat(s, d)) return d;
    throw EDatabaseError("'" + s + "' is not a valid floating point value.");
}

bool TVariant::AsBoolean() const {
    if (IsNull()) return false;
    if (IsInteger()) return std::get<long long>(v_) != 0;
    if (IsFloat()) return std::get<double>(v_) != 0.0;
    const std::string t = Lower(Trim(std::get<std::string>(v_)));
    return t == "true" || t == "yes" || t == "-1" || t == "1";
}

TDateTime TVariant::AsDateTime() const {
    if (IsNull()) return 0.0;
    if (IsInteger()) return static_cast<double>(std::get<long long>(v_));
    if (IsFloat()) return std::get<double>(v_);
    const std::string& s = std::get<std::string>(v_);
    if (auto d = IsoToDateTime(Trim(s))) return *d;
    throw EDatabaseError("'" + s + "' is not a valid date and time.");
}

std::string QuotedStr(const std::string& value) {
    std::string r = "'";
    for (char c : value) {
        if (c == '\'') r += '\'';
        r += c;
    }
    return r + "'";
}

// ---------------------------------------------------------------------------
// TField

const std::string& TField::FieldName() const { return table_->FieldName(index_); }
TVariant TField::Value() const { return table_->FieldValue(index_); }
void TField::SetValue(const TVariant& v) { table_->SetFieldValue(index_, v); }
void TField::SetAsString(const std::string& v) { table_->SetFieldValue(index_, TVariant(v)); }

namespace {
template <class Read>
auto Converted(const TField& f, const std::string& table, Read read) {
    try {
        return read(f.Value());
    } catch (const EDatabaseError& e) {
        std::string text = e.what();
        if (!text.empty() && text.back() == '.') text.pop_back();
        throw EDatabaseError(text + " for field " + FieldLabel(table, f.FieldName()) + ".");
    }
}
}  // namespace

int TField::AsInteger() const {
    return Converted(*this, table_->TableName(), [](const TVariant& v) { return static_cast<int>(v.AsInteger()); });
}
double TField::AsFloat() const {
    return Converted(*this, table_->TableName(), [](const TVariant& v) { return v.AsFloat(); });
}
TDateTime TField::AsDateTime() const {
    return Converted(*this, table_->TableName(), [](const TVariant& v) { return v.AsDateTime(); });
}

void TField::SetAsDateTime(TDateTime v) {
    const auto kind = table_->kinds_.at(index_);
    if (kind == TTable::Kind::DateTime || kind == TTable::Kind::Text || kind == TTable::Kind::Other)
        table_->SetFieldValue(index_, TVariant(DateTimeToIso(v)));
    else
        table_->SetFieldValue(index_, TVariant(v));
}

// ---------------------------------------------------------------------------
// TTable: set-up

TTable::TTable(TDatabase* db, std::string tableName) : db_(db), tableName_(std::move(tableName)) {}

TTable::~TTable() {
    try {
        Close();
    } catch (...) {
    }
    ReleaseStatements();
}

void TTable::ReleaseStatements() {
    sqlite3_finalize(select_);
    sqlite3_finalize(insert_);
    sqlite3_finalize(reread_);
    sqlite3_finalize(delete_);
    for (auto& [mask, stmt] : updates_) sqlite3_finalize(stmt);
    select_ = insert_ = reread_ = delete_ = nullptr;
    selectSql_.clear();
    updates_.clear();
    if (registered_ && db_) db_->Unregister(this);
    registered_ = false;
}

void TTable::SetDatabase(TDatabase* db) {
    if (db == db_) return;
    if (Active()) throw EDatabaseError("Cannot change the database of an open table.");
    ReleaseStatements();
    db_ = db;
}

void TTable::SetTableName(const std::string& name) {
    if (Active()) throw EDatabaseError("Cannot change the table of an open table.");
    ReleaseStatements();
    tableName_ = name;
    sql_.clear();
    columns_.clear();
}

void TTable::SetSQL(const std::string& sql) {
    if (Active()) throw EDatabaseError("Cannot change the SELECT text of an open table.");
    ReleaseStatements();
    sql_ = sql;
    tableName_.clear();
    columns_.clear();
}

void TTable::Detach() {
    // The connection closes under the table: nothing is written any more.
    state_ = TDataSetState::Inactive;
    rows_.clear();
    cur_ = -1;
    eof_ = bof_ = true;
    registered_ = false;  // the connection forgets its tables itself
    ReleaseStatements();
}

void TTable::Prepare(sqlite3_stmt** stmt, const std::string& sql) {
    if (*stmt) {
        sqlite3_reset(*stmt);
        sqlite3_clear_bindings(*stmt);
        return;
    }
    sqlite3* h = db_->Handle();
    if (sqlite3_prepare_v2(h, sql.c_str(), static_cast<int>(sql.size()), stmt, nullptr) != SQLITE_OK) {
        std::string err = sqlite3_errmsg(h);
        sqlite3_finalize(*stmt);
        *stmt = nullptr;
        throw EDatabaseError((tableName_.empty() ? std::string("Query") : tableName_) + ": " + err);
    }
    if (!registered_) {
        db_->Register(this);
        registered_ = true;
    }
}

void TTable::LoadColumns() {
    if (!columns_.empty()) return;
    if (!db_) throw EDatabaseError("The table has no database.");
    sqlite3* h = db_->Handle();
    std::vector<std::string> cols, types;
    std::vector<bool> notNull;
    std::vector<TVariant> defaults;
    int key = -1;
    readOnly_ = false;
    if (!sql_.empty()) {
        std::string text = Trim(sql_);
        if (text.size() < 6 || !SameText(text.substr(0, 6), "select"))
            throw EDatabaseError("Only a SELECT text can be opened: " + sql_);
        sqlite3_stmt* stmt = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(h, text.c_str(), -1, &stmt, &tail) != SQLITE_OK) {
            std::string err = sqlite3_errmsg(h);
            sqlite3_finalize(stmt);
            throw EDatabaseError("Invalid SELECT text \"" + sql_ + "\": " + err);
        }
        const bool single = !tail || Trim(tail).empty() || Trim(tail) == ";";
        if (!stmt || !sqlite3_stmt_readonly(stmt) || !single) {
            sqlite3_finalize(stmt);
            throw EDatabaseError("Only a single SELECT text can be opened: " + sql_);
        }
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            cols.emplace_back(sqlite3_column_name(stmt, i));
            const char* decl = sqlite3_column_decltype(stmt, i);
            types.emplace_back(decl ? decl : "");
            notNull.push_back(false);
            defaults.emplace_back();
        }
        sqlite3_finalize(stmt);
        readOnly_ = true;
    } else {
        if (tableName_.empty()) throw EDatabaseError("No table name is set.");
        sqlite3_stmt* stmt = nullptr;
        const std::string sql = "PRAGMA table_info(" + QuoteIdentifier(tableName_) + ")";
        if (sqlite3_prepare_v2(h, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            std::string err = sqlite3_errmsg(h);
            sqlite3_finalize(stmt);
            throw EDatabaseError("Cannot read the columns of " + tableName_ + ": " + err);
        }
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            cols.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
            const unsigned char* type = sqlite3_column_text(stmt, 2);
            types.emplace_back(type ? reinterpret_cast<const char*>(type) : "");
            notNull.push_back(sqlite3_column_int(stmt, 3) != 0);
            defaults.push_back(DefaultValue(sqlite3_column_text(stmt, 4)));
            if (sqlite3_column_int(stmt, 5) == 1 && SameText(types.back(), "INTEGER"))
                key = static_cast<int>(cols.size()) - 1;
        }
        std::string err = rc == SQLITE_DONE ? "" : sqlite3_errmsg(h);
        sqlite3_finalize(stmt);
        if (!err.empty()) throw EDatabaseError("Cannot read the columns of " + tableName_ + ": " + err);
        if (cols.empty()) throw EDatabaseError("Table " + tableName_ + " does not exist.");
    }
    std::vector<Kind> kinds;
    for (const std::string& t : types) {
        const std::string u = Lower(t);
        if (u.find("bool") != std::string::npos) kinds.push_back(Kind::Bool);
        else if (u.find("date") != std::string::npos || u.find("time") != std::string::npos)
            kinds.push_back(Kind::DateTime);
        else if (u.find("int") != std::string::npos) kinds.push_back(Kind::Integer);
        else if (u.find("real") != std::string::npos || u.find("floa") != std::string::npos ||
                 u.find("doub") != std::string::npos || u.find("num") != std::string::npos ||
                 u.find("dec") != std::string::npos)
            kinds.push_back(Kind::Float);
        else if (u.find("char") != std::string::npos || u.find("text") != std::string::npos ||
                 u.find("clob") != std::string::npos || u.find("memo") != std::string::npos)
            kinds.push_back(Kind::Text);
        else kinds.push_back(Kind::Other);
    }
    // Limits of a table's columns: texts by their declared length, SMALLINT
    // as 16 bits, other integers but the key as 32 bits.
    limits_.assign(cols.size(), Limit());
    if (sql_.empty()) {
        for (size_t i = 0; i < cols.size(); ++i) {
            const std::string u = Lower(types[i]);
            if (kinds[i] == Kind::Text) {
                limits_[i].length = DeclaredLength(u);
            } else if (kinds[i] == Kind::Integer && static_cast<int>(i) != key &&
                       u.find("bigint") == std::string::npos) {
                const bool small = u.find("smallint") != std::string::npos;
                limits_[i].min = small ? -32768 : -2147483648LL;
                limits_[i].max = small ? 32767 : 2147483647LL;
                limits_[i].ranged = true;
            }
        }
    }
    columns_ = std::move(cols);
    columnTypes_ = std::move(types);
    notNull_ = std::move(notNull);
    defaults_ = std::move(defaults);
    kinds_ = std::move(kinds);
    keyIndex_ = key;
}

int TTable::FieldIndex(const std::string& name) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (SameText(columns_[i], name)) return static_cast<int>(i);
    for (size_t i = 0; i < calcNames_.size(); ++i)
        if (SameText(calcNames_[i], name)) return static_cast<int>(columns_.size() + i);
    return -1;
}

void TTable::AddCalcField(const std::string& name) {
    if (Active()) throw EDatabaseError("Cannot add a calculated field to an open table.");
    calcNames_.push_back(name);
}

void TTable::CalcRow(Row& row) {
    if (calcNames_.empty()) return;
    row.values.resize(columns_.size() + calcNames_.size());
    if (!OnCalcFields) return;
    calcRow_ = &row;
    try {
        OnCalcFields(*this);
    } catch (...) {
        calcRow_ = nullptr;
        throw;
    }
    calcRow_ = nullptr;
}

TField TTable::FieldByName(const std::string& name) {
    int i = FieldIndex(name);
    if (i < 0 && columns_.empty() && db_ && db_->Connected()) {
        LoadColumns();
        i = FieldIndex(name);
    }
    if (i < 0) {
        const std::string owner = tableName_.empty() ? std::string("Query") : tableName_;
        throw EDatabaseError(owner + ": Field '" + name + "' not found.");
    }
    return TField(this, i);
}

TField TTable::Fields(int index) {
    if (index < 0 || index >= FieldCount())
        throw EDatabaseError("Field index " + std::to_string(index) + " out of range.");
    return TField(this, index);
}

std::vector<int> TTable::ColumnIndexes(const std::string& names) const {
    std::vector<int> r;
    size_t start = 0;
    for (;;) {
        const size_t semi = names.find(';', start);
        const std::string name = Trim(names.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
        const int i = FieldIndex(name);
        if (i < 0) {
            const std::string owner = tableName_.empty() ? std::string("Query") : tableName_;
            throw EDatabaseError(owner + ": Field '" + name + "' not found.");
        }
        r.push_back(i);
        if (semi == std::string::npos) break;
        start = semi + 1;
    }
    return r;
}

// ---------------------------------------------------------------------------
// Reading

namespace {

template <class K>
std::vector<bool> TextKinds(const std::vector<K>& kinds, K text) {
    std::vector<bool> r(kinds.size());
    for (size_t i = 0; i < kinds.size(); ++i) r[i] = kinds[i] == text;
    return r;
}

struct TOrderTerm {
    int column;
    bool descending;
    bool text;  // in the user's language's order, case ignored
};

std::vector<TOrderTerm> OrderTerms(const std::vector<std::string>& sort, const std::vector<std::string>& columns,
                                   const std::vector<bool>& text) {
    std::vector<TOrderTerm> r;
    for (const std::string& entry : sort)
        for (const TSortTerm& t : JetSortTerms(entry, &columns)) {
            const int c = static_cast<int>(std::find(columns.begin(), columns.end(), t.column) - columns.begin());
            r.push_back({c, t.descending, text[c]});
        }
    return r;
}

// SQLite's order of values: null, numbers, texts (by byte).
int CompareValues(const TVariant& a, const TVariant& b) {
    const auto rank = [](const TVariant& v) { return v.IsNull() ? 0 : v.IsText() ? 2 : 1; };
    if (rank(a) != rank(b)) return rank(a) < rank(b) ? -1 : 1;
    if (a.IsText()) return std::get<std::string>(a.Raw()).compare(std::get<std::string>(b.Raw()));
    if (a.IsInteger() && b.IsInteger()) return a.AsInteger() < b.AsInteger() ? -1 : a.AsInteger() > b.AsInteger();
    if (a.IsNull()) return 0;
    return a.AsFloat() < b.AsFloat() ? -1 : a.AsFloat() > b.AsFloat();
}

// Rows read in the order of the other terms (and by rowid) put in the order
// of all terms, texts by their keys; rows equal in all keep their order.
template <class R>
void SortByText(std::vector<R>& rows, const std::vector<TOrderTerm>& terms) {
    std::vector<int> textColumns;
    for (const TOrderTerm& t : terms)
        if (t.text) textColumns.push_back(t.column);
    if (textColumns.empty() || rows.size() < 2) return;
    const TNameOrder order;
    const size_t n = textColumns.size();
    std::vector<std::optional<QCollatorSortKey>> keys;
    keys.reserve(rows.size() * n);
    for (const R& r : rows)
        for (int c : textColumns)
            keys.push_back(r.values[c].IsText() ? std::optional(order.Key(std::get<std::string>(r.values[c].Raw())))
                                                : std::nullopt);
    std::vector<size_t> index(rows.size());
    for (size_t i = 0; i < index.size(); ++i) index[i] = i;
    std::stable_sort(index.begin(), index.end(), [&](size_t x, size_t y) {
        size_t k = 0;
        for (const TOrderTerm& t : terms) {
            int c;
            if (t.text) {
                const auto& kx = keys[x * n + k];
                const auto& ky = keys[y * n + k];
                ++k;
                c = kx && ky ? kx->compare(*ky) : CompareValues(rows[x].values[t.column], rows[y].values[t.column]);
            } else {
                c = CompareValues(rows[x].values[t.column], rows[y].values[t.column]);
            }
            if (c != 0) return t.descending ? c > 0 : c < 0;
        }
        return false;
    });
    std::vector<R> sorted;
    sorted.reserve(rows.size());
    for (size_t i : index) sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

}  // namespace

std::string TTable::SelectSql(std::vector<TVariant>* params) const {
    std::string where;
    if (!Trim(filter_).empty()) where = JetConditionToSql(filter_, &columns_, tableName_, params);
    // Text columns are put in order after reading (Load).
    std::string order;
    for (const TOrderTerm& term : OrderTerms(sort_, columns_, TextKinds(kinds_, Kind::Text)))
        if (!term.text)
            order += (order.empty() ? "" : ", ") + QuoteIdentifier(columns_[term.column]) +
                     (term.descending ? " DESC" : " ASC");
    std::string sql;
    if (!sql_.empty()) {
        if (where.empty() && order.empty()) return sql_;
        std::string inner = Trim(sql_);
        while (!inner.empty() && inner.back() == ';') inner.pop_back();
        sql = "SELECT * FROM (" + inner + ")";
        if (!where.empty()) sql += " WHERE " + where;
        if (!order.empty()) sql += " ORDER BY " + order;
        return sql;
    }
    sql = "SELECT rowid";
    for (const std::string& c : columns_) sql += ", " + QuoteIdentifier(c);
    sql += " FROM " + QuoteIdentifier(tableName_);
    if (!where.empty()) sql += " WHERE " + where;
    sql += " ORDER BY " + (order.empty() ? std::string() : order + ", ") + "rowid";
    return sql;
}

void TTable::Load() {
    std::vector<TVariant> params;
    const std::string sql = SelectSql(&params);
    if (select_ && sql != selectSql_) {
        sqlite3_finalize(select_);
        select_ = nullptr;
    }
    Prepare(&select_, sql);
    selectSql_ = sql;
    for (size_t i = 0; i < params.size(); ++i) Bind(select_, static_cast<int>(i) + 1, params[i]);
    const bool hasRowid = sql_.empty();
    const int offset = hasRowid ? 1 : 0;
    const int n = FieldCount();
    std::vector<Row> rows;
    int rc;
    while ((rc = sqlite3_step(select_)) == SQLITE_ROW) {
        Row r;
        r.rowid = hasRowid ? sqlite3_column_int64(select_, 0) : static_cast<long long>(rows.size());
        r.values.reserve(n);
        for (int c = 0; c < n; ++c) r.values.push_back(ColumnValue(select_, c + offset));
        rows.push_back(std::move(r));
    }
    if (rc != SQLITE_DONE) {
        std::string err = sqlite3_errmsg(db_->Handle());
        sqlite3_reset(select_);
        throw EDatabaseError((tableName_.empty() ? std::string("Query") : tableName_) + ": " + err);
    }
    sqlite3_reset(select_);
    SortByText(rows, OrderTerms(sort_, columns_, TextKinds(kinds_, Kind::Text)));
    for (Row& r : rows) CalcRow(r);
    rows_ = std::move(rows);
}

void TTable::Open() {
    if (Active()) return;
    if (!db_) throw EDatabaseError("The table has no database.");
    LoadColumns();
    Load();
    state_ = TDataSetState::Browse;
    cur_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
}

void TTable::Close() {
    if (!Active()) return;
    state_ = TDataSetState::Inactive;
    buffer_ = Row();
    rows_.clear();
    cur_ = -1;
    eof_ = bof_ = true;
}

void TTable::CheckActive() const {
    if (!Active()) {
        const std::string owner = tableName_.empty() ? std::string("Query") : tableName_;
        throw EDatabaseError(owner + ": Cannot perform this operation on a closed table.");
    }
}

void TTable::CheckWritable() const {
    CheckActive();
    if (readOnly_) throw EDatabaseError("Cannot modify a read-only query set.");
}

void TTable::CheckBrowse() {
    if (state_ == TDataSetState::Edit || state_ == TDataSetState::Insert) Post();
}

void TTable::Refresh() {
    CheckActive();
    CheckBrowse();
    const long long rowid = (cur_ >= 0 && cur_ < RecordCount()) ? rows_[cur_].rowid : -1;
    const int old = cur_;
    Load();
    cur_ = -1;
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].rowid == rowid) cur_ = static_cast<int>(i);
    if (cur_ < 0 && !rows_.empty()) cur_ = std::clamp(old, 0, RecordCount() - 1);
    bof_ = rows_.empty();
    eof_ = rows_.empty();
}

void TTable::AfterRollback() {
    if (!Active()) return;
    if (state_ != TDataSetState::Browse) Cancel();
    Refresh();
}

void TTable::SetFilter(const std::string& jetCondition) {
    // The text is checked first: a filter that does not parse changes nothing.
    std::vector<TVariant> params;
    if (!Trim(jetCondition).empty())
        JetConditionToSql(jetCondition, columns_.empty() ? nullptr : &columns_, tableName_, &params);
    if (!Active()) {
        filter_ = jetCondition;
        return;
    }
    CheckBrowse();
    const std::string old = filter_;
    filter_ = jetCondition;
    try {
        Load();
    } catch (...) {
        filter_ = old;
        throw;
    }
    cur_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
}

void TTable::AddSort(const std::string& term) {
    JetSortToSql(term, columns_.empty() ? nullptr : &columns_);
    sort_.push_back(term);
}

void TTable::ClearSort() { sort_.clear(); }

void TTable::ApplySort() {
    if (!Active()) return;
    CheckBrowse();
    Load();
    cur_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
}

// ---------------------------------------------------------------------------
// Cursor

void TTable::MoveTo(int index) {
    cur_ = index;
    bof_ = false;
    eof_ = false;
}

void TTable::First() {
    CheckActive();
    CheckBrowse();
    cur_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
}

void TTable::Next() {
    CheckActive();
    CheckBrowse();
    if (rows_.empty() || cur_ >= RecordCount() - 1) {
        eof_ = true;
        return;
    }
    MoveTo(cur_ + 1);
}

void TTable::Prior() {
    CheckActive();
    CheckBrowse();
    if (rows_.empty() || cur_ <= 0) {
        bof_ = true;
        return;
    }
    MoveTo(cur_ - 1);
}

void TTable::Last() {
    CheckActive();
    CheckBrowse();
    cur_ = RecordCount() - 1;
    bof_ = rows_.empty();
    eof_ = true;
}

bool TTable::Eof() const { return !Active() || eof_; }
bool TTable::Bof() const { return !Active() || bof_; }
int TTable::RecordCount() const { return static_cast<int>(rows_.size()); }

void TTable::SetRecNo(int index) {
    CheckActive();
    CheckBrowse();
    if (index < 0 || index >= RecordCount())
        throw EDatabaseError("Row " + std::to_string(index) + " out of range.");
    MoveTo(index);
}

bool TTable::RowMatches(const std::vector<TVariant>& values, const std::vector<int>& cols,
                        const std::vector<TVariant>& keys) const {
    for (size_t k = 0; k < cols.size(); ++k) {
        const TVariant& cell = values[cols[k]];
        const TVariant& key = keys[k];
        if (key.IsNull() || cell.IsNull()) {
            if (key.IsNull() != cell.IsNull()) return false;
            continue;
        }
        if (cols[k] < static_cast<int>(kinds_.size()) && kinds_[cols[k]] == Kind::DateTime) {
            // Compared as stored text, seconds included.
            auto iso = [](const TVariant& v) -> std::string {
                if (v.IsText()) {
                    if (auto d = IsoToDateTime(Trim(v.AsString()))) return DateTimeToIso(*d);
                    return v.AsString();
                }
                return DateTimeToIso(v.AsFloat());
            };
            if (iso(cell) != iso(key)) return false;
            continue;
        }
        if (cell.IsText() && key.IsText()) {
            if (!SameText(std::get<std::string>(cell.Raw()), std::get<std::string>(key.Raw()))) return false;
            continue;
        }
        if (cell.IsInteger() && key.IsInteger()) {
            if (std::get<long long>(cell.Raw()) != std::get<long long>(key.Raw())) return false;
            continue;
        }
        double x, y;
        if (!AsNumbers(cell, key, x, y) || x != y) return false;
    }
    return true;
}

bool TTable::Locate(const std::string& columns, const std::vector<TVariant>& values) {
    CheckActive();
    CheckBrowse();
    const std::vector<int> cols = ColumnIndexes(columns);
    if (cols.size() != values.size())
        throw EDatabaseError("Locate on \"" + columns + "\" needs " + std::to_string(cols.size()) +
                             " values.");
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (RowMatches(rows_[i].values, cols, values)) {
            MoveTo(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

TVariant TTable::Lookup(const std::string& keyColumns, const std::vector<TVariant>& keyValues,
                        const std::string& resultColumn) {
    CheckActive();
    const std::vector<int> cols = ColumnIndexes(keyColumns);
    if (cols.size() != keyValues.size())
        throw EDatabaseError("Lookup on \"" + keyColumns + "\" needs " + std::to_string(cols.size()) +
                             " values.");
    const int result = ColumnIndexes(resultColumn).front();
    for (const Row& r : rows_)
        if (RowMatches(r.values, cols, keyValues)) return r.values[result];
    return TVariant();
}

const std::vector<TVariant>& TTable::CurrentValues() const {
    if (calcRow_) return calcRow_->values;
    if (state_ == TDataSetState::Edit || state_ == TDataSetState::Insert) return buffer_.values;
    CheckActive();
    static const std::vector<TVariant> none;
    if (cur_ < 0 || cur_ >= RecordCount()) return none;
    return rows_[cur_].values;
}

TVariant TTable::FieldValue(int index) const {
    const std::vector<TVariant>& v = CurrentValues();
    if (index < 0 || index >= FieldCount() + static_cast<int>(calcNames_.size()))
        throw EDatabaseError("Field index out of range.");
    if (index >= static_cast<int>(v.size())) return TVariant();  // no current row, or no calc yet
    return v[index];
}

std::vector<TVariant> TTable::FieldValues(const std::string& names) {
    std::vector<TVariant> r;
    for (int i : ColumnIndexes(names)) r.push_back(FieldValue(i));
    return r;
}

TVariant TTable::CellValue(int row, int column) const {
    if (row < 0 || row >= RecordCount() || column < 0 ||
        column >= FieldCount() + static_cast<int>(calcNames_.size()))
        throw EDatabaseError("Cell out of range.");
    const std::vector<TVariant>& values = rows_[row].values;
    return column < static_cast<int>(values.size()) ? values[column] : TVariant();
}

// ---------------------------------------------------------------------------
// Changes

TVariant TTable::Convert(int index, const TVariant& v) const {
    if (v.IsNull()) return v;
    const std::string& name = columns_[index];
    auto bad = [&](const char* what) {
        return EDatabaseError("'" + v.AsString() + "' is not a valid " + what + " for field " +
                              FieldLabel(tableName_, name) + ".");
    };
    switch (kinds_[index]) {
        case Kind::Integer:
            if (v.IsInteger()) return v;
            if (v.IsFloat()) {
                const double d = std::get<double>(v.Raw());
                if (!std::isfinite(d) || std::fabs(d) > 9.2e18) throw bad("integer");
                return TVariant(RoundHalfEven(d));
            }
            {
                const std::string& s = std::get<std::string>(v.Raw());
                if (Trim(s).empty()) return TVariant();
                long long i;
                if (ParseInteger(s, i)) return TVariant(i);
                double d;
                if (ParseFloat(s, d) && std::fabs(d) < 9.2e18) return TVariant(RoundHalfEven(d));
                throw bad("integer");
            }
        case Kind::Float:
            if (v.IsFloat()) return v;
            if (v.IsInteger()) return TVariant(static_cast<double>(std::get<long long>(v.Raw())));
            {
                const std::string& s = std::get<std::string>(v.Raw());
                if (Trim(s).empty()) return TVariant();
                double d;
                if (ParseFloat(s, d)) return TVariant(d);
                throw bad("floating point value");
            }
        case Kind::Bool:
            if (v.IsInteger()) return TVariant(std::get<long long>(v.Raw()) != 0);
            if (v.IsFloat()) return TVariant(std::get<double>(v.Raw()) != 0.0);
            {
                const std::string t = Lower(Trim(std::get<std::string>(v.Raw())));
                if (t == "true" || t == "yes" || t == "-1" || t == "1" || t == "on") return TVariant(true);
                if (t == "false" || t == "no" || t == "0" || t == "off" || t.empty()) return TVariant(false);
                throw bad("boolean value");
            }
        case Kind::DateTime:
            if (v.IsInteger() || v.IsFloat()) return TVariant(DateTimeToIso(v.AsFloat()));
            {
                const std::string s = Trim(std::get<std::string>(v.Raw()));
                if (s.empty()) return TVariant();
                if (auto d = IsoToDateTime(s)) return TVariant(DateTimeToIso(*d));
                throw bad("date and time");
            }
        case Kind::Text:
            if (v.IsText()) return v;
            return TVariant(v.AsString());
        case Kind::Other: break;
    }
    return v;
}

void TTable::SetFieldValue(int index, const TVariant& v) {
    if (index >= FieldCount() && index < FieldCount() + static_cast<int>(calcNames_.size())) {
        if (!calcRow_) throw EDatabaseError("Field '" + FieldName(index) + "' is calculated.");
        calcRow_->values[index] = v;
        return;
    }
    if (index < 0 || index >= FieldCount()) throw EDatabaseError("Field index out of range.");
    if (state_ != TDataSetState::Edit && state_ != TDataSetState::Insert) {
        CheckWritable();
        throw EDatabaseError((tableName_.empty() ? std::string("Query") : tableName_) +
                             ": not in edit or insert mode.");
    }
    if (index == keyIndex_)
        throw EDatabaseError("Field " + FieldLabel(tableName_, columns_[index]) + " cannot be modified.");
    buffer_.values[index] = Convert(index, v);
    dirty_[index] = true;
}

void TTable::Edit() {
    CheckWritable();
    if (state_ == TDataSetState::Edit || state_ == TDataSetState::Insert) return;
    if (rows_.empty()) {
        Append();
        return;
    }
    if (cur_ < 0) cur_ = 0;
    buffer_ = rows_[cur_];
    dirty_.assign(columns_.size(), false);
    state_ = TDataSetState::Edit;
}

void TTable::Append() {
    CheckWritable();
    CheckBrowse();
    insertFrom_ = cur_;
    buffer_.rowid = 0;
    buffer_.values = defaults_;
    dirty_.assign(columns_.size(), false);
    state_ = TDataSetState::Insert;
}

void TTable::Cancel() {
    if (state_ == TDataSetState::Insert) cur_ = insertFrom_;
    if (state_ == TDataSetState::Edit || state_ == TDataSetState::Insert) state_ = TDataSetState::Browse;
    buffer_ = Row();
}

TTable::Row TTable::ReadRow(long long rowid) {
    if (!reread_) {
        std::string sql = "SELECT rowid";
        for (const std::string& c : columns_) sql += ", " + QuoteIdentifier(c);
        sql += " FROM " + QuoteIdentifier(tableName_) + " WHERE rowid = ?";
        Prepare(&reread_, sql);
    } else {
        sqlite3_reset(reread_);
    }
    sqlite3_bind_int64(reread_, 1, rowid);
    Row r;
    const int rc = sqlite3_step(reread_);
    if (rc == SQLITE_ROW) {
        r.rowid = sqlite3_column_int64(reread_, 0);
        r.values.reserve(columns_.size());
        for (int c = 0; c < FieldCount(); ++c) r.values.push_back(ColumnValue(reread_, c + 1));
    }
    sqlite3_reset(reread_);
    if (rc != SQLITE_ROW) throw EDatabaseError(tableName_ + ": the posted row cannot be read back.");
    return r;
}

void TTable::CheckLimits() const {
    for (int i = 0; i < FieldCount() && i < static_cast<int>(limits_.size()); ++i) {
        if (state_ == TDataSetState::Edit && !dirty_[i]) continue;
        const TVariant& v = buffer_.values[i];
        const Limit& lim = limits_[i];
        if (lim.length > 0 && v.IsText() &&
            CharCount(std::get<std::string>(v.Raw())) > static_cast<size_t>(lim.length))
            throw EDatabaseError("The text of field " + FieldLabel(tableName_, columns_[i]) +
                                 " is longer than " + std::to_string(lim.length) + " characters.");
        if (lim.ranged && v.IsInteger()) {
            const long long n = std::get<long long>(v.Raw());
            if (n < lim.min || n > lim.max)
                throw EDatabaseError("The value " + std::to_string(n) + " of field " +
                                     FieldLabel(tableName_, columns_[i]) + " is out of range (" +
                                     std::to_string(lim.min) + " to " + std::to_string(lim.max) + ").");
        }
    }
}

int TTable::FieldSize(const std::string& name) {
    const int i = FieldByName(name).Index();
    return i < static_cast<int>(limits_.size()) ? limits_[i].length : 0;
}

std::string TTable::FitToField(const std::string& name, const std::string& text) {
    const int declared = FieldSize(name);
    const size_t size = declared > 0 ? static_cast<size_t>(declared) : MemoLimit;
    if (text.size() <= size || CharCount(text) <= size) return text;
    return FirstChars(text, size);
}

void TTable::Post() {
    if (state_ != TDataSetState::Edit && state_ != TDataSetState::Insert) return;
    CheckWritable();
    CheckLimits();
    for (int i = 0; i < FieldCount(); ++i) {
        if (i != keyIndex_ && notNull_[i] && buffer_.values[i].IsNull() &&
            (state_ == TDataSetState::Insert || dirty_[i]))
            throw EDatabaseError("Field " + FieldLabel(tableName_, columns_[i]) + " must have a value.");
    }
    sqlite3* h = db_->Handle();
    if (state_ == TDataSetState::Insert) {
        if (!insert_) {
            std::string names, marks;
            for (int i = 0; i < FieldCount(); ++i) {
                if (i == keyIndex_) continue;
                names += (names.empty() ? "" : ", ") + QuoteIdentifier(columns_[i]);
                marks += marks.empty() ? "?" : ", ?";
            }
            std::string sql = "INSERT INTO " + QuoteIdentifier(tableName_);
            sql += names.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + marks + ")";
            Prepare(&insert_, sql);
        } else {
            sqlite3_reset(insert_);
        }
        int p = 1;
        for (int i = 0; i < FieldCount(); ++i)
            if (i != keyIndex_) Bind(insert_, p++, buffer_.values[i]);
        const int rc = sqlite3_step(insert_);
        sqlite3_reset(insert_);
        if (rc != SQLITE_DONE)
            throw EDatabaseError("Cannot post to " + tableName_ + ": " + sqlite3_errmsg(h));
        Row r = ReadRow(sqlite3_last_insert_rowid(h));
        CalcRow(r);
        rows_.push_back(std::move(r));
        state_ = TDataSetState::Browse;
        buffer_ = Row();
        MoveTo(RecordCount() - 1);
        return;
    }
    // Edit: only the changed columns are written.
    if (std::find(dirty_.begin(), dirty_.end(), true) == dirty_.end()) {
        state_ = TDataSetState::Browse;
        buffer_ = Row();
        return;
    }
    sqlite3_stmt*& stmt = updates_[dirty_];
    if (!stmt) {
        std::string sets;
        for (int i = 0; i < FieldCount(); ++i)
            if (dirty_[i]) sets += (sets.empty() ? "" : ", ") + QuoteIdentifier(columns_[i]) + " = ?";
        Prepare(&stmt, "UPDATE " + QuoteIdentifier(tableName_) + " SET " + sets + " WHERE rowid = ?");
    } else {
        sqlite3_reset(stmt);
    }
    int p = 1;
    for (int i = 0; i < FieldCount(); ++i)
        if (dirty_[i]) Bind(stmt, p++, buffer_.values[i]);
    sqlite3_bind_int64(stmt, p, buffer_.rowid);
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) throw EDatabaseError("Cannot post to " + tableName_ + ": " + sqlite3_errmsg(h));
    if (sqlite3_changes(h) == 0)
        throw EDatabaseError(tableName_ + ": the row was deleted by another user or table.");
    rows_[cur_] = std::move(buffer_);
    buffer_ = Row();
    state_ = TDataSetState::Browse;
    CalcRow(rows_[cur_]);
}

void TTable::Delete() {
    CheckWritable();
    if (state_ == TDataSetState::Insert) {
        Cancel();
        return;
    }
    if (state_ == TDataSetState::Edit) Cancel();
    if (rows_.empty() || cur_ < 0)
        throw EDatabaseError(tableName_ + ": Cannot perform this operation on an empty table.");
    Prepare(&delete_, "DELETE FROM " + QuoteIdentifier(tableName_) + " WHERE rowid = ?");
    sqlite3_bind_int64(delete_, 1, rows_[cur_].rowid);
    const int rc = sqlite3_step(delete_);
    sqlite3_reset(delete_);
    if (rc != SQLITE_DONE)
        throw EDatabaseError("Cannot delete from " + tableName_ + ": " + sqlite3_errmsg(db_->Handle()));
    rows_.erase(rows_.begin() + cur_);
    if (cur_ >= RecordCount()) cur_ = RecordCount() - 1;
    bof_ = rows_.empty();
    eof_ = rows_.empty();
}

std::string TTable::TranslateFilter(const std::string& jetCondition, std::vector<TVariant>* params) {
    return JetConditionToSql(jetCondition, nullptr, "", params);
}

void PutColumn(TTable& t, const std::string& column, const TColumn& v) {
    if (v) t.FieldByName(column).SetValue(*v);
}

void PutColumns(TTable& t, std::initializer_list<TNamedColumn> columns) {
    for (const TNamedColumn& c : columns) PutColumn(t, c.column, c.value);
}
