#include "db/Jetfilter.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

namespace {

constexpr int kMaxFilterDepth = 100;
constexpr size_t kMaxFilterLength = 65536;

bool IsIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}
bool IsIdentChar(char c) { return IsIdentStart(c) || std::isdigit(static_cast<unsigned char>(c)); }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::string Lower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool IsKeyword(const std::string& lower) {
    return lower == "and" || lower == "or" || lower == "not" || lower == "like" || lower == "is";
}

enum class Tok { End, Ident, Number, String, Op, LParen, RParen, Comma, Dot, Word };

struct Token {
    Tok kind = Tok::End;
    std::string text;  // identifier, string value, number text, operator, lower-case keyword
    size_t pos = 0;
};

class ParseError {
public:
    explicit ParseError(std::string m) : message(std::move(m)) {}
    std::string message;
};

class Lexer {
public:
    explicit Lexer(const std::string& s) : s_(s) {}

    Token Next() {
        while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
        Token t;
        t.pos = i_;
        if (i_ >= s_.size()) return t;
        const char c = s_[i_];
        if (c == '[') {
            const size_t close = s_.find(']', i_ + 1);
            if (close == std::string::npos) throw ParseError("missing ']'");
            t.kind = Tok::Ident;
            t.text = s_.substr(i_ + 1, close - i_ - 1);
            if (t.text.empty()) throw ParseError("empty column name");
            i_ = close + 1;
            return t;
        }
        if (c == '\'' || c == '"') {
            t.kind = Tok::String;
            ++i_;
            for (;;) {
                if (i_ >= s_.size()) throw ParseError("missing closing quote");
                if (s_[i_] == c) {
                    if (i_ + 1 < s_.size() && s_[i_ + 1] == c) {
                        t.text += c;
                        i_ += 2;
                        continue;
                    }
                    ++i_;
                    break;
                }
                t.text += s_[i_++];
            }
            return t;
        }
        if (IsDigit(c) || (c == '.' && i_ + 1 < s_.size() && IsDigit(s_[i_ + 1]))) {
            size_t j = i_;
            while (j < s_.size() && IsDigit(s_[j])) ++j;
            // A name such as 18Holes starts with digits; "1and" is a number and a keyword.
            if (j < s_.size() && IsIdentStart(s_[j])) {
                size_t k = j;
                while (k < s_.size() && IsIdentChar(s_[k])) ++k;
                if (!IsKeyword(Lower(std::string_view(s_).substr(j, k - j)))) {
                    t.kind = Tok::Ident;
                    t.text = s_.substr(i_, k - i_);
                    i_ = k;
                    return t;
                }
            }
            if (j < s_.size() && s_[j] == '.') {
                ++j;
                while (j < s_.size() && IsDigit(s_[j])) ++j;
            }
            t.kind = Tok::Number;
            t.text = s_.substr(i_, j - i_);
            i_ = j;
            return t;
        }
        if (IsIdentStart(c)) {
            size_t j = i_;
            while (j < s_.size() && IsIdentChar(s_[j])) ++j;
            t.text = s_.substr(i_, j - i_);
            i_ = j;
            const std::string lower = Lower(t.text);
            if (IsKeyword(lower) || lower == "null" || lower == "true" || lower == "false") {
                t.kind = Tok::Word;
                t.text = lower;
            } else {
                t.kind = Tok::Ident;
            }
            return t;
        }
        ++i_;
        switch (c) {
            case '(': t.kind = Tok::LParen; return t;
            case ')': t.kind = Tok::RParen; return t;
            case ',': t.kind = Tok::Comma; return t;
            case '.': t.kind = Tok::Dot; return t;
            case '=': t.kind = Tok::Op; t.text = "="; return t;
            case '-': t.kind = Tok::Op; t.text = "-"; return t;
            case '+': t.kind = Tok::Op; t.text = "+"; return t;
            case '<':
                t.kind = Tok::Op;
                if (i_ < s_.size() && (s_[i_] == '>' || s_[i_] == '=')) t.text = std::string("<") + s_[i_++];
                else t.text = "<";
                return t;
            case '>':
                t.kind = Tok::Op;
                if (i_ < s_.size() && s_[i_] == '=') {
                    t.text = ">=";
                    ++i_;
                } else {
                    t.text = ">";
                }
                return t;
            case '!':
                if (i_ < s_.size() && s_[i_] == '=') {
                    ++i_;
                    t.kind = Tok::Op;
                    t.text = "<>";
                    return t;
                }
                break;
            default: break;
        }
        throw ParseError(std::string("unexpected character '") + c + "'");
    }

private:
    const std::string& s_;
    size_t i_ = 0;
};

// Jet pattern (* any run, ? one character) as an SQLite LIKE pattern with '\'
// escaping the literal % _ and \.
std::string LikePattern(const std::string& jet) {
    std::string r;
    r.reserve(jet.size() + 4);
    for (char c : jet) {
        switch (c) {
            case '*': r += '%'; break;
            case '?': r += '_'; break;
            case '%':
            case '_':
            case '\\':
                r += '\\';
                r += c;
                break;
            default: r += c;
        }
    }
    return r;
}

class Parser {
public:
    Parser(const std::string& text, const std::vector<std::string>* columns, const std::string& table,
           std::vector<TVariant>* params)
        : lex_(text), columns_(columns), table_(table), params_(params) {
        Advance();
    }

    std::string Parse() {
        std::string sql = Or();
        if (tok_.kind != Tok::End) throw ParseError("unexpected '" + Describe(tok_) + "'");
        return sql;
    }

private:
    // Nesting of brackets and "Not" is bounded, so hostile text cannot
    // exhaust the stack (SQLite's own expression depth is 1000).
    struct DepthGuard {
        explicit DepthGuard(int& depth) : depth_(depth) {
            if (++depth_ > kMaxFilterDepth) {
                --depth_;
                throw ParseError("nested too deeply");
            }
        }
        ~DepthGuard() { --depth_; }
        int& depth_;
    };

    void Advance() { tok_ = lex_.Next(); }
    bool IsWord(const char* w) const { return tok_.kind == Tok::Word && tok_.text == w; }

    static std::string Describe(const Token& t) {
        switch (t.kind) {
            case Tok::End: return "end of text";
            case Tok::String: return "'" + t.text + "'";
            case Tok::LParen: return "(";
            case Tok::RParen: return ")";
            case Tok::Comma: return ",";
            case Tok::Dot: return ".";
            default: return t.text;
        }
    }

    std::string Or() {
        std::string sql = And();
        while (IsWord("or")) {
            Advance();
            sql = sql + " OR " + And();
        }
        return sql;
    }

    std::string And() {
        std::string sql = Not();
        while (IsWord("and")) {
            Advance();
            sql = sql + " AND " + Not();
        }
        return sql;
    }

    std::string Not() {
        if (IsWord("not")) {
            Advance();
            DepthGuard guard(depth_);
            return "NOT " + Not();
        }
        return Predicate();
    }

    std::string Predicate() {
        const bool leftText = tok_.kind == Tok::String;
        std::string left = Operand();
        if (tok_.kind == Tok::Op && tok_.text != "-" && tok_.text != "+") {
            const std::string op = tok_.text;
            Advance();
            const bool rightText = tok_.kind == Tok::String;
            std::string sql = left + " " + op + " " + Operand();
            // Texts are equal whatever the case of any letter.
            if ((leftText || rightText) && (op == "=" || op == "<>")) sql += " COLLATE JETTEXT";
            return sql;
        }
        bool negate = false;
        if (IsWord("not")) {
            Advance();
            if (!IsWord("like")) throw ParseError("'Like' expected after 'Not'");
            negate = true;
        }
        if (IsWord("like")) {
            Advance();
            std::string right;
            if (tok_.kind == Tok::String) {
                right = Param(TVariant(LikePattern(tok_.text)));
                Advance();
                right += " ESCAPE '\\'";
            } else {
                right = Operand();
            }
            return left + (negate ? " NOT LIKE " : " LIKE ") + right;
        }
        if (IsWord("is")) {
            Advance();
            bool isNot = false;
            if (IsWord("not")) {
                isNot = true;
                Advance();
            }
            if (!IsWord("null")) throw ParseError("'Null' expected after 'Is'");
            Advance();
            return left + (isNot ? " IS NOT NULL" : " IS NULL");
        }
        return left;
    }

    std::string Operand() {
        switch (tok_.kind) {
            case Tok::LParen: {
                Advance();
                DepthGuard guard(depth_);
                std::string inner = Or();
                if (tok_.kind != Tok::RParen) throw ParseError("')' expected");
                Advance();
                return "(" + inner + ")";
            }
            case Tok::String: {
                std::string p = Param(TVariant(tok_.text));
                Advance();
                return p;
            }
            case Tok::Number: {
                std::string p = Param(NumberValue(tok_.text, false));
                Advance();
                return p;
            }
            case Tok::Op:
                if (tok_.text == "-" || tok_.text == "+") {
                    const bool minus = tok_.text == "-";
                    Advance();
                    if (tok_.kind != Tok::Number) throw ParseError("number expected after '-'");
                    std::string p = Param(NumberValue(tok_.text, minus));
                    Advance();
                    return p;
                }
                break;
            case Tok::Word:
                if (tok_.text == "true" || tok_.text == "false") {
                    const bool value = tok_.text == "true";
                    Advance();
                    return value ? "1" : "0";
                }
                if (tok_.text == "null") {
                    Advance();
                    return "NULL";
                }
                break;
            case Tok::Ident: {
                std::string first = tok_.text;
                Advance();
                if (tok_.kind == Tok::Dot) {
                    Advance();
                    if (tok_.kind != Tok::Ident) throw ParseError("column name expected after '.'");
                    std::string second = tok_.text;
                    Advance();
                    if (columns_) {
                        if (!SameText(first, table_)) throw ParseError("unknown table '" + first + "'");
                        return Column(second);
                    }
                    return QuoteIdentifier(first) + "." + QuoteIdentifier(second);
                }
                return Column(first);
            }
            default: break;
        }
        throw ParseError("unexpected '" + Describe(tok_) + "'");
    }

    std::string Column(const std::string& name) {
        if (!columns_) return QuoteIdentifier(name);
        for (const std::string& c : *columns_)
            if (SameText(c, name)) return QuoteIdentifier(c);
        throw ParseError("unknown column '" + name + "'");
    }

    static TVariant NumberValue(const std::string& text, bool minus) {
        if (text.find('.') == std::string::npos && text.size() <= 18) {
            const long long v = std::strtoll(text.c_str(), nullptr, 10);
            return TVariant(minus ? -v : v);
        }
        const double v = std::strtod(text.c_str(), nullptr);
        return TVariant(minus ? -v : v);
    }

    std::string Param(TVariant v) {
        params_->push_back(std::move(v));
        return "?";
    }

    Lexer lex_;
    Token tok_;
    const std::vector<std::string>* columns_;
    const std::string& table_;
    std::vector<TVariant>* params_;
    int depth_ = 0;
};

}  // namespace

std::string QuoteIdentifier(const std::string& name) {
    std::string r = "\"";
    for (char c : name) {
        if (c == '"') r += '"';
        r += c;
    }
    return r + "\"";
}

std::string JetConditionToSql(const std::string& condition, const std::vector<std::string>* columns,
                              const std::string& tableName, std::vector<TVariant>* params) {
    std::vector<TVariant> local;
    if (condition.size() > kMaxFilterLength)
        throw EDatabaseError("Invalid filter \"" + condition.substr(0, 60) + "...\": longer than " +
                             std::to_string(kMaxFilterLength) + " characters.");
    try {
        Parser p(condition, columns, tableName, &local);
        std::string sql = p.Parse();
        if (params) params->insert(params->end(), local.begin(), local.end());
        return sql;
    } catch (const ParseError& e) {
        throw EDatabaseError("Invalid filter \"" + condition + "\": " + e.message + ".");
    }
}

std::vector<TSortTerm> JetSortTerms(const std::string& term, const std::vector<std::string>* columns) {
    std::vector<TSortTerm> terms;
    size_t i = 0;
    auto fail = [&](const std::string& why) -> EDatabaseError {
        return EDatabaseError("Invalid sort \"" + term + "\": " + why + ".");
    };
    auto skipSpace = [&] {
        while (i < term.size() && std::isspace(static_cast<unsigned char>(term[i]))) ++i;
    };
    for (;;) {
        skipSpace();
        std::string name;
        if (i < term.size() && term[i] == '[') {
            const size_t close = term.find(']', i + 1);
            if (close == std::string::npos) throw fail("missing ']'");
            name = term.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            const size_t start = i;
            while (i < term.size() && IsIdentChar(term[i])) ++i;
            name = term.substr(start, i - start);
        }
        if (name.empty()) throw fail("column name expected");
        std::string column;
        if (columns) {
            for (const std::string& c : *columns)
                if (SameText(c, name)) column = c;
            if (column.empty()) throw fail("unknown column '" + name + "'");
        } else {
            column = name;
        }
        skipSpace();
        const size_t start = i;
        while (i < term.size() && std::isalpha(static_cast<unsigned char>(term[i]))) ++i;
        const std::string dir = Lower(std::string_view(term).substr(start, i - start));
        if (!dir.empty() && dir != "asc" && dir != "desc") throw fail("ASC or DESC expected");
        terms.push_back({column, dir == "desc"});
        skipSpace();
        if (i >= term.size()) break;
        if (term[i] != ',') throw fail("unexpected text after the sort order");
        ++i;
    }
    return terms;
}

std::string JetSortToSql(const std::string& term, const std::vector<std::string>* columns) {
    std::string sql;
    for (const TSortTerm& t : JetSortTerms(term, columns))
        sql += (sql.empty() ? "" : ", ") + QuoteIdentifier(t.column) + (t.descending ? " DESC" : " ASC");
    return sql;
}
