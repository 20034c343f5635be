// TkTxtFile: writes lines of text into a UTF-16 text file of the export, in the bytes the
// C runtime's Unicode text mode writes: UTF-16 little-endian starting with the byte-order mark
// FF FE, every line feed of the text and the one ending each line written as CR LF. The file
// is one OutputFile, made new and kept open: the lines go through its buffer.
#pragma once

#include <string>

class OutputFile;

class TkTxtFile {
public:
    // Starts the file with its byte-order mark.
    explicit TkTxtFile(OutputFile& file);
    virtual ~TkTxtFile();
    TkTxtFile(const TkTxtFile&) = delete;
    TkTxtFile& operator=(const TkTxtFile&) = delete;

    // Appends `text` and a line feed. Returns 1 when the file took the whole line, 0 when it
    // refused it (the file could not be made, or a write failed).
    int WriteLine(const std::wstring& text);

    OutputFile& File() const { return m_file; }

private:
    OutputFile& m_file;
    std::string m_line;  // the bytes of the line being written, kept to reuse its storage
};

