#include "sim/Webdouble.h"

#include <httplib.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace webdouble {

// What the double reads of a request document.
struct Doc {
    bool wellFormed = false;
    std::string error;
    std::string encoding;
    Fields header;
    std::vector<Fields> samples;
    std::vector<Fields> waypoints;
};

namespace {

std::string Content(xmlNode* n) {
    xmlChar* c = xmlNodeGetContent(n);
    std::string s = c ? reinterpret_cast<const char*>(c) : "";
    xmlFree(c);
    return s;
}

Fields Children(xmlNode* parent) {
    Fields f;
    for (xmlNode* n = parent->children; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE) f[reinterpret_cast<const char*>(n->name)] = Content(n);
    return f;
}

Doc Parse(const std::string& body) {
    Doc d;
    xmlResetLastError();
    xmlDocPtr doc = xmlReadMemory(body.data(), static_cast<int>(body.size()), "request.xml",
                                  nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR |
                                               XML_PARSE_NOWARNING);
    if (!doc) {
        const xmlError* e = xmlGetLastError();
        d.error = e && e->message ? e->message : "not well-formed";
        return d;
    }
    if (doc->encoding) d.encoding = reinterpret_cast<const char*>(doc->encoding);
    xmlNode* root = xmlDocGetRootElement(doc);
    if (!root || std::string(reinterpret_cast<const char*>(root->name)) != "U8LOG") {
        d.error = "root is not U8LOG";
        xmlFreeDoc(doc);
        return d;
    }
    bool header = false;
    for (xmlNode* n = root->children; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE) continue;
        const std::string name = reinterpret_cast<const char*>(n->name);
        if (name == "HEADER") {
            d.header = Children(n);
            header = true;
        } else if (name == "SAMPLE") {
            d.samples.push_back(Children(n));
        } else if (name == "WAYPOINT") {
            d.waypoints.push_back(Children(n));
        }
    }
    xmlFreeDoc(doc);
    if (!header) {
        d.error = "no HEADER";
        return d;
    }
    d.wellFormed = true;
    return d;
}

bool IsNumber(const std::string& s) {
    if (s.empty()) return false;
    size_t i = s[0] == '-' ? 1 : 0;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return s.size() < 10;
}

std::string Get(const Fields& f, const std::string& k) {
    auto it = f.find(k);
    return it == f.end() ? std::string() : it->second;
}

bool ContainsNoCase(const std::string& hay, const std::string& needle) {
    auto it = std::search(hay.begin(), hay.end(), needle.begin(), needle.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
    return it != hay.end();
}
} // namespace

std::string Escape(const std::string& utf8) {
    // ISO-8859-15 bytes for what it has; a character reference otherwise.
    static const std::pair<unsigned, unsigned char> special[] = {
        {0x20AC, 0xA4}, {0x160, 0xA6}, {0x161, 0xA8}, {0x17D, 0xB4},
        {0x17E, 0xB8},  {0x152, 0xBC}, {0x153, 0xBD}, {0x178, 0xBE}};
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char b = static_cast<unsigned char>(utf8[i]);
        unsigned cp = b;
        int len = 1;
        if (b >= 0xF0 && i + 3 < utf8.size() + 0) len = 4;
        else if (b >= 0xE0) len = 3;
        else if (b >= 0xC0) len = 2;
        if (len > 1 && i + len <= utf8.size()) {
            cp = b & (0xFF >> (len + 1));
            for (int k = 1; k < len; ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
        } else {
            len = 1;
        }
        i += len;
        if (cp == '&') out += "&amp;";
        else if (cp == '<') out += "&lt;";
        else if (cp == '>') out += "&gt;";
        else if (cp < 0x80) out += static_cast<char>(cp);
        else {
            int byte = -1;
            for (auto& [code, iso] : special) {
                if (code == cp) byte = iso;
                if (iso == cp) byte = -2;
            }
            if (byte == -1 && cp < 0x100) byte = static_cast<int>(cp);
            if (byte >= 0) out += static_cast<char>(byte);
            else out += "&#" + std::to_string(cp) + ";";
        }
    }
    return out;
}

std::string LoggedRequest::Header(const std::string& name) const {
    for (const auto& [k, v] : headers)
        if (strcasecmp(k.c_str(), name.c_str()) == 0) return v;
    return "";
}

WebDouble::WebDouble(unsigned seed) : rng_(seed) {
    xmlInitParser();
    server_ = std::make_unique<httplib::Server>();
    // The path, or the absolute URL a proxy client puts on the request line.
    server_->Post(R"((?:http://[^/]+)?/loadu8/default\.asp)",
                  [this](const httplib::Request& req, httplib::Response& res) {
        LoggedRequest log;
        log.method = req.method;
        log.target = req.target;
        for (const auto& [k, v] : req.headers) log.headers.emplace_back(k, v);
        log.body = req.body;
        Reply r = Respond(req.body, log);
        log.reply = r.body;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            log_.push_back(log);
        }
        if (r.hasFault && r.fault == Fault::NoAnswer) {
            std::unique_lock<std::mutex> lock(mutex_);
            stopCv_.wait_for(lock, std::chrono::milliseconds(HoldMs), [this] { return stopping_; });
        }
        if (r.hasFault && r.fault == Fault::DropAfterHeaders) {
            res.set_content_provider(r.body.size() + 64, "text/xml",
                                     [](size_t, size_t, httplib::DataSink&) { return false; });
            return;
        }
        if (r.hasFault && r.fault == Fault::Trickle) {
            auto body = std::make_shared<std::string>(r.body);
            res.set_content_provider(body->size(), "text/xml",
                                     [this, body](size_t offset, size_t, httplib::DataSink& sink) {
                {
                    std::unique_lock<std::mutex> lock(mutex_);
                    if (stopCv_.wait_for(lock, std::chrono::milliseconds(TrickleMs),
                                         [this] { return stopping_; }))
                        return false;
                }
                sink.write(body->data() + offset, 1);
                return true;
            });
            return;
        }
        res.status = r.status;
        res.set_content(r.body, "text/xml; charset=ISO-8859-15");
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    for (int i = 0; i < 5000 && !server_->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

WebDouble::~WebDouble() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stopCv_.notify_all();
    server_->stop();
    if (thread_.joinable()) thread_.join();
}

void WebDouble::SetAccount(const std::string& user, const std::string& password) {
    std::lock_guard<std::mutex> lock(mutex_);
    user_ = user;
    password_ = password;
    checkAccount_ = true;
}

void WebDouble::SetIdStarts(int course, int point, int bag, int club, int round) {
    std::lock_guard<std::mutex> lock(mutex_);
    nextCourse_ = course;
    nextPoint_ = point;
    nextBag_ = bag;
    nextClub_ = club;
    nextRound_ = round;
}

void WebDouble::QueueFault(Fault f) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.push_back(f);
}

void WebDouble::FaultOnData(const std::string& data, Fault f) {
    std::lock_guard<std::mutex> lock(mutex_);
    dataFaults_[data] = f;
}

std::vector<LoggedRequest> WebDouble::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

void WebDouble::ClearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.clear();
}

void WebDouble::AddCourse(const Course& c) {
    std::lock_guard<std::mutex> lock(mutex_);
    Course copy = c;
    if (copy.webId == 0) copy.webId = nextCourse_++;
    for (Fields& p : copy.points)
        if (!IsNumber(Get(p, "POINTWEBID")) || Get(p, "POINTWEBID") == "0")
            p["POINTWEBID"] = std::to_string(nextPoint_++);
    courses_.push_back(copy);
}

void WebDouble::RemoveCourse(int webId) {
    std::lock_guard<std::mutex> lock(mutex_);
    courses_.erase(std::remove_if(courses_.begin(), courses_.end(),
                                  [webId](const Course& c) { return c.webId == webId; }),
                   courses_.end());
}

std::vector<Course> WebDouble::Courses() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return courses_;
}
std::vector<Bag> WebDouble::Bags() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return bags_;
}
std::vector<Round> WebDouble::Rounds() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return rounds_;
}
int WebDouble::CourseUploads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return courseUploads_;
}

Course WebDouble::SampleCourse(const std::string& name, int holes, int pointsPerHole,
                               const std::string& country) {
    Course c;
    c.user = "golfer";
    c.rate = "7";
    c.header = {{"COURSENAME", name}, {"COUNTRY", country}, {"STATE", ""},
                {"EMAIL", "club@example.org"}, {"COURSED", "Parkland course\nby the lake"},
                {"URL", "http://example.org"}, {"ADDRESS", "Golf road 1"}, {"ZIPCODE", "12345"},
                {"TELEPHONE", "+46 8 123"}, {"FAX", ""}, {"ADDRESS2", "Lakeside"},
                {"CRM1", "71.5"}, {"CRF1", "73.2"}, {"TL1", "5800"}, {"SM1", "128"},
                {"SF1", "131"}, {"TEE1COL", "FFFF00"}, {"TEENAME1", "Yellow"},
                {"CRM2", "69"}, {"TEE2COL", "FF0000"}, {"TEENAME2", "Red"}};
    for (int h = 1; h <= holes; ++h) {
        char lat[32], lon[32];
        Fields f;
        f["HOLE"] = std::to_string(h);
        f["HOLEPAR"] = std::to_string(3 + h % 3);
        f["HOLELENGTH1"] = std::to_string(300 + h * 10);
        f["HOLELENGTH2"] = std::to_string(280 + h * 10);
        std::snprintf(lat, sizeof lat, "%f", 59.3 + h * 0.001);
        std::snprintf(lon, sizeof lon, "%f", 18.05 + h * 0.001);
        f["LAT1"] = lat;
        f["LON1"] = lon;
        f["LATH"] = lat;
        f["LONH"] = lon;
        f["HWDESC"] = "Pin of " + std::to_string(h);
        f["LATT1"] = lat;
        f["LONT1"] = lon;
        f["T1DESC"] = "Yellow tee";
        f["LATT2"] = lat;
        f["LONT2"] = lon;
        f["T2DESC"] = "Red tee";
        f["HCP1"] = std::to_string(h);
        f["HCP2"] = std::to_string(holes + 1 - h);
        f["HOLEDESC"] = "Hole " + std::to_string(h);
        c.holes.push_back(f);
        for (int k = 0; k < pointsPerHole; ++k) {
            Fields p;
            p["HOLENUMBER"] = std::to_string(h);
            p["NAME"] = "Point " + std::to_string(k + 1);
            p["TYPE"] = std::to_string(3 + k % 5);
            std::snprintf(lat, sizeof lat, "%f", 59.3 + h * 0.001 + k * 0.0001);
            std::snprintf(lon, sizeof lon, "%f", 18.05 + h * 0.001 - k * 0.0001);
            p["LATITUDE"] = lat;
            p["LONGITUDE"] = lon;
            p["DESCRIPTION"] = "";
            c.points.push_back(p);
        }
    }
    return c;
}

std::string WebDouble::Indent(int depth) {
    switch (rng_() % 3) {
        case 0: return std::string(static_cast<size_t>(depth), '\t');
        case 1: return std::string(static_cast<size_t>(depth) * 2, ' ');
        default: return "";
    }
}

std::string WebDouble::Filler() {
    static const char* fillers[] = {"", "\t<STATUS>done</STATUS>", "<!-- peakrally -->",
                                    "  <INFO>U8</INFO>", "\t</ITEM>"};
    return fillers[rng_() % 5];
}

std::string WebDouble::Join(const std::vector<std::string>& lines, bool lfOnly) {
    std::string eol = LineEnd;
    if (eol.empty()) {
        static const char* ends[] = {"\r\n", "\n", "\r"};
        eol = ends[rng_() % (lfOnly ? 2 : 3)];
    }
    std::string out;
    for (const std::string& l : lines) out += l + eol;
    return out;
}

std::string WebDouble::Id(int id, bool fault, Fault f) const {
    if (fault && f == Fault::NonNumericId) return "x" + std::to_string(id);
    return std::to_string(id);
}

std::string WebDouble::UploadRefusal(const std::string& text, bool course) {
    // A course refusal carries REPLYCODE on line 2, as course readers look there.
    std::vector<std::string> lines = {"<?xml version=\"1.0\" encoding=\"ISO-8859-15\" ?>",
                                      "<U8LOG>", Indent(1) + "<REPLYCODE>NOTOK</REPLYCODE>",
                                      Indent(1) + "<errormsg>" + Escape(text) + "</errormsg>",
                                      "</U8LOG>"};
    return Join(lines, false);
}

std::string WebDouble::CourseUpload(const Doc& d, bool fault, Fault f) {
    Fields header = d.header;
    const std::string sent = Get(header, "WEBID");
    Course* c = nullptr;
    if (IsNumber(sent))
        for (Course& x : courses_)
            if (x.webId == std::stoi(sent)) c = &x;
    if (!c) {
        Course fresh;
        fresh.webId = IsNumber(sent) ? std::stoi(sent) : nextCourse_++;
        courses_.push_back(fresh);
        c = &courses_.back();
        if (!IsNumber(sent)) ++courseUploads_;
    }
    for (const char* k : {"KXBUILDNR", "TYPE", "USER", "PWD", "WID", "DATA", "COURSE", "WEBID"})
        header.erase(k);
    c->header = header;
    c->user = Get(d.header, "USER");
    c->holes = d.samples;
    std::vector<Fields> points;
    std::vector<std::string> lines = {Filler(), Filler(),
                                      Indent(1) + "<REPLYCODE>OK</REPLYCODE>", Filler(),
                                      Indent(2) + "<WEBID>" + Id(c->webId, fault, f) + "</WEBID>",
                                      Filler()};
    for (const Fields& w : d.waypoints) {
        Fields p = w;
        const std::string pid = Get(w, "POINTWEBID");
        const int id = IsNumber(pid) && pid != "0" ? std::stoi(pid) : nextPoint_++;
        p["POINTWEBID"] = std::to_string(id);
        points.push_back(p);
        std::string local = Get(w, "POINTID");
        if (fault && f == Fault::UnsentId && IsNumber(local))
            local = std::to_string(std::stoi(local) + 100000);
        lines.push_back(Indent(2) + "<POINTID>" + Escape(local) + "</POINTID>");
        lines.push_back(Indent(2) + "<POINTWEBID>" + Id(id, fault, f) + "</POINTWEBID>");
        lines.push_back(Filler());
        lines.push_back(Filler());
    }
    c->points = points;
    lines.back() = "</U8LOG>";
    return Join(lines, false);
}

std::string WebDouble::BagUpload(const Doc& d, bool fault, Fault f) {
    const std::string sent = Get(d.header, "BAGWEBID");
    Bag* b = nullptr;
    if (IsNumber(sent))
        for (Bag& x : bags_)
            if (x.webId == std::stoi(sent)) b = &x;
    if (!b) {
        bags_.push_back(Bag{IsNumber(sent) ? std::stoi(sent) : nextBag_++, {}, {}});
        b = &bags_.back();
    }
    b->header = d.header;
    b->clubs.clear();
    // Lines 4 and 5 carry the bag; REPLYCODE stands on one of the others.
    std::vector<std::string> lines = {Filler(), Filler(), Filler(), Filler(), "", "",
                                      Filler(), Filler()};
    static const int codeLines[] = {0, 1, 2, 3, 6, 7};
    lines[codeLines[rng_() % 6]] = Indent(1) + "<REPLYCODE>OK</REPLYCODE>";
    std::string bagId = Get(d.header, "BAGID");
    if (fault && f == Fault::UnsentId && IsNumber(bagId))
        bagId = std::to_string(std::stoi(bagId) + 100000);
    lines[4] = Indent(2) + "<BAGID>" + Escape(bagId) + "</BAGID>";
    lines[5] = Indent(2) + "<BAGWEBID>" + Id(b->webId, fault, f) + "</BAGWEBID>";
    for (const Fields& s : d.samples) {
        Fields club = s;
        const std::string cw = Get(s, "CLUBWEBID");
        const int id = IsNumber(cw) && cw != "0" ? std::stoi(cw) : nextClub_++;
        club["CLUBWEBID"] = std::to_string(id);
        b->clubs.push_back(club);
        std::string local = Get(s, "CLUBID");
        if (fault && f == Fault::UnsentId && IsNumber(local))
            local = std::to_string(std::stoi(local) + 100000);
        lines.push_back(Indent(2) + "<CLUBID>" + Escape(local) + "</CLUBID>");
        lines.push_back(Indent(2) + "<CLUBWEBID>" + Id(id, fault, f) + "</CLUBWEBID>");
        lines.push_back(Filler());
        lines.push_back(Filler());
    }
    lines.back() = "</U8LOG>";
    return Join(lines, false);
}

std::string WebDouble::RoundUpload(const Doc& d, bool fault, Fault f) {
    const std::string sent = Get(d.header, "WEBID");
    Round* r = nullptr;
    if (IsNumber(sent))
        for (Round& x : rounds_)
            if (x.webId == std::stoi(sent)) r = &x;
    if (!r) {
        rounds_.push_back(Round{IsNumber(sent) ? std::stoi(sent) : nextRound_++, {}, {}});
        r = &rounds_.back();
    }
    r->header = d.header;
    r->shots = d.samples;
    const std::string code = "<REPLYCODE>OK</REPLYCODE>";
    const std::string id = "<ROUNDID>" + Id(r->webId, fault, f) + "</ROUNDID>";
    switch (rng_() % 3) {
        case 0: return "<U8LOG>" + code + id + "</U8LOG>";
        case 1: return Join({Filler(), "<U8LOG>", Indent(1) + id, Indent(1) + code, "</U8LOG>"},
                            false);
        default: return Join({"<U8LOG>", Indent(1) + code, Filler(), Indent(2) + id, "</U8LOG>"},
                             false);
    }
}

std::string WebDouble::Search(const Doc& d) {
    const std::string country = Get(d.header, "COUNTRY");
    const std::string state = Get(d.header, "STATE");
    const std::string name = Get(d.header, "COURSENAME");
    std::vector<std::string> lines = {"<?xml version=\"1.0\" encoding=\"ISO-8859-15\" ?>",
                                      "<U8LOG>"};
    if (rng_() % 2) lines.push_back(Indent(1) + "<replycode>OK</replycode>");
    for (const Course& c : courses_) {
        if (!country.empty() && Get(c.header, "COUNTRY") != country) continue;
        if (!state.empty() && Get(c.header, "STATE") != state) continue;
        if (!name.empty() && !ContainsNoCase(Get(c.header, "COURSENAME"), name)) continue;
        lines.push_back(Indent(1) + "<SAMPLE>");
        lines.push_back(Indent(2) + "<COURSEID>" + std::to_string(c.webId) + "</COURSEID>");
        lines.push_back(Indent(2) + "<COURSENAME>" + Escape(Get(c.header, "COURSENAME")) +
                        "</COURSENAME>");
        lines.push_back(Indent(2) + "<RATE>" + Escape(c.rate) + "</RATE>");
        lines.push_back(Indent(2) + "<COUNTRY>" + Escape(Get(c.header, "COUNTRY")) + "</COUNTRY>");
        lines.push_back(Indent(2) + "<USER>" + Escape(c.user) + "</USER>");
        // The separators of a date are not read: they vary.
        std::string date = c.date;
        if (date.size() >= 8) {
            static const char seps[] = {'.', '-', '/'};
            date[2] = date[5] = seps[rng_() % 3];
        }
        lines.push_back(Indent(2) + "<DATE>" + Escape(date) + "</DATE>");
        lines.push_back(Indent(1) + "</SAMPLE>");
        if (rng_() % 2) lines.push_back(Filler());
    }
    lines.push_back("</U8LOG>");
    return Join(lines, true);
}

std::string WebDouble::Download(const Doc& d, bool all) {
    std::vector<std::string> lines = {"<?xml version=\"1.0\" encoding=\"ISO-8859-15\" ?>",
                                      "<U8LOG>"};
    // Lines between blocks are not read: a reply code or filler may stand there.
    if (rng_() % 2) lines.push_back(Indent(1) + "<replycode>OK</replycode>");
    auto element = [&](int depth, const std::string& tag, const std::string& value) {
        lines.push_back(Indent(depth) + "<" + tag + ">" + Escape(value) + "</" + tag + ">");
    };
    std::vector<const Course*> answered;
    if (all) {
        for (const Course& x : courses_) answered.push_back(&x);
    } else {
        for (const Fields& s : d.samples) {
            const std::string id = Get(s, "COURSEID");
            const Course* c = nullptr;
            for (const Course& x : courses_)
                if (IsNumber(id) && x.webId == std::stoi(id)) c = &x;
            if (c) answered.push_back(c);
        }
    }
    for (const Course* c : answered) {
        const Fields& h = c->header;
        lines.push_back(Indent(1) + "<HEADER>");
        element(2, "COURSENAME", Get(h, "COURSENAME"));
        element(2, "WEBID", std::to_string(c->webId));
        for (const char* k : {"EMAIL", "COUNTRY", "STATE"}) element(2, k, Get(h, k));
        std::string desc;
        const std::string raw = Get(h, "COURSED");
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
            desc += raw[i] == '\n' || raw[i] == '\r' ? std::string(5, ' ') : std::string(1, raw[i]);
        }
        element(2, "COURSED", desc);
        for (const char* k : {"URL", "ADDRESS", "ZIPCODE", "TELEPHONE", "FAX"})
            element(2, k, Get(h, k));
        element(2, "CITY", Get(h, "ADDRESS2"));
        int tees = 1;
        for (int n = 1; n <= 6; ++n)
            if (!Get(h, "TEENAME" + std::to_string(n)).empty() ||
                !Get(h, "CRM" + std::to_string(n)).empty())
                tees = n;
        element(2, "TEECOUNT", std::to_string(tees));
        static const char* yes[] = {"true", "True", "TRUE"};
        static const char* no[] = {"false", "False", "FALSE"};
        element(2, "EIGHTEENHOLES", c->holes.size() >= 18 ? yes[rng_() % 3] : no[rng_() % 3]);
        const bool comma = rng_() % 4 == 0;
        for (const char* g : {"CRM", "CRF"})
            for (int n = 1; n <= 6; ++n) {
                std::string v = Get(h, g + std::to_string(n));
                if (comma) std::replace(v.begin(), v.end(), '.', ',');
                element(2, g + std::to_string(n), v);
            }
        for (const char* g : {"TL", "SM", "SF"})
            for (int n = 1; n <= 6; ++n) element(2, g + std::to_string(n), Get(h, g + std::to_string(n)));
        for (int n = 1; n <= 6; ++n)
            element(2, "TEE" + std::to_string(n) + "COL", Get(h, "TEE" + std::to_string(n) + "COL"));
        for (int n = 1; n <= 6; ++n)
            element(2, "TEENAME" + std::to_string(n), Get(h, "TEENAME" + std::to_string(n)));
        lines.push_back(Indent(1) + "</HEADER>");
        for (const Fields& hole : c->holes) {
            lines.push_back(Indent(1) + "<SAMPLE>");
            element(2, "HOLE", Get(hole, "HOLE"));
            element(2, "HOLEPAR", Get(hole, "HOLEPAR"));
            for (int n = 1; n <= 6; ++n)
                element(2, "HOLELENGTH" + std::to_string(n), Get(hole, "HOLELENGTH" + std::to_string(n)));
            for (const char* k : {"LAT1", "LON1", "LAT2", "LON2", "LATH", "LONH", "HWDESC"})
                element(2, k, Get(hole, k));
            for (int t = 1; t <= 6; ++t) {
                const std::string n = std::to_string(t);
                element(2, "LATT" + n, Get(hole, "LATT" + n));
                element(2, "LONT" + n, Get(hole, "LONT" + n));
                element(2, "T" + n + "DESC", Get(hole, "T" + n + "DESC"));
            }
            element(2, "HCP1", Get(hole, "HCP1"));
            element(2, "HCP2", Get(hole, "HCP2"));
            std::string hd = Get(hole, "HOLEDESC");
            std::replace(hd.begin(), hd.end(), '\n', ' ');
            std::replace(hd.begin(), hd.end(), '\r', ' ');
            element(2, "HOLEDESC", hd);
            lines.push_back(Indent(1) + "</SAMPLE>");
            if (rng_() % 4 == 0) lines.push_back(Filler());
        }
        for (const Fields& p : c->points) {
            lines.push_back(Indent(1) + "<WAYPOINT>");
            for (const char* k : {"POINTWEBID", "HOLENUMBER", "NAME", "TYPE", "LATITUDE",
                                  "LONGITUDE"})
                element(2, k, Get(p, k));
            std::string pd = Get(p, "DESCRIPTION");
            std::replace(pd.begin(), pd.end(), '\n', ' ');
            std::replace(pd.begin(), pd.end(), '\r', ' ');
            element(2, "DESCRIPTION", pd);
            lines.push_back(Indent(1) + "</WAYPOINT>");
            if (rng_() % 4 == 0) lines.push_back(Filler());
        }
    }
    lines.push_back("</U8LOG>");
    return Join(lines, true);
}

std::string WebDouble::Handle(const std::string& body, LoggedRequest* log) {
    LoggedRequest local;
    return Respond(body, log ? *log : local).body;
}

WebDouble::Reply WebDouble::Respond(const std::string& body, LoggedRequest& log) {
    const Doc d = Parse(body);
    log.wellFormed = d.wellFormed;
    log.parseError = d.error;
    log.data = Get(d.header, "DATA");
    std::lock_guard<std::mutex> lock(mutex_);
    Reply r;
    if (!faults_.empty()) {
        r.fault = faults_.front();
        r.hasFault = true;
        faults_.pop_front();
    } else if (auto it = dataFaults_.find(log.data); it != dataFaults_.end()) {
        r.fault = it->second;
        r.hasFault = true;
    }
    const bool fault = r.hasFault;
    const Fault f = r.fault;
    if (fault && (f == Fault::Status404 || f == Fault::Status500)) {
        r.status = f == Fault::Status404 ? 404 : 500;
        r.body = "<html><body>error</body></html>";
        return r;
    }
    if (fault && f == Fault::EmptyBody) return r;
    if (fault && f == Fault::Malformed) {
        // One line of bytes without any tag.
        for (int i = 0; i < 200; ++i) {
            char c = static_cast<char>(rng_() % 256);
            r.body += c == '<' || c == '\r' || c == '\n' ? '?' : c;
        }
        return r;
    }
    const std::string data = log.data;
    const bool query = data == "GETCOURSETITLES" || data == "GETCOURSES";
    auto refuse = [&](const std::string& text) {
        if (query)
            r.body = Join({"<U8LOG>", Indent(1) + "<replycode>NOTOK</replycode>",
                           Indent(1) + "<errormsg>" + Escape(text) + "</errormsg>", "</U8LOG>"},
                          true);
        else
            r.body = UploadRefusal(text, data == "COURSES");
    };
    if (!d.wellFormed) {
        refuse("Malformed request: " + d.error);
        return r;
    }
    if (fault && f == Fault::RefuseUsername) {
        refuse("Invalid Username or password");
        return r;
    }
    if (fault && f == Fault::Refuse) {
        refuse(RefusalText);
        return r;
    }
    if (checkAccount_ && (Get(d.header, "USER") != user_ || Get(d.header, "PWD") != password_)) {
        refuse("Invalid Username or password");
        return r;
    }
    if (data == "COURSES") r.body = CourseUpload(d, fault, f);
    else if (data == "BAGS") r.body = BagUpload(d, fault, f);
    else if (data == "ROUNDS") r.body = RoundUpload(d, fault, f);
    else if (data == "GETCOURSETITLES") r.body = Search(d);
    else if (data == "GETCOURSES") r.body = Download(d, fault && f == Fault::AllCourses);
    else refuse("Unknown request " + data);
    if (fault && f == Fault::NoReplyCode) {
        for (const char* tag : {"<REPLYCODE>OK</REPLYCODE>", "<replycode>OK</replycode>"}) {
            size_t p;
            while ((p = r.body.find(tag)) != std::string::npos) r.body.erase(p, std::strlen(tag));
        }
    }
    if (fault && f == Fault::Short) {
        size_t pos = 0;
        for (int i = 0; i < ShortLines && pos != std::string::npos; ++i) {
            pos = r.body.find_first_of("\r\n", pos);
            if (pos != std::string::npos) {
                if (r.body[pos] == '\r' && pos + 1 < r.body.size() && r.body[pos + 1] == '\n') ++pos;
                ++pos;
            }
        }
        if (pos != std::string::npos) r.body.resize(pos);
    }
    return r;
}

int ClosedPort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

} // namespace webdouble
