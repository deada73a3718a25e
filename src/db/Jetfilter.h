#pragma once
#include <string>
#include <vector>

#include "db/Table.h"

// Jet conditions and sort terms turned into SQLite text. Values of the
// condition become parameters; only column names reach the SQL, each checked
// against the known columns (when given) and quoted.

// "name" with inner double quotes doubled.
std::string QuoteIdentifier(const std::string& name);

// A Jet condition as an SQLite expression with "?" parameters appended to
// *params; Like, = and <> on texts ignore case (through what RegisterJetText
// gives the connection). columns: the table's columns (nullptr accepts any
// name); a column name may be prefixed by tableName and a dot. Throws
// EDatabaseError whose text contains the condition when it does not parse or
// names an unknown column.
std::string JetConditionToSql(const std::string& condition, const std::vector<std::string>* columns,
                              const std::string& tableName, std::vector<TVariant>* params);

// One sort entry ("[Col] ASC", "Col DESC", "[RoundStartDate]ASC"; several may
// be joined by commas) as its columns (named as in columns, when given) and
// directions, or as ORDER BY terms. Throws EDatabaseError on a bad term.
struct TSortTerm {
    std::string column;
    bool descending = false;
};
std::vector<TSortTerm> JetSortTerms(const std::string& term, const std::vector<std::string>* columns);
std::string JetSortToSql(const std::string& term, const std::vector<std::string>* columns);
