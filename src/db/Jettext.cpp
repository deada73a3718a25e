#include "db/Jettext.h"

#include <sqlite3.h>

#include <QLocale>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

bool IsAscii(const unsigned char* s, int n) {
    for (int i = 0; i < n; ++i)
        if (s[i] >= 0x80) return false;
    return true;
}

unsigned char AsciiFold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

// The characters of a UTF-8 text, case-folded.
std::vector<char32_t> Folded(const unsigned char* s, int n) {
    const QList<uint> ucs =
        QString::fromUtf8(reinterpret_cast<const char*>(s), n).toCaseFolded().toUcs4();
    return std::vector<char32_t>(ucs.begin(), ucs.end());
}

// SQL LIKE on case-folded characters (fold applied as they are read): %
// any run, _ one character, esc (when given) makes the next character plain.
template <class C, class Fold>
bool Match(const C* p, size_t pn, const C* s, size_t sn, bool hasEsc, C esc, Fold fold) {
    size_t i = 0, j = 0;
    size_t starP = SIZE_MAX, starS = 0;
    while (j < sn) {
        if (i < pn) {
            const C c = p[i];
            if (hasEsc && c == esc) {
                if (i + 1 < pn && fold(p[i + 1]) == fold(s[j])) {
                    i += 2;
                    ++j;
                    continue;
                }
            } else if (c == C('%')) {
                starP = ++i;
                starS = j;
                continue;
            } else if (c == C('_') || fold(c) == fold(s[j])) {
                ++i;
                ++j;
                continue;
            }
        }
        if (starP == SIZE_MAX) return false;
        i = starP;
        j = ++starS;
    }
    while (i < pn && p[i] == C('%')) ++i;
    return i == pn;
}

void Like(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const auto* pattern = sqlite3_value_text(argv[0]);
    const int pn = sqlite3_value_bytes(argv[0]);
    const auto* text = sqlite3_value_text(argv[1]);
    const int tn = sqlite3_value_bytes(argv[1]);
    if (!pattern || !text) return;  // null
    if (pn > sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1)) {
        sqlite3_result_error(ctx, "LIKE or GLOB pattern too complex", -1);
        return;
    }
    const unsigned char* esc = nullptr;
    int en = 0;
    if (argc == 3) {
        esc = sqlite3_value_text(argv[2]);
        en = sqlite3_value_bytes(argv[2]);
        if (!esc || QString::fromUtf8(reinterpret_cast<const char*>(esc), en).toUcs4().size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
    }
    bool match;
    if (IsAscii(pattern, pn) && IsAscii(text, tn) && (!esc || IsAscii(esc, en))) {
        match = Match(pattern, size_t(pn), text, size_t(tn), esc != nullptr,
                      static_cast<unsigned char>(esc ? esc[0] : 0), AsciiFold);
    } else {
        const std::vector<char32_t> p = Folded(pattern, pn), t = Folded(text, tn);
        const char32_t e = esc ? Folded(esc, en).front() : U'\0';
        match = Match(p.data(), p.size(), t.data(), t.size(), esc != nullptr, e, [](char32_t c) { return c; });
    }
    sqlite3_result_int(ctx, match ? 1 : 0);
}

// Texts in case-folded character order: ASCII as NOCASE does, every other
// letter by its fold.
int Compare(void*, int an, const void* a, int bn, const void* b) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    if (IsAscii(x, an) && IsAscii(y, bn)) {
        const int n = std::min(an, bn);
        for (int i = 0; i < n; ++i) {
            const int d = AsciiFold(x[i]) - AsciiFold(y[i]);
            if (d != 0) return d;
        }
        return an - bn;
    }
    const std::vector<char32_t> fx = Folded(x, an), fy = Folded(y, bn);
    return std::lexicographical_compare(fx.begin(), fx.end(), fy.begin(), fy.end()) ? -1 : fx == fy ? 0 : 1;
}

}  // namespace

int RegisterJetText(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    int rc = sqlite3_create_function(db, "like", 2, flags, nullptr, Like, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_create_function(db, "like", 3, flags, nullptr, Like, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_create_collation(db, "JETTEXT", SQLITE_UTF8, nullptr, Compare);
    return rc;
}

namespace {

// One per thread, as the tables that read are.
struct TKeyCache {
    QLocale locale = QLocale::c();
    std::unordered_map<std::string, QCollatorSortKey> keys;
};
thread_local TKeyCache keyCache;
constexpr size_t kMaxCachedKeys = 200000;

}  // namespace

TNameOrder::TNameOrder() : collator_(QLocale().collation()) {
    c_ = collator_.locale().language() == QLocale::C;
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    if (keyCache.locale != collator_.locale()) {
        keyCache.keys.clear();
        keyCache.locale = collator_.locale();
    }
}

QCollatorSortKey TNameOrder::Key(const std::string& utf8) const {
    if (const auto it = keyCache.keys.find(utf8); it != keyCache.keys.end()) return it->second;
    if (keyCache.keys.size() >= kMaxCachedKeys) keyCache.keys.clear();
    return keyCache.keys.emplace(utf8, Key(QString::fromStdString(utf8))).first->second;
}

QCollatorSortKey TNameOrder::Key(const QString& text) const {
    // The C locale's keys are the text's own characters, whatever the case
    // setting: its fold stands in.
    return collator_.sortKey(c_ ? text.toCaseFolded() : text);
}

void SortNames(QStringList& names) {
    const TNameOrder order;
    std::vector<std::pair<QCollatorSortKey, QString>> keyed;
    keyed.reserve(names.size());
    for (const QString& n : names) keyed.emplace_back(order.Key(n), n);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    for (qsizetype i = 0; i < names.size(); ++i) names[i] = keyed[i].second;
}
