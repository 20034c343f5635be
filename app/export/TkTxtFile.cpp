#include "TkTxtFile.h"

#include <cstdint>

#include "OutputFile.h"

namespace {

void AppendUnit(std::string& bytes, uint32_t unit) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8 & 0xFF));
}

// UTF-16LE, every line feed (the text's own and the appended one) as CR LF. Natively wchar_t
// holds code points, so those above U+FFFF become surrogate pairs; on Windows the text is
// UTF-16 already.
void AppendLineBytes(std::string& bytes, const std::wstring& text) {
    bytes.reserve(bytes.size() + (text.size() + 2) * 2);
    for (const wchar_t ch : text) {
        const uint32_t value = static_cast<uint32_t>(ch);
        if (value == L'\n') {
            AppendUnit(bytes, L'\r');
            AppendUnit(bytes, L'\n');
        } else if (value > 0x10FFFF) {
            AppendUnit(bytes, 0xFFFD);
        } else if (value > 0xFFFF) {
            const uint32_t offset = value - 0x10000;
            AppendUnit(bytes, 0xD800 | offset >> 10);
            AppendUnit(bytes, 0xDC00 | (offset & 0x3FF));
        } else {
            AppendUnit(bytes, value);
        }
    }
    AppendUnit(bytes, L'\r');
    AppendUnit(bytes, L'\n');
}

const char kByteOrderMark[] = "\xFF\xFE";

}  // namespace

TkTxtFile::TkTxtFile(OutputFile& file) : m_file(file) { m_file.Append(kByteOrderMark, 2); }

TkTxtFile::~TkTxtFile() = default;

int TkTxtFile::WriteLine(const std::wstring& text) {
    m_line.clear();
    AppendLineBytes(m_line, text);
    return m_file.Append(m_line) ? 1 : 0;
}
