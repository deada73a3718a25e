#pragma once
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Datetime.h"

// Readers of the web service's replies. They scan the raw reply (ISO-8859-15
// with entities); every value they hand on has been decoded (XmlText).

// A reply that does not have the shape the reader needs.
class EWebReplyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text between the first openTag and the first closeTag; "" when the
// closing tag is missing or comes first. Without the opening tag the scan
// starts at the tag's length (positions counted from 1), as the service's
// readers always did. Case-sensitive, no nesting. Not decoded.
std::string GetTagValue(const std::string& openTag, const std::string& text,
                        const std::string& closeTag);

// A reply line's value: from just after the first tag up to, not including,
// the line's last "<"; "" when that span is empty. Without the tag the span
// starts at the character whose position equals the tag's length. Not decoded.
std::string GetLineValue(const std::string& line, const std::string& tag);
// GetLineValue with every "," as "." (numbers are read with ".").
std::string GetLineNumber(const std::string& line, const std::string& tag);

// The reply split at carriage return, line feed or both; line 2 is the third.
std::vector<std::string> ReplyLines(const std::string& reply);

// Lines of a search or download reply, read whole at line feeds, each without
// its leading blanks and control characters.
class TReplyReader {
public:
    explicit TReplyReader(const std::string& reply) : text_(reply) {}
    // The next line; false at the end of the reply.
    bool Next(std::string& line);
    bool AtEnd() const { return pos_ >= text_.size(); }
    // False when the line last read ended with the reply, without a line feed.
    bool Terminated() const { return terminated_; }

private:
    const std::string& text_;
    size_t pos_ = 0;
    bool terminated_ = true;
};

// Parsing of the numbers of a reply: the whole text must be the number.
std::optional<long long> ParseReplyInteger(const std::string& text);
std::optional<double> ParseReplyFloat(const std::string& text);

// The refusal text of a reply: errormsg, and when it names "Username" the
// advice to fill in the account; a line saying so when errormsg is empty.
std::string RefusalText(const std::string& reply);

// One course of a CourseTitlesReply.
struct TWebCourseTitle {
    int WebId = 0;
    std::string Name;
    bool HasDetails = false;  // false: the COURSENAME line was missing
    std::string Rate;
    std::string Country;
    std::string User;
    std::string DateText;                  // as the list shows it
    std::optional<TDateTime> Date;         // none when DATE is no date
};

// "<replycode>NOTOK</replycode>" in a search or download reply.
bool IsNotOkReply(const std::string& reply);

// The rows of a CourseTitlesReply in reply order. A COURSEID that is no whole
// number skips its row.
std::vector<TWebCourseTitle> ParseCourseTitles(const std::string& reply);

// DATE of a search reply: day in characters 1-2, month in 4-5, then a two-digit
// year (2000 + it) or a four-digit one; none when that is no date.
std::optional<TDateTime> ParseReplyDate(const std::string& text);
