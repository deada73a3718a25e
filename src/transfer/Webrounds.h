#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/Datetime.h"
#include "transfer/Transw4.h"

class TDatabase;

// The rounds page's rules with the database as the source: the player's
// rounds as the list shows them, the copy of one round into the send page's
// round record, its statistics, and the list's order.

struct TRoundListRow {
    int RoundId = 0;
    std::optional<TDateTime> Start;  // none when the stored start is no date
    std::string Date;                // the start's short date, as the list shows it
    std::string Course;              // "" when the round has no course row
    std::string Title;
    std::string Score;
};
// The player's rounds, oldest first, in one query that joins the course names.
std::vector<TRoundListRow> RoundListRows(TDatabase& db, int userId);

// FIR (fairways hit on holes with par above 3), BIR (bunker hits), GIR and
// putts of a round from its RoundHoles rows; 0 each when it has none.
void ComputeRoundStatistics(TDatabase& db, int roundId, TTransWiz4::RoundHeader& r);

// Copies a round into r: RoundFilled, RoundRefused when its course has no web
// id (courseName then holds the course's name; r is left as it was),
// RoundWithoutCourse when no course of the database is its, or RoundMissing
// when no such round is stored.
enum TFillResult { RoundFilled, RoundRefused, RoundWithoutCourse, RoundMissing };
TFillResult FillRound(TDatabase& db, int roundId, int userId, TTransWiz4::RoundHeader& r,
                      std::string& courseName);

// "d.m.yyyy" without leading zeros.
std::string WebDate(TDateTime t);
// The locale's long time format, without a time zone.
std::string LongTime(TDateTime t);

// -1, 0 or 1 for the list's sort column: 0 the date (an invalid one first),
// 1 course, 2 title, 3 score as text; reversed when descending.
struct TRoundSortKey {
    std::optional<TDateTime> Date;
    std::string Course, Title, Score;
};
int CompareRoundRows(const TRoundSortKey& a, const TRoundSortKey& b, int column, bool ascending);
