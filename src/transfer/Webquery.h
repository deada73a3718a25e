#pragma once
#include <string>
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
    std::vector<std::string> Import(const std::string& reply);

private:
    TDatabase& db_;
};
