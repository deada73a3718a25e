#include "common/Devicetexts.h"

#include <QList>

void PutDeviceName(char* field, const std::string& text, int limit) {
    std::memset(field, 0, size_t(limit) + 1);
    // Canonical decomposition puts a letter's marks after it as characters
    // of their own; the letter goes without them.
    const QString decomposed = QString::fromStdString(text).normalized(QString::NormalizationForm_D);
    int i = 0;
    for (const uint c : decomposed.toUcs4()) {
        if (QChar::isMark(char32_t(c))) continue;
        if (i >= limit) break;
        if (c == ' ' || (c >= '+' && c <= 'z')) {
            field[i] = char(c);
            field[i + 1] = 0;
        }
        ++i;
    }
}

std::string DevicePointName(const std::string& text) {
    std::string bytes;
    for (const char32_t c : QString::fromStdString(text).normalized(QString::NormalizationForm_C).toUcs4()) {
        const QString base = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_D);
        const char32_t b = c <= 0xFF ? c : base.isEmpty() ? 0 : base.toUcs4().front();
        if (b != 0 && b <= 0xFF) bytes += char(b);
    }
    return bytes;
}
