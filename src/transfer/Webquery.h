#pragma once
#include <string>
#include <utility>
#include <vector>

class TDatabase;

// The build number the documents carry: the file version from its seventh
// character on ("578" for "1.1.4.578"); "" for a shorter version text.
std::string BuildNumber(const std::string& fileVersion);

// The course search request (CourseTitlesQuery), lines ended by "\n", every
// value escaped.
std::string CourseTitlesQuery(const std::string& buildNr, const std::string& user,
                              const std::string& password, const std::string& countryId,
                              const std::string& stateId, const std::string& courseName);
// The course download request (CoursesQuery) for the web ids in list order.
std::string CoursesQuery(const std::string& user, const std::string& password,
                         const std::vector<int>& webIds);

// Imports a CoursesReply into the database in one transaction: course blocks
// (Course_General, ScoreCard), hole blocks (Holes, the pin and tee points) and
// point blocks (Waypoints), each found by its web id or keys and updated in
// place, else added. Any error (a value that must be a number and is not, a
// block cut off by the end of the reply, a course without a positive web id, a
// database error) rolls everything back and throws; guarded fields that do not
// convert are left empty instead. Hole and point blocks before the first course
// block are skipped. Returns the names of the courses imported, in reply order.
class TWebCourseImport {
public:
    explicit TWebCourseImport(TDatabase& db) : db_(db) {}
    // Every course of the reply.
    std::vector<std::string> Import(const std::string& reply);
    // Only the courses of the asked web ids: the block of another course is
    // read past with the hole and point blocks that follow it, nothing of it
    // stored.
    std::vector<std::string> Import(const std::string& reply, const std::vector<int>& asked);
    // The web ids of the courses the last import stored, in reply order.
    const std::vector<int>& StoredWebIds() const { return stored_; }

private:
    std::vector<std::string> Run(const std::string& reply, const std::vector<int>* asked);
    TDatabase& db_;
    std::vector<int> stored_;
};

// The names of the asked courses (web id, name as listed) that the import did
// not store, in the asked order.
std::vector<std::string> MissingCourses(const std::vector<std::pair<int, std::string>>& asked,
                                        const std::vector<int>& stored);
