#pragma once
#include <QString>

class QPlainTextEdit;

// Fills a memo control with a stored text of any length. The memo wraps at
// word boundaries, except for a text with a run of thousands of characters
// without a blank or line break: breaking such a run at word boundaries costs
// time that grows with the square of its length, so it is wrapped anywhere.
void SetMemoText(QPlainTextEdit* memo, const QString& text);

// The longest run of characters without a blank or line break.
qsizetype LongestUnbrokenRun(const QString& text);
