// The meaning of the type codes of Android's phone and e-mail data rows (data2, a decimal
// text), shared by the contact board and the export.
#pragma once

#include <climits>
#include <cstdlib>

// A type code's decimal text read as a number (leading blanks and trailing text ignored,
// as atoi would; null counts as 0; numbers out of range are clamped).
inline int TypeCode(const char* text) {
    if (!text) return 0;
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// The label of a phone row's type code; codes without one give "".
inline const wchar_t* PhoneTypeLabel(int code) {
    switch (code) {
    case 1: return L"Home";
    case 2: return L"Mobile";
    case 3: return L"Work";
    case 4: return L"WorkFax";
    case 5: return L"HomeFax";
    case 6: return L"Pager";
    case 7: return L"Other";
    case 10: return L"CompanyMain";
    case 11: return L"ISDN";
    case 13: return L"OtherFax";
    case 14: return L"Radio";
    case 15: return L"Telex";
    case 16: return L"TTY_TTD";
    case 17: return L"WorkMobile";
    case 18: return L"WorkPager";
    case 19: return L"Assistant";
    case 20: return L"MMS";
    default: return L"";
    }
}
