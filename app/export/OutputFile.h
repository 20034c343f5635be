// OutputFile: one file of the export, made new and kept open while the export writes it,
// with the bytes gathered in a buffer and handed to the system in large writes. What reached
// the file is known exactly: every byte before DurableEnd() is in the file, so a record counts
// as written only once every byte it gave lies before that mark (see WriteLedger).
//
// A file that could not be made is an OutputFile too, one that refuses every byte: writers do
// not need to know whether their file exists.
#pragma once

#include <cstdint>
#include <string>

#include "ExportFileSystem.h"

class OutputFile {
public:
    // An open file made new by the export, at `path`.
    OutputFile(exportfs::FileHandle file, std::wstring path);
    // A file that could not be made; `problem` says why.
    static OutputFile Refused(std::wstring path, std::wstring problem);
    ~OutputFile();
    OutputFile(OutputFile&&) = default;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Adds bytes at the end; false once the file has failed (or never existed).
    bool Append(const char* data, size_t size);
    bool Append(const std::string& bytes) { return Append(bytes.data(), bytes.size()); }
    // Replaces bytes that were appended before (the same number of bytes).
    bool Overwrite(uint64_t offset, const std::string& bytes);
    // Writes what is buffered and closes the file; false when any byte did not reach it.
    bool Close();

    // Bytes appended so far, and the bytes among them that reached the file.
    uint64_t End() const { return m_appended; }
    uint64_t DurableEnd() const { return m_durable; }
    bool Failed() const { return m_failed; }
    const std::wstring& Path() const { return m_path; }
    // Why the file failed; empty when it did not.
    const std::wstring& Problem() const { return m_problem; }

private:
    static constexpr size_t kBufferSize = 256 * 1024;

    exportfs::FileHandle m_file;
    std::wstring m_path;
    std::string m_buffer;
    uint64_t m_appended = 0;
    uint64_t m_durable = 0;
    bool m_failed = false;
    std::wstring m_problem;

    bool Flush();
    void Fail(const std::wstring& problem);
};
