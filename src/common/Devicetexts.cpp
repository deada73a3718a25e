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
    case U'ı': return "i";
    default: return nullptr;
    }
}

}  // namespace

void PutDeviceName(char* field, const std::string& text, int limit, TDeviceNameRule rule) {
    std::memset(field, 0, size_t(limit) + 1);
    // Decomposition puts a letter's marks after it as characters of their
    // own; the letter goes without them.
    const auto form = rule == TDeviceNameRule::CompatibilityForms ? QString::NormalizationForm_KD
                                                                   : QString::NormalizationForm_D;
    std::u32string letters;
    for (const char32_t c : QString::fromStdString(text).normalized(form).toUcs4()) {
        if (QChar::isMark(c)) continue;
        const char* plain = rule == TDeviceNameRule::BaseLetters ? nullptr : PlainForm(c);
        if (c == U'ı' && rule != TDeviceNameRule::CompatibilityForms) plain = nullptr;  // it ended the name
        if (plain)
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
        if (c <= 0xFF) {
            bytes += char(c);
            continue;
        }
        // Beyond Latin-1: the compatibility form's letters without their
        // marks, each in Latin-1 or its plain form.
        for (const char32_t d : QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD).toUcs4()) {
            if (QChar::isMark(d)) continue;
            if (d <= 0xFF)
                bytes += char(d);
            else if (const char* plain = PlainForm(d))
                bytes += plain;
        }
    }
    return bytes;
}
