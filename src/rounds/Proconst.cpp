#include "rounds/Proconst.h"

namespace {
const char* const EnglishCaptions[] = {"OK",     "Cancel", "&Help",    "&Yes",    "&No",
                                       "&Close", "Abort",  "&Retry",   "&Ignore", "&All",
                                       "&Done",  "< &Back", "&Next >", "&Finish"};
} // namespace

std::string ProLoadStr(int id) {
    const int n = id - ProButtonStringBase;
    if (n >= 0 && n < int(sizeof EnglishCaptions / sizeof *EnglishCaptions)) return EnglishCaptions[n];
    return "";
}
