#include "common/Memo.h"

#include <QPlainTextEdit>
#include <QTextOption>
#include <algorithm>

namespace {
constexpr qsizetype kLongRun = 1000;
}  // namespace

qsizetype LongestUnbrokenRun(const QString& text) {
    qsizetype longest = 0, run = 0;
    for (QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

void SetMemoText(QPlainTextEdit* memo, const QString& text) {
    memo->setWordWrapMode(LongestUnbrokenRun(text) > kLongRun ? QTextOption::WrapAnywhere
                                                             : QTextOption::WrapAtWordBoundaryOrAnywhere);
    memo->setPlainText(text);
}
