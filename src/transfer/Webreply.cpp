#include "transfer/Webreply.h"

#include <QDate>
#include <QLocale>

#include <charconv>
#include <climits>

#include "transfer/Webdocument.h"

std::string GetTagValue(const std::string& openTag, const std::string& text,
                        const std::string& closeTag) {
    const size_t po = text.find(openTag);
    const size_t qo = text.find(closeTag);
    const long long p = po == std::string::npos ? 0 : static_cast<long long>(po) + 1;
    const long long q = qo == std::string::npos ? 0 : static_cast<long long>(qo) + 1;
    const long long start = p + static_cast<long long>(openTag.size());
    const long long count = q - start;
    if (count < 1 || start < 1 || start > static_cast<long long>(text.size())) return "";
    return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}

std::string GetLineValue(const std::string& line, const std::string& tag) {
    const size_t po = line.find(tag);
    const long long p = po == std::string::npos ? 0 : static_cast<long long>(po) + 1;
    const long long start = p + static_cast<long long>(tag.size());
    const size_t lo = line.rfind('<');
    const long long last = lo == std::string::npos ? 0 : static_cast<long long>(lo) + 1;
    const long long count = last - start;
    if (count < 1 || start < 1 || start > static_cast<long long>(line.size())) return "";
    return line.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}

std::string GetLineNumber(const std::string& line, const std::string& tag) {
    std::string v = GetLineValue(line, tag);
    for (char& c : v)
        if (c == ',') c = '.';
    return v;
}

std::vector<std::string> ReplyLines(const std::string& reply) {
    std::vector<std::string> lines;
    std::string cur;
    bool pending = false;
    for (size_t i = 0; i < reply.size(); ++i) {
        const char c = reply[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < reply.size() && reply[i + 1] == '\n') ++i;
            lines.push_back(std::move(cur));
            cur.clear();
            pending = false;
        } else {
            cur += c;
            pending = true;
        }
    }
    if (pending) lines.push_back(std::move(cur));
    return lines;
}

bool TReplyReader::Next(std::string& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    terminated_ = end != std::string::npos;
    if (end == std::string::npos) end = text_.size();
    size_t start = pos_;
    while (start < end && static_cast<unsigned char>(text_[start]) <= ' ') ++start;
    line.assign(text_, start, end - start);
    pos_ = end + 1;
    return true;
}

std::optional<long long> ParseReplyInteger(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    long long v = 0;
    auto r = std::from_chars(first, last, v);
    if (first == last || r.ec != std::errc() || r.ptr != last) return std::nullopt;
    return v;
}

std::optional<double> ParseReplyFloat(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    double v = 0;
    auto r = std::from_chars(first, last, v);
    if (first == last || r.ec != std::errc() || r.ptr != last) return std::nullopt;
    return v;
}

std::string RefusalText(const std::string& reply) {
    const std::string errormsg = XmlText(GetTagValue("<errormsg>", reply, "</errormsg>"));
    if (errormsg.find_first_not_of(" \t\r\n") == std::string::npos)
        return "The web service gave no reason.";
    if (errormsg.find("Username") == std::string::npos) return errormsg;
    return errormsg +
           ".\nGo to settings and give your Peakrally\nusername and password. If you're not a "
           "\nmember of Peakrally, please register.";
}

bool IsNotOkReply(const std::string& reply) {
    return GetTagValue("<replycode>", reply, "</replycode>") == "NOTOK";
}

std::optional<TDateTime> ParseReplyDate(const std::string& text) {
    auto digits = [&](size_t from, size_t n) -> int {
        if (from + n > text.size()) return -1;
        int v = 0;
        for (size_t i = from; i < from + n; ++i) {
            if (text[i] < '0' || text[i] > '9') return -1;
            v = v * 10 + (text[i] - '0');
        }
        return v;
    };
    const int day = digits(0, 2);
    const int month = digits(3, 2);
    int year = -1;
    if (text.size() == 10) year = digits(6, 4);
    else if (text.size() == 8) year = digits(6, 2) + (digits(6, 2) < 0 ? 0 : 2000);
    if (day < 0 || month < 0 || year < 0 || !QDate::isValid(year, month, day)) return std::nullopt;
    return EncodeDateTime(year, month, day);
}

std::vector<TWebCourseTitle> ParseCourseTitles(const std::string& reply) {
    std::vector<TWebCourseTitle> rows;
    TReplyReader r(reply);
    std::string line;
    auto contains = [&](const char* tag) { return line.find(tag) != std::string::npos; };
    bool have = r.Next(line);
    while (have) {
        if (!contains("<SAMPLE>")) {
            have = r.Next(line);
            continue;
        }
        if (!r.Next(line)) break;
        if (!contains("<COURSEID>")) {
            have = r.Next(line);
            continue;
        }
        const auto id = ParseReplyInteger(GetLineValue(line, "<COURSEID>"));
        if (!id || *id < INT_MIN || *id > INT_MAX) {
            have = r.Next(line);
            continue;
        }
        TWebCourseTitle row;
        row.WebId = static_cast<int>(*id);
        if (!r.Next(line)) {
            rows.push_back(row);
            break;
        }
        if (!contains("<COURSENAME>")) {
            rows.push_back(row);
            have = r.Next(line);
            continue;
        }
        row.Name = XmlText(GetLineValue(line, "<COURSENAME>"));
        row.HasDetails = true;
        std::string values[4];
        const char* tags[4] = {"<RATE>", "<COUNTRY>", "<USER>", "<DATE>"};
        for (int k = 0; k < 4; ++k) {
            if (!r.Next(line)) line.clear();
            values[k] = XmlText(GetLineValue(line, tags[k]));
        }
        row.Rate = values[0];
        row.Country = values[1];
        row.User = values[2];
        row.Date = ParseReplyDate(values[3]);
        if (row.Date) {
            const DateTimeParts p = DecodeDateTime(*row.Date);
            row.DateText = QLocale().toString(QDate(p.year, p.month, p.day), QLocale::ShortFormat)
                               .toStdString();
        } else {
            row.DateText = values[3];
        }
        rows.push_back(std::move(row));
        have = r.Next(line);
    }
    return rows;
}
