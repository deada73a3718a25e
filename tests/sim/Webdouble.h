#pragma once
// A stand-in for the Peakrally web service, for tests: an HTTP server on
// 127.0.0.1 (an ephemeral port) that takes the U8LOG documents at
// /loadu8/default.asp, keeps what was uploaded, answers searches and downloads
// from that, and logs every request. It also works as an HTTP proxy: a request
// line carrying the absolute URL reaches the same handler.
//
// Its document reading (libxml2) and reply writing are its own; nothing is
// shared with the program's code, so that the two meet on the wire only.
// What the program's readers leave open (unread reply lines, indentation,
// line ends, where REPLYCODE stands in a bag or round reply) varies with a seed.
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace webdouble {

// Elements of one item (HEADER, SAMPLE or WAYPOINT) by tag, values in UTF-8.
using Fields = std::map<std::string, std::string>;

struct LoggedRequest {
    std::string method;
    std::string target;  // as on the request line: a path, or an absolute URL through a proxy
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;  // raw bytes
    bool wellFormed = false;
    std::string parseError;
    std::string data;  // the DATA element
    std::string reply;  // the body answered (before a drop or trickle)
    std::string Header(const std::string& name) const;  // "" when absent
};

struct Course {
    int webId = 0;
    std::string user;
    std::string date = "05.03.03";  // creation date as the search lists it
    std::string rate = "0";
    Fields header;                 // upload tags (COURSENAME, ..., ADDRESS2)
    std::vector<Fields> holes;     // SAMPLE items
    std::vector<Fields> points;    // WAYPOINT items; POINTWEBID holds the service's id
};
struct Bag {
    int webId = 0;
    Fields header;
    std::vector<Fields> clubs;  // CLUBWEBID holds the service's id
};
struct Round {
    int webId = 0;
    Fields header;
    std::vector<Fields> shots;
};

enum class Fault {
    Refuse,            // REPLYCODE NOTOK with an errormsg without "Username"
    RefuseUsername,    // the same, errormsg naming "Username"
    Short,             // the reply cut after ShortLines lines
    Malformed,         // one line of bytes without any tag
    NoReplyCode,       // the reply without its REPLYCODE element
    NonNumericId,      // web ids as "x" + number
    UnsentId,          // echoed local ids that the request did not carry
    Status404,
    Status500,
    EmptyBody,         // status 200, no body
    DropAfterHeaders,  // headers with a length, then the connection closes
    NoAnswer,          // holds the request until HoldMs passes
    Trickle,           // the reply one byte every TrickleMs
    AllCourses,        // a download answered with every stored course, asked or not
};

struct Doc;

class WebDouble {
public:
    explicit WebDouble(unsigned seed = 1);
    ~WebDouble();
    WebDouble(const WebDouble&) = delete;
    WebDouble& operator=(const WebDouble&) = delete;

    int Port() const { return port_; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

    // Only this account is accepted when set (a refusal naming "Username" else).
    void SetAccount(const std::string& user, const std::string& password);
    // First web ids handed out.
    void SetIdStarts(int course, int point, int bag, int club, int round);
    // Answers the next request with the fault (in queue order).
    void QueueFault(Fault f);
    // Answers every request of this DATA (e.g. "GETCOURSES") with the fault,
    // unless a queued fault comes first.
    void FaultOnData(const std::string& data, Fault f);
    int ShortLines = 3;
    int HoldMs = 5000;
    int TrickleMs = 20;
    std::string RefusalText = "The service is closed for maintenance";
    // Line end of the replies: "" varies per reply (a search or download reply
    // always ends its lines with "\n" or "\r\n").
    std::string LineEnd;

    std::vector<LoggedRequest> Requests() const;
    void ClearRequests();

    // The store.
    void AddCourse(const Course& c);  // webId 0 takes the next id
    void RemoveCourse(int webId);      // the service no longer has it
    std::vector<Course> Courses() const;
    std::vector<Bag> Bags() const;
    std::vector<Round> Rounds() const;
    int CourseUploads() const;  // uploads that created a course

    // A course with holes and points filled with plausible values.
    static Course SampleCourse(const std::string& name, int holes, int pointsPerHole,
                               const std::string& country = "SE");

    // Text of the double's own replies (for tests of its layouts).
    std::string Handle(const std::string& body, LoggedRequest* log = nullptr);

private:
    struct Reply {
        int status = 200;
        std::string body;
        Fault fault{};
        bool hasFault = false;
    };
    Reply Respond(const std::string& body, LoggedRequest& log);
    std::string Join(const std::vector<std::string>& lines, bool lfOnly);
    std::string Filler();
    std::string Indent(int depth);
    std::string UploadRefusal(const std::string& text, bool course);
    std::string CourseUpload(const Doc& d, bool fault, Fault f);
    std::string BagUpload(const Doc& d, bool fault, Fault f);
    std::string RoundUpload(const Doc& d, bool fault, Fault f);
    std::string Search(const Doc& d);
    std::string Download(const Doc& d, bool all);
    std::string Id(int id, bool fault, Fault f) const;

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable stopCv_;
    bool stopping_ = false;
    std::mt19937 rng_;
    std::vector<LoggedRequest> log_;
    std::deque<Fault> faults_;
    std::map<std::string, Fault> dataFaults_;
    std::string user_, password_;
    bool checkAccount_ = false;
    int nextCourse_ = 1000, nextPoint_ = 50000, nextBag_ = 300, nextClub_ = 7000,
        nextRound_ = 9000;
    int courseUploads_ = 0;
    std::vector<Course> courses_;
    std::vector<Bag> bags_;
    std::vector<Round> rounds_;
};

// UTF-8 text as ISO-8859-15 element content with & < > escaped.
std::string Escape(const std::string& utf8);

// A port on 127.0.0.1 that nobody listens on: a service that is not running.
int ClosedPort();

} // namespace webdouble
