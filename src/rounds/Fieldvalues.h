#pragma once
#include <optional>
#include <string>

#include "db/Table.h"

// A stored value that is missing, or does not read as a number, is none.
inline std::optional<int> OptInt(TTable& t, const std::string& field) {
    if (t.IsEmpty()) return std::nullopt;
    const TVariant v = t.FieldByName(field).Value();
    if (v.IsNull()) return std::nullopt;
    try {
        return static_cast<int>(v.AsInteger());
    } catch (const EDatabaseError&) {
        return std::nullopt;
    }
}

inline std::optional<double> OptFloat(TTable& t, const std::string& field) {
    if (t.IsEmpty()) return std::nullopt;
    const TVariant v = t.FieldByName(field).Value();
    if (v.IsNull()) return std::nullopt;
    try {
        return v.AsFloat();
    } catch (const EDatabaseError&) {
        return std::nullopt;
    }
}

inline std::optional<std::string> OptText(TTable& t, const std::string& field) {
    if (t.IsEmpty()) return std::nullopt;
    const TVariant v = t.FieldByName(field).Value();
    if (v.IsNull()) return std::nullopt;
    return v.AsString();
}

inline std::string Text(TTable& t, const std::string& field) { return OptText(t, field).value_or(""); }

inline bool Flag(TTable& t, const std::string& field) {
    return !t.IsEmpty() && t.FieldByName(field).AsBoolean();
}

// A stored number as the field converts it; 0 when it does not.
inline double Float(TTable& t, const std::string& field) {
    try {
        return t.FieldByName(field).AsFloat();
    } catch (const EDatabaseError&) {
        return 0;
    }
}
