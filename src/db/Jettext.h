#pragma once
#include <QCollator>
#include <QString>
#include <QStringList>
#include <string>

struct sqlite3;

// Jet's text rules for every letter, not only A to Z: texts match and compare
// without regard to case, and names sort in the order of the user's language.

// Registers on a connection: like(pattern, text[, escape]) that ignores case
// (the filters' Like), and the collation "JETTEXT" that the filters' = and <>
// on texts use. Returns SQLite's result code.
int RegisterJetText(sqlite3* db);

// The order of names in the default locale's collation, case ignored; in the
// C locale, by character of the case-folded text.
class TNameOrder {
public:
    TNameOrder();
    // Keys compare as their texts do (QCollatorSortKey::compare). The keys
    // of UTF-8 texts are kept while the locale stays, so that a list read
    // again costs a look-up per name.
    QCollatorSortKey Key(const QString& text) const;
    QCollatorSortKey Key(const std::string& utf8) const;
    bool Less(const QString& a, const QString& b) const { return Key(a).compare(Key(b)) < 0; }

private:
    QCollator collator_;
    bool c_ = false;
};

// The names in that order (names equal but for case keep their order).
void SortNames(QStringList& names);
