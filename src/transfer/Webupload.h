#pragma once
#include <functional>
#include <string>
#include <vector>

#include "transfer/Transw4.h"

class TDatabase;
class TWebExchange;

// What every upload document carries besides its record.
struct TUploadAccount {
    std::string BuildNr;
    std::string UserName;
    std::string Password;
};

// The upload documents, one per record, lines ended by "\r\n", every value
// escaped once. holeNumber gives Holes.HoleNumber of a HoleId (0 when none).
std::string CourseUploadDocument(const TTransWiz4::CourseHeader& c, const TUploadAccount& a,
                                 const std::function<int(int holeId)>& holeNumber);
std::string BagUploadDocument(const TTransWiz4::TBag& b, const TUploadAccount& a);
std::string RoundUploadDocument(const TTransWiz4::RoundHeader& r, const TUploadAccount& a);

// Holes.HoleNumber of a HoleId, 0 when no row has it.
int HoleNumberOf(TDatabase& db, int holeId);
// True when the buffer found at least one Holes row of the course; a course
// without one would go as hole items numbered 0.
bool HasHoleRows(const TTransWiz4::CourseHeader& c);

// Verdicts: true for an acceptance. A course reads REPLYCODE on line 2 (a
// reply of fewer than three lines throws EWebReplyError); a bag or round the
// two characters after the first "<REPLYCODE>" (a reply without the element
// throws).
bool CourseAccepted(const std::string& reply);
bool BagOrRoundAccepted(const std::string& reply);

// Write-backs of an accepted reply. Echoed local ids are read as integers and
// only ids the record sent are written; a line that does not read throws
// EWebReplyError, the ids written before it stay (the service made those
// records).
void WriteBackCourse(TDatabase& db, const TTransWiz4::CourseHeader& c, const std::string& reply);
void WriteBackBag(TDatabase& db, const TTransWiz4::TBag& b, const std::string& reply);
void WriteBackRound(TDatabase& db, const TTransWiz4::RoundHeader& r, const std::string& reply);

// The upload of the send page's records to the web service: one request file
// per record in the data folder (owner-only, deleted on every way out), the
// POST, the verdict, the write-back and the messages. A refused course ends
// the run; a refused bag or round and a network error go on with the next.
// "Transfer ok!" follows each record that was itself accepted.
class TWebUpload {
public:
    TWebUpload(TDatabase& db, TWebExchange& http, int userId, std::string fileVersion)
        : db_(db), http_(http), userId_(userId), fileVersion_(std::move(fileVersion)) {}

    // kind 0 courses, 1 bags, 2 rounds; count records of the buffer are sent.
    void Run(const TTransferBuffers& buffers, int kind, int count);

    // The memo once a record was accepted: heading and the accepted names.
    std::function<void(const std::vector<std::string>&)> OnMemo;

private:
    TDatabase& db_;
    TWebExchange& http_;
    int userId_;
    std::string fileVersion_;
};

extern const char* const NetworkErrorText;
// The network box's text: NetworkErrorText, then the cause on its own line,
// then, when the request may have reached the service (an upload whose reply
// was lost or could not be read), that the record may be there already.
std::string NetworkErrorMessage(const std::string& cause, bool mayHaveArrived = false);
