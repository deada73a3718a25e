// The web service's reply readers on any bytes: the tag and line scans, the
// search reply, the refusal text, the text decoder, and the course download's
// import into a database (rolled back after each input). The result is data
// or the readers' own errors; nothing else.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "Fuzzdb.h"
#include "db/Database.h"
#include "transfer/Webdocument.h"
#include "transfer/Webquery.h"
#include "transfer/Webreply.h"

namespace {
TDatabase& Db() { return fuzzdb::Db("web"); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    GetTagValue("<REPLYCODE>", text, "</REPLYCODE>");
    GetTagValue("<ROUNDID>", text, "</ROUNDID>");
    for (const std::string& line : ReplyLines(text)) {
        GetLineValue(line, "<COURSEID>");
        GetLineNumber(line, "<CRM1>");
    }
    ParseCourseTitles(text);
    ParseReplyDate(text);
    RefusalText(text);
    IsNotOkReply(text);
    const std::string decoded = XmlText(text);
    if (XmlText(XmlValue(decoded)) != XmlText(XmlValue(XmlText(XmlValue(decoded)))))
        __builtin_trap();  // escaping and decoding must settle after one round
    TDatabase& db = Db();
    db.StartTransaction();
    try {
        TWebCourseImport(db).Import(text);
    } catch (const std::exception&) {
    }
    db.Rollback();
    return 0;
}
