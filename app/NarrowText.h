// Narrow texts of the record model as wide strings. On Windows the narrow texts are in the
// thread's ANSI code page (the process's, as set by the manifest); the native build, which
// only runs tests and tools, reads them as UTF-8.
#pragma once

#include <string>

// A null or empty text gives an empty string; bytes that are invalid in the code page never
// cut off the rest of the text (natively each maximal invalid sequence becomes U+FFFD).
std::wstring WideFromAnsi(const char* text);
std::wstring WideFromAnsi(const std::string& text);

#if !defined(_WIN32)
// The UTF-8 form of a wide text (natively wchar_t holds whole code points), for handing
// wide paths to the C library. Values that are no Unicode scalar become U+FFFD.
std::string Utf8FromWide(const std::wstring& text);
#endif
