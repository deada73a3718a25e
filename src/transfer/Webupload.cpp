#include "transfer/Webupload.h"

#include <algorithm>
#include <set>

#include "db/Table.h"
#include "platform/Messagebox.h"
#include "common/Progresswin.h"
#include "transfer/Transfercommon.h"
#include "transfer/Webdocument.h"
#include "transfer/Webexchange.h"
#include "transfer/Webquery.h"
#include "transfer/Webreply.h"

const char* const NetworkErrorText =
    "Network connection error. Please check\nyour firewall settings or that the ethernet\n"
    "cable isn't unplugged.";

std::string NetworkErrorMessage(const std::string& cause, bool mayHaveArrived) {
    std::string text = NetworkErrorText;
    if (!cause.empty()) text += "\n" + cause;
    if (mayHaveArrived) text += "\nThe web service may have received the record all the same.";
    return text;
}

namespace {
void Envelope(TRequestDocument& d, const TUploadAccount& a, const char* data, bool course) {
    d.Raw("<?xml version=\"1.0\" encoding=\"ISO-8859-15\" ?>");
    d.Raw("<U8LOG>");
    d.Raw("\t<HEADER>");
    d.Text(2, "KXBUILDNR", a.BuildNr);
    if (course) d.Raw("\t\t<TYPE>1</TYPE>");
    d.Text(2, "USER", a.UserName);
    d.Text(2, "PWD", a.Password);
    d.Raw("\t\t<WID>U8</WID>");
    d.Raw(std::string("\t\t<DATA>") + data + "</DATA>");
}

std::string N(const char* tag, int n) { return tag + std::to_string(n); }

long long NeedInteger(const std::string& raw, const char* what) {
    const std::string text = XmlText(raw);
    auto v = ParseReplyInteger(text);
    if (!v || *v < -2147483647LL - 1 || *v > 2147483647LL)
        throw EWebReplyError(std::string(what) + " '" + text + "' is not a whole number.");
    return *v;
}

// Sets one integer column of the row the filter finds; no row, no change.
void WriteId(TDatabase& db, const char* table, const std::string& keyColumn, long long key,
             const char* column, long long value) {
    TTable t(&db, table);
    t.SetFilter(keyColumn + "=" + std::to_string(key));
    t.Open();
    if (t.IsEmpty()) return;
    t.Edit();
    t.FieldByName(column).SetAsInteger(value);
    t.Post();
}
} // namespace

std::string CourseUploadDocument(const TTransWiz4::CourseHeader& c, const TUploadAccount& a,
                                 const std::function<int(int)>& holeNumber) {
    TRequestDocument d;
    Envelope(d, a, "COURSES", true);
    d.Raw("\t\t<COURSE></COURSE>");
    d.Text(2, "COURSENAME", c.CourseName);
    d.IntOrEmpty(2, "WEBID", c.WebId);
    d.Text(2, "COUNTRY", c.Country);
    d.Text(2, "EMAIL", c.Email);
    d.Text(2, "STATE", c.State);
    for (int n = 1; n <= 6; ++n) d.RatingOrEmpty(2, N("CRM", n), c.CRM[n - 1]);
    for (int n = 1; n <= 6; ++n) d.RatingOrEmpty(2, N("CRF", n), c.CRF[n - 1]);
    for (int n = 1; n <= 6; ++n) d.IntOrEmpty(2, N("TL", n), c.TL[n - 1]);
    for (int n = 1; n <= 6; ++n) d.IntOrEmpty(2, N("SM", n), c.SM[n - 1]);
    for (int n = 1; n <= 6; ++n) d.IntOrEmpty(2, N("SF", n), c.SF[n - 1]);
    for (int n = 1; n <= 6; ++n)
        d.ColourOrEmpty(2, "TEE" + std::to_string(n) + "COL", c.TeeCol[n - 1]);
    for (int n = 1; n <= 6; ++n) {
        const std::string& name = c.TeeName[n - 1];
        d.Text(2, N("TEENAME", n), name == "0" ? std::string() : name);
    }
    d.Text(2, "COURSED", c.Description);
    d.Text(2, "URL", c.Link);
    d.Text(2, "ADDRESS", c.Address1);
    d.Text(2, "ZIPCODE", c.ZipCode);
    d.Text(2, "TELEPHONE", c.Telephone);
    d.Text(2, "FAX", c.Fax);
    d.Text(2, "ADDRESS2", c.Address2);
    d.Raw("\t</HEADER>");
    const int holes = std::clamp(c.HoleCount, 0, static_cast<int>(c.Holes.size()));
    std::vector<int> numbers(static_cast<size_t>(holes));
    for (int h = 0; h < holes; ++h) {
        const TTransWiz4::CourseSample& s = c.Holes[static_cast<size_t>(h)];
        numbers[static_cast<size_t>(h)] = holeNumber ? holeNumber(s.HoleId) : 0;
        d.Raw("\t<SAMPLE>");
        d.Int(2, "HOLE", numbers[static_cast<size_t>(h)]);
        d.IntOrEmpty(2, "HOLEPAR", s.HolePar);
        for (int n = 1; n <= 6; ++n) d.IntOrEmpty(2, N("HOLELENGTH", n), s.HoleLength[n - 1]);
        d.FixedOrEmpty(2, "LAT1", s.LatitudeM1);
        d.FixedOrEmpty(2, "LON1", s.LongitudeM1);
        d.FixedOrEmpty(2, "LAT2", s.LatitudeM2);
        d.FixedOrEmpty(2, "LON2", s.LongitudeM2);
        d.FixedOrEmpty(2, "LATH", s.LatitudeH);
        d.FixedOrEmpty(2, "LONH", s.LongitudeH);
        d.Text(2, "HWDESC", s.PinDesc);
        for (int n = 1; n <= 6; ++n) {
            d.FixedOrEmpty(2, N("LATT", n), s.LatitudeT[n - 1]);
            d.FixedOrEmpty(2, N("LONT", n), s.LongitudeT[n - 1]);
            d.Text(2, "T" + std::to_string(n) + "DESC", s.TeeDesc[n - 1]);
        }
        d.IntOrEmpty(2, "HCP1", s.HoleHCP1);
        d.IntOrEmpty(2, "HCP2", s.HoleHCP2);
        d.Text(2, "HOLEDESC", s.HoleDesc);
        d.Raw("\t</SAMPLE>");
    }
    for (int h = 0; h < holes; ++h) {
        const TTransWiz4::CourseSample& s = c.Holes[static_cast<size_t>(h)];
        const int points = std::clamp(s.PointCount, 0, TTransWiz4::MaxHolePoints);
        for (int k = 0; k < points; ++k) {
            const auto i = static_cast<size_t>(k);
            d.Raw("\t<WAYPOINT>");
            d.Int(2, "POINTID", s.PointId[i]);
            d.IntOrEmpty(2, "POINTWEBID", s.PointWebId[i]);
            d.Int(2, "HOLENUMBER", numbers[static_cast<size_t>(h)]);
            d.Text(2, "NAME", s.PointName[i]);
            d.Int(2, "TYPE", s.PointType[i]);
            d.FixedOrEmpty(2, "LATITUDE", s.Latitude[i]);
            d.FixedOrEmpty(2, "LONGITUDE", s.Longitude[i]);
            d.Text(2, "DESCRIPTION", s.PointDesc[i]);
            d.Raw("\t</WAYPOINT>");
        }
    }
    d.Raw("</U8LOG>");
    return d.Crlf();
}

std::string BagUploadDocument(const TTransWiz4::TBag& b, const TUploadAccount& a) {
    TRequestDocument d;
    Envelope(d, a, "BAGS", false);
    d.Int(2, "BAGID", b.BagId);
    d.IntOrEmpty(2, "BAGWEBID", b.BagWebId);
    d.Text(2, "BAGNAME", b.BagName);
    d.Raw("\t</HEADER>");
    const int clubs = std::clamp(b.ClubCount, 0, static_cast<int>(b.Clubs.size()));
    for (int j = 0; j < clubs; ++j) {
        const TTransWiz4::ClubSample& c = b.Clubs[static_cast<size_t>(j)];
        d.Raw("\t<SAMPLE>");
        d.Int(2, "CLUBID", c.ClubId);
        d.IntOrEmpty(2, "CLUBWEBID", c.ClubWebId);
        d.Text(2, "CLUBNAME", c.ClubName);
        d.Int(2, "TYPE", c.Type);
        d.Int(2, "ORDERNR", c.OrderNr);
        d.IntOrEmpty(2, "SHOTS", c.Shots);
        d.FixedOrEmpty(2, "SHOTSLEN", c.ShotsLength);
        d.Raw("\t</SAMPLE>");
    }
    d.Raw("</U8LOG>");
    return d.Crlf();
}

std::string RoundUploadDocument(const TTransWiz4::RoundHeader& r, const TUploadAccount& a) {
    TRequestDocument d;
    Envelope(d, a, "ROUNDS", false);
    d.Int(2, "COURSE", r.CourseWebId);
    d.Text(2, "HOLESHOTSTOTAL", r.HoleShotsTotal);
    d.Text(2, "DATE1", r.Date1);
    d.Text(2, "TIME1", r.Time1);
    d.Text(2, "DATE2", r.Date2);
    d.Text(2, "TIME2", r.Time2);
    d.Int(2, "BAG", r.BagWebId);
    d.Int(2, "TEE", r.TeeNumber);
    d.Int(2, "SCORE", r.Score);
    d.Int(2, "SHCP", r.RoundHCP);
    d.Fixed(2, "HCP", r.HCP);
    d.Text(2, "TITLE", r.Title);
    d.IntOrEmpty(2, "WEBID", r.WebId);
    d.Text(2, "DESC", r.Desc);
    d.Text(2, "MARKER", r.Marker);
    d.Int(2, "FIR", r.FIR);
    d.Int(2, "BIR", r.BIR);
    d.Int(2, "GIR", r.GIR);
    d.Int(2, "PUTTS", r.Putts);
    d.Raw("\t</HEADER>");
    const int shots = std::clamp(r.ShotCount, 0, static_cast<int>(r.Shots.size()));
    for (int k = 0; k < shots; ++k) {
        const TTransWiz4::RoundSample& s = r.Shots[static_cast<size_t>(k)];
        d.Raw("\t<SAMPLE>");
        d.Int(2, "HOLE", s.Hole);
        d.FixedOrEmpty(2, "LAT", s.Lat);
        d.FixedOrEmpty(2, "LON", s.Lon);
        d.IntOrEmpty(2, "CLUB", s.Club);
        d.Int(2, "CLUBTYPE", s.ClubType);
        d.IntOrEmpty(2, "PEN", s.Pen);
        d.IntOrEmpty(2, "SHA", s.Sha);
        d.IntOrEmpty(2, "LENGTH", s.Length);
        d.Text(2, "NOTE", s.Note);
        d.Raw("\t</SAMPLE>");
    }
    d.Raw("</U8LOG>");
    return d.Crlf();
}

int HoleNumberOf(TDatabase& db, int holeId) {
    TTable t(&db, "Holes");
    t.SetFilter("HoleId=" + std::to_string(holeId));
    t.Open();
    return t.IsEmpty() ? 0 : t.FieldByName("HoleNumber").AsInteger();
}

bool HasHoleRows(const TTransWiz4::CourseHeader& c) {
    const int holes = std::clamp(c.HoleCount, 0, static_cast<int>(c.Holes.size()));
    for (int h = 0; h < holes; ++h)
        if (c.Holes[static_cast<size_t>(h)].HoleId != 0) return true;
    return false;
}

bool CourseAccepted(const std::string& reply) {
    const std::vector<std::string> lines = ReplyLines(reply);
    if (lines.size() < 3) throw EWebReplyError("The reply is too short.");
    // Anything but OK there is a refusal; its errormsg may stand anywhere.
    return GetTagValue("<REPLYCODE>", lines[2], "</REPLYCODE>") == "OK";
}

bool BagOrRoundAccepted(const std::string& reply) {
    const size_t p = reply.find("<REPLYCODE>");
    if (p == std::string::npos) throw EWebReplyError("The reply has no REPLYCODE.");
    return reply.compare(p + 11, 2, "OK") == 0;
}

void WriteBackCourse(TDatabase& db, const TTransWiz4::CourseHeader& c, const std::string& reply) {
    const std::vector<std::string> lines = ReplyLines(reply);
    if (lines.size() < 5) throw EWebReplyError("The reply is too short.");
    const long long webId = NeedInteger(GetTagValue("<WEBID>", lines[4], "</WEBID>"), "WEBID");
    WriteId(db, "Course_General", "CourseId", c.CourseId, "Web_Id", webId);
    std::set<int> sent;
    const int holes = std::clamp(c.HoleCount, 0, static_cast<int>(c.Holes.size()));
    for (int h = 0; h < holes; ++h) {
        const auto& s = c.Holes[static_cast<size_t>(h)];
        for (int k = 0; k < std::clamp(s.PointCount, 0, TTransWiz4::MaxHolePoints); ++k)
            sent.insert(s.PointId[static_cast<size_t>(k)]);
    }
    for (size_t j = 6; j < lines.size(); j += 4) {
        if (j + 1 >= lines.size()) throw EWebReplyError("A point of the reply has no web id line.");
        const std::string idText = GetTagValue("<POINTID>", lines[j], "</POINTID>");
        const std::string webText = GetTagValue("<POINTWEBID>", lines[j + 1], "</POINTWEBID>");
        if (webText.empty()) continue;
        const long long pointId = NeedInteger(idText, "POINTID");
        const long long pointWebId = NeedInteger(webText, "POINTWEBID");
        if (sent.count(static_cast<int>(pointId)))
            WriteId(db, "Waypoints", "PointId", pointId, "PointWebId", pointWebId);
    }
}

void WriteBackBag(TDatabase& db, const TTransWiz4::TBag& b, const std::string& reply) {
    const std::vector<std::string> lines = ReplyLines(reply);
    if (lines.size() < 6) throw EWebReplyError("The reply is too short.");
    const std::string bagIdText = GetTagValue("<BAGID>", lines[4], "</BAGID>");
    const std::string bagWebText = GetTagValue("<BAGWEBID>", lines[5], "</BAGWEBID>");
    std::set<int> sent;
    for (int j = 0; j < std::clamp(b.ClubCount, 0, static_cast<int>(b.Clubs.size())); ++j)
        sent.insert(b.Clubs[static_cast<size_t>(j)].ClubId);
    for (size_t j = 8; j < lines.size(); j += 4) {
        if (j + 1 >= lines.size()) throw EWebReplyError("A club of the reply has no web id line.");
        const std::string idText = GetTagValue("<CLUBID>", lines[j], "</CLUBID>");
        const std::string webText = GetTagValue("<CLUBWEBID>", lines[j + 1], "</CLUBWEBID>");
        if (webText.empty()) continue;
        const long long clubId = NeedInteger(idText, "CLUBID");
        const long long clubWebId = NeedInteger(webText, "CLUBWEBID");
        if (sent.count(static_cast<int>(clubId)))
            WriteId(db, "ClubDetail", "ClubId", clubId, "ClubWebId", clubWebId);
    }
    if (bagWebText.empty()) return;
    const long long bagId = NeedInteger(bagIdText, "BAGID");
    const long long bagWebId = NeedInteger(bagWebText, "BAGWEBID");
    if (bagId == b.BagId) WriteId(db, "GolfBag", "BagId", bagId, "BagWebId", bagWebId);
}

void WriteBackRound(TDatabase& db, const TTransWiz4::RoundHeader& r, const std::string& reply) {
    const std::string text = GetTagValue("<ROUNDID>", reply, "</ROUNDID>");
    if (text.empty()) return;
    // An id of 0 or below names no round of the service: it is not kept.
    const long long webId = NeedInteger(text, "ROUNDID");
    if (webId > 0) WriteId(db, "Round", "RoundId", r.RoundId, "Web_Id", webId);
}

void TWebUpload::Run(const TTransferBuffers& buffers, int kind, int count) {
    static const char* const headings[] = {"Transfered Courses:", "Transfered Bags:",
                                           "Transfered Rounds:"};
    static const char* const texts[] = {"Transfering course data",
                                        "Transfering bags and clubs data",
                                        "Transfering rounds data"};
    if (kind < 0 || kind > 2) return;
    const TWebSettings s = ReadWebSettings(userId_);
    try {
        http_.SetProxy(s.FirewallAdress, s.Portnumber);
    } catch (const std::exception& e) {
        ShowErrorMessage(e, "Caddora");
        return;
    }
    const TUploadAccount account{BuildNumber(fileVersion_), s.UserName, s.Password};
    std::vector<std::string> memo;
    TProgressScope progress("Connecting...");
    for (int i = 0; i < count; ++i) {
        std::string body, name;
        if (kind == 0) {
            const auto& c = buffers.Courses.at(static_cast<size_t>(i));
            if (!HasHoleRows(c)) {
                HideProgress();
                MessageBox("The course " + c.CourseName + " has no holes.\nIt was not transferred.",
                           "Transfer not ok!");
                return;  // ends the upload, as a course the service refuses does
            }
            body = CourseUploadDocument(c, account, [this](int id) { return HoleNumberOf(db_, id); });
            name = c.CourseName;
        } else if (kind == 1) {
            const auto& b = buffers.Bags.at(static_cast<size_t>(i));
            body = BagUploadDocument(b, account);
            name = b.BagName;
        } else {
            const auto& r = buffers.Rounds.at(static_cast<size_t>(i));
            body = RoundUploadDocument(r, account);
            name = r.Title;
        }
        bool accepted = false;
        try {
            TRequestFile file("transfer" + std::to_string(i + 1) + ".xml", body);
            progress.SetMessage(texts[kind]);
            std::string reply;
            bool answered = false;  // the service had the whole request
            try {
                reply = http_.Post(ServiceUrl(s.Address), file.Read());
                answered = true;
                const bool ok = kind == 0 ? CourseAccepted(reply) : BagOrRoundAccepted(reply);
                if (ok) {
                    if (kind == 0) WriteBackCourse(db_, buffers.Courses.at(static_cast<size_t>(i)), reply);
                    if (kind == 1) WriteBackBag(db_, buffers.Bags.at(static_cast<size_t>(i)), reply);
                    if (kind == 2) WriteBackRound(db_, buffers.Rounds.at(static_cast<size_t>(i)), reply);
                    if (memo.empty()) memo.push_back(headings[kind]);
                    memo.push_back(name);
                    if (OnMemo) OnMemo(memo);
                    accepted = true;
                }
            } catch (const ENetworkError& e) {
                HideProgress();
                MessageBox(NetworkErrorMessage(e.what(), e.MayHaveArrived), "Network connection error");
                continue;
            } catch (const std::exception& e) {
                HideProgress();
                MessageBox(NetworkErrorMessage(e.what(), answered), "Network connection error");
                continue;
            }
            if (!accepted) {
                HideProgress();
                MessageBox(RefusalText(reply), "Transfer not ok!");
                if (kind == 0) return;  // a refused course ends the upload
                continue;
            }
        } catch (const std::exception& e) {
            // The request file could not be written or read back.
            HideProgress();
            ShowErrorMessage(e, "Caddora");
            return;
        }
        HideProgress();
        MessageBox("Transfer ok!", "Transfer succeeded");
    }
}
