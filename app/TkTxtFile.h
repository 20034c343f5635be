// TkTxtFile: appends lines to a UTF-16 text file, opening and closing the file for every
// line, so that nothing stays open between lines and a stopped export leaves complete files.
//
// Bytes written: UTF-16 little-endian; a file that is new (or empty) starts with the
// byte-order mark FF FE; every line feed of the text and the one appended to each line are
// written as CR LF, as the C runtime's Unicode text mode writes them. Appending to an
// existing file adds no second byte-order mark.
#pragma once

#include <string>

class TkTxtFile {
public:
    explicit TkTxtFile(std::wstring path = std::wstring());
    virtual ~TkTxtFile();

    // Appends `text` and a line feed. Returns 1 when the whole line was written, 0 when the
    // file could not be opened or written.
    int WriteLine(const std::wstring& text);

    std::wstring m_strPath;
};
