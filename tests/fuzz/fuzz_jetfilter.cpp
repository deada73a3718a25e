// The Jet condition and sort parsers on any text: the result is SQL and
// parameters, or the database error the parsers throw; nothing else. The
// condition then filters a table of names with marks, so that Like and the
// text comparisons run on it too.
#include <cstdint>
#include <string>
#include <vector>

#include "Fuzzdb.h"
#include "db/Database.h"
#include "db/Jetfilter.h"
#include "db/Table.h"

namespace {
TDatabase& Db() {
    static TDatabase& db = []() -> TDatabase& {
        TDatabase& d = fuzzdb::Db("filter");
        d.Execute("INSERT INTO Course_General (Course_Name, U8_Name, Tees, Address1) VALUES "
                  "('Åre Golf', 'X', 1, NULL), ('östra ängen', 'X', 2, 'Östra'), ('Abbey_%', 'X', 1, NULL), "
                  "('Golfbanan Brännaslätt', 'X', 1, 'x'), ('GROẞE ſtraße', 'X', 2, NULL), "
                  "(char(65279) || 'Kelvin ' || char(8490), 'X', 1, NULL)");
        return d;
    }();
    return db;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    static const std::vector<std::string> columns = {"UserId", "Name", "Course_Name", "18Holes",
                                                     "RoundStartDate"};
    for (const std::vector<std::string>* known : {static_cast<const std::vector<std::string>*>(nullptr), &columns}) {
        try {
            std::vector<TVariant> params;
            JetConditionToSql(text, known, "Course_General", &params);
        } catch (const EDatabaseError&) {
        }
        try {
            JetSortToSql(text, known);
        } catch (const EDatabaseError&) {
        }
    }
    try {
        TTable table(&Db(), "Course_General");
        table.SetFilter(text);
        table.Open();
    } catch (const EDatabaseError&) {
    }
    return 0;
}
