// Narrow texts of the record model and of the engine as wide strings, and wide text as UTF-8.
// On Windows the record model's narrow texts are in the process's ANSI code page (UTF-8 by the
// program's manifest); the native build, which only runs tests and tools, reads them as UTF-8.
// The engine's typed records are UTF-8 on every platform.
#pragma once

#include <string>

// A null or empty text gives an empty string; bytes that are invalid in the code page never
// cut off the rest of the text (natively each maximal invalid sequence becomes U+FFFD).
std::wstring WideFromAnsi(const char* text);
std::wstring WideFromAnsi(const std::string& text);

// UTF-8 read as Unicode's "maximal subpart" practice says: every maximal invalid sequence
// becomes one U+FFFD and decoding goes on after it. On Windows the result is UTF-16
// (surrogate pairs above U+FFFF), natively one wchar_t per code point.
std::wstring WideFromUtf8(const std::string& text);

// The UTF-8 form of a wide text (UTF-16 on Windows, code points natively). Lone surrogates
// and values that are no Unicode scalar become U+FFFD.
std::string Utf8FromWide(const std::wstring& text);

// The narrow form of a wide text, as WideFromAnsi reads it back (the process's code page on
// Windows, UTF-8 natively): for handing paths to the narrow file functions of the engine.
std::string NarrowFromWide(const std::wstring& text);
