#include "LocalTime.h"

#include <cwchar>

namespace {

// 3000-01-01 00:00:00 UTC: the C runtime of Windows converts nothing later.
constexpr int64_t kEndOfYear2999 = 32503680000LL;

}  // namespace

bool LocalTimeOf(std::time_t utcSeconds, std::tm& local) {
#if defined(_WIN32)
    const __time64_t time = static_cast<__time64_t>(utcSeconds);
    return _localtime64_s(&local, &time) == 0;
#else
    return localtime_r(&utcSeconds, &local) != nullptr;
#endif
}

std::wstring LocalTimeText(int64_t utcMilliseconds) {
    if (utcMilliseconds < 0) return std::wstring();
    const int64_t seconds = utcMilliseconds / 1000;
    if (seconds >= kEndOfYear2999) return std::wstring();
    std::tm local{};
    if (!LocalTimeOf(static_cast<std::time_t>(seconds), local)) return std::wstring();
    wchar_t text[32] = {};
    std::swprintf(text, sizeof(text) / sizeof(text[0]), L"%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::optional<int64_t> MillisecondsFromLocalText(const std::wstring& text) {
    // Positions of the separators in "YYYY-MM-DD HH:MM:SS"; every other character is a digit.
    static const wchar_t kPattern[] = L"0000-00-00 00:00:00";
    if (text.size() != 19) return std::nullopt;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= L'0' && text[i] <= L'9';
        if (kPattern[i] == L'0' ? !digit : text[i] != kPattern[i]) return std::nullopt;
    }
    auto number = [&text](size_t at, size_t length) {
        int value = 0;
        for (size_t i = at; i < at + length; ++i) value = value * 10 + (text[i] - L'0');
        return value;
    };
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;  // as the local rules say for that day
#if defined(_WIN32)
    const __time64_t seconds = _mktime64(&local);
#else
    const std::time_t seconds = std::mktime(&local);
#endif
    if (seconds == -1) return std::nullopt;
    return static_cast<int64_t>(seconds) * 1000;
}
