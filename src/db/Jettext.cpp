#include "db/Jettext.h"

#include <sqlite3.h>

#include <QLocale>
#include <algorithm>
#include <array>
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

// Folded in place: the characters below U+0530 (Latin, IPA, Greek,
// Cyrillic) whose fold, as Qt folds them, is one character. Any other
// character (from U+0530 on, such as the Kelvin sign or a byte-order mark)
// and bytes that are no UTF-8 go the long way, through Folded.
constexpr char32_t kInPlaceEnd = 0x0530;
constexpr char32_t kLongWay = 0xFFFFFFFF;

const std::array<char32_t, kInPlaceEnd>& FoldTable() {
    static const std::array<char32_t, kInPlaceEnd> table = [] {
        std::array<char32_t, kInPlaceEnd> t{};
        for (char32_t c = 0; c < kInPlaceEnd; ++c) {
            const QString f = QString(QChar(char16_t(c))).toCaseFolded();
            t[c] = f.size() == 1 ? f[0].unicode() : kLongWay;
        }
        return t;
    }();
    return table;
}

// A UTF-8 text read one folded character at a time, without a copy.
struct TInPlaceText {
    const unsigned char* s;
    size_t n;
    const std::array<char32_t, kInPlaceEnd>& fold = FoldTable();

    bool End(size_t pos) const { return pos >= n; }
    // The folded character at pos and the position after it; false for one
    // that is not folded in place.
    bool Read(size_t pos, char32_t& c, size_t& next) const {
        const unsigned char b = s[pos];
        if (b < 0x80) {
            c = fold[b];
            next = pos + 1;
            return true;
        }
        // Two bytes, not overlong: U+0080 to U+07FF.
        if (b < 0xC2 || b > 0xDF || pos + 1 >= n || (s[pos + 1] & 0xC0) != 0x80) return false;
        const char32_t u = char32_t(b & 0x1F) << 6 | (s[pos + 1] & 0x3F);
        if (u >= kInPlaceEnd || fold[u] == kLongWay) return false;
        c = fold[u];
        next = pos + 2;
        return true;
    }
};

enum class TMatch { No, Yes, LongWay };

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
                while (i + 1 < pn && p[i + 1] == C('%')) ++i;
                if (i + 1 == pn) return true;
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

// The same on texts folded as they are read; LongWay when a character of p
// or s is not folded in place.
TMatch MatchInPlace(const TInPlaceText& p, const TInPlaceText& s, bool hasEsc, char32_t esc) {
    constexpr size_t kNone = SIZE_MAX;
    size_t i = 0, j = 0;
    size_t starP = kNone, starS = 0;
    char32_t pc = 0, sc = 0;
    size_t pNext = 0, sNext = 0;
    while (!s.End(j)) {
        if (!s.Read(j, sc, sNext)) return TMatch::LongWay;
        if (!p.End(i)) {
            if (!p.Read(i, pc, pNext)) return TMatch::LongWay;
            if (hasEsc && pc == esc) {
                char32_t plain = 0;
                size_t after = 0;
                if (!p.End(pNext)) {
                    if (!p.Read(pNext, plain, after)) return TMatch::LongWay;
                    if (plain == sc) {
                        i = after;
                        j = sNext;
                        continue;
                    }
                }
            } else if (pc == U'%') {
                // A run of % that ends the pattern takes the rest as it is.
                while (!p.End(pNext) && p.s[pNext] == '%') ++pNext;
                if (p.End(pNext)) return TMatch::Yes;
                starP = i = pNext;
                starS = j;
                continue;
            } else if (pc == U'_' || pc == sc) {
                i = pNext;
                j = sNext;
                continue;
            }
        }
        if (starP == kNone) return TMatch::No;
        i = starP;
        if (!s.Read(starS, sc, sNext)) return TMatch::LongWay;
        j = starS = sNext;
    }
    while (!p.End(i)) {
        if (!p.Read(i, pc, pNext)) return TMatch::LongWay;
        if (pc != U'%') break;
        i = pNext;
    }
    return p.End(i) ? TMatch::Yes : TMatch::No;
}

// Like with the whole texts folded first (only ASCII: as they are read, the
// escape unfolded).
bool LikeLongWay(const unsigned char* pattern, int pn, const unsigned char* text, int tn,
                 const unsigned char* esc, int en) {
    if (IsAscii(pattern, pn) && IsAscii(text, tn) && (!esc || IsAscii(esc, en)))
        return Match(pattern, size_t(pn), text, size_t(tn), esc != nullptr,
                     static_cast<unsigned char>(esc ? esc[0] : 0), AsciiFold);
    const std::vector<char32_t> p = Folded(pattern, pn), t = Folded(text, tn);
    const char32_t e = esc ? Folded(esc, en).front() : U'\0';
    return Match(p.data(), p.size(), t.data(), t.size(), esc != nullptr, e, [](char32_t c) { return c; });
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
        const bool single = esc && ((en == 1 && esc[0] < 0x80) ||
                                    QString::fromUtf8(reinterpret_cast<const char*>(esc), en).toUcs4().size() == 1);
        if (!single) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
    }
    // An escape that is a letter, or no ASCII, matches as the long way has it.
    TMatch match = TMatch::LongWay;
    if (!esc || (esc[0] < 0x80 && unsigned((esc[0] | 0x20) - 'a') >= 26u))
        match = MatchInPlace(TInPlaceText{pattern, size_t(pn)}, TInPlaceText{text, size_t(tn)}, esc != nullptr,
                             esc ? esc[0] : 0);
    const bool yes = match == TMatch::LongWay ? LikeLongWay(pattern, pn, text, tn, esc, en) : match == TMatch::Yes;
    sqlite3_result_int(ctx, yes ? 1 : 0);
}

// Texts in case-folded character order: ASCII as NOCASE does, every other
// letter by its fold.
int Compare(void*, int an, const void* a, int bn, const void* b) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    const TInPlaceText tx{x, size_t(an)}, ty{y, size_t(bn)};
    size_t i = 0, j = 0;
    for (;;) {
        if (tx.End(i) && ty.End(j)) return 0;
        // A character that is not read may fold to none (a leading BOM).
        char32_t cx = 0, cy = 0;
        size_t ni = 0, nj = 0;
        if ((!tx.End(i) && !tx.Read(i, cx, ni)) || (!ty.End(j) && !ty.Read(j, cy, nj))) break;
        if (tx.End(i) || ty.End(j)) return tx.End(i) ? -1 : 1;
        if (cx != cy) return cx < cy ? -1 : 1;
        i = ni;
        j = nj;
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
