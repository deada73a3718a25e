#pragma once
#include <optional>
#include <string>

// TDateTime: days since 1899-12-30 as a double, the fraction being the time of day.
using TDateTime = double;

TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                         int second = 0, int msec = 0);
struct DateTimeParts {
    int year, month, day, hour, minute, second, msec;
};
DateTimeParts DecodeDateTime(TDateTime value);

// "YYYY-MM-DD HH:MM:SS", the form DateTime columns are stored in.
std::string DateTimeToIso(TDateTime value);
// Accepts "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS[.fff]]" and the "T" separator.
std::optional<TDateTime> IsoToDateTime(const std::string& text);

TDateTime Now();
