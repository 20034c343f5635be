// Local time as the program shows it: "YYYY-MM-DD HH:MM:SS", the form of the captions the
// record-listing library gives every live message, and its reading back.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

// The local time of `utcSeconds`; false for times the C runtime cannot convert.
bool LocalTimeOf(std::time_t utcSeconds, std::tm& local);

// "YYYY-MM-DD HH:MM:SS" of a time in milliseconds since 1970 UTC, in local time; empty for
// times before 1970 or after the year 2999 (carved dates can be any number).
std::wstring LocalTimeText(int64_t utcMilliseconds);

// Milliseconds since 1970 UTC of a local time "YYYY-MM-DD HH:MM:SS" (the seconds' precision
// of the text); nothing when the text is not of that form.
std::optional<int64_t> MillisecondsFromLocalText(const std::wstring& text);
