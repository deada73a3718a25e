#include "common/Devicetexts.h"

#include <QList>
#include <string>

namespace {

// Letters that have no decomposition, in the plain forms the device shows.
const char* PlainForm(char32_t c) {
    switch (c) {
    case U'Ø': return "O";
    case U'ø': return "o";
    case U'Æ': return "AE";
    case U'æ': return "ae";
    case U'Œ': return "OE";
    case U'œ': return "oe";
    case U'ß': return "ss";
    case U'Ł': return "L";
    case U'ł': return "l";
    case U'Đ': case U'Ð': return "D";
    case U'đ': case U'ð': return "d";
    case U'Þ': return "TH";
    case U'þ': return "th";
    default: return nullptr;
    }
}

}  // namespace

void PutDeviceName(char* field, const std::string& text, int limit) {
    std::memset(field, 0, size_t(limit) + 1);
    // Canonical decomposition puts a letter's marks after it as characters
    // of their own; the letter goes without them.
    std::u32string letters;
    for (const char32_t c : QString::fromStdString(text).normalized(QString::NormalizationForm_D).toUcs4()) {
        if (QChar::isMark(c)) continue;
        if (const char* plain = PlainForm(c))
            while (*plain) letters += char32_t(*plain++);
        else
            letters += c;
    }
    for (int i = 0; i < limit && i < int(letters.size()); ++i) {
        const char32_t c = letters[size_t(i)];
        if (c == ' ' || (c >= '+' && c <= 'z')) {
            field[i] = char(c);
            field[i + 1] = 0;
        }
    }
}

std::string DevicePointName(const std::string& text) {
    std::string bytes;
    for (const char32_t c : QString::fromStdString(text).normalized(QString::NormalizationForm_C).toUcs4()) {
        if (const char* plain = c > 0xFF ? PlainForm(c) : nullptr) {
            bytes += plain;
            continue;
        }
        const QString base = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_D);
        const char32_t b = c <= 0xFF ? c : base.isEmpty() ? 0 : base.toUcs4().front();
        if (b != 0 && b <= 0xFF) bytes += char(b);
    }
    return bytes;
}
