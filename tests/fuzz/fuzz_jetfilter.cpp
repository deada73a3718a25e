// The Jet condition and sort parsers on any text: the result is SQL and
// parameters, or the database error the parsers throw; nothing else.
#include <cstdint>
#include <string>
#include <vector>

#include "db/Database.h"
#include "db/Jetfilter.h"

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
    return 0;
}
