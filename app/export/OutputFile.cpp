#include "OutputFile.h"

#include <cstring>
#include <utility>

OutputFile::OutputFile(exportfs::FileHandle file, std::wstring path)
    : m_file(std::move(file)), m_path(std::move(path)) {}

OutputFile OutputFile::Refused(std::wstring path, std::wstring problem) {
    OutputFile refused(exportfs::FileHandle(), std::move(path));
    refused.Fail(problem);
    return refused;
}

OutputFile::~OutputFile() { Close(); }

void OutputFile::Fail(const std::wstring& problem) {
    if (m_failed) return;
    m_failed = true;
    m_problem = problem.empty() ? std::wstring(L"The file could not be written.") : problem;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
}

bool OutputFile::Flush() {
    if (m_failed) return false;
    if (m_buffer.empty()) return true;
    size_t written = 0;
    const bool ok = m_file.Write(m_buffer.data(), m_buffer.size(), written);
    m_durable += written;
    m_buffer.clear();
    if (!ok) Fail(m_file.Problem());
    return ok;
}

bool OutputFile::Append(const char* data, size_t size) {
    if (m_failed || !m_file.IsOpen()) {
        Fail(L"The file is closed.");
        return false;
    }
    if (m_buffer.size() + size > kBufferSize && !Flush()) return false;
    m_appended += size;
    if (size >= kBufferSize) {
        size_t written = 0;
        const bool ok = m_file.Write(data, size, written);
        m_durable += written;
        if (!ok) Fail(m_file.Problem());
        return ok;
    }
    m_buffer.append(data, size);
    return true;
}

bool OutputFile::Overwrite(uint64_t offset, const std::string& bytes) {
    if (m_failed || offset > m_appended || bytes.size() > m_appended - offset) return false;
    const uint64_t buffered = m_appended - m_buffer.size();
    if (offset >= buffered) {
        std::memcpy(&m_buffer[static_cast<size_t>(offset - buffered)], bytes.data(), bytes.size());
        return true;
    }
    if (!Flush()) return false;
    if (!m_file.WriteAt(offset, bytes.data(), bytes.size())) {
        Fail(m_file.Problem());
        return false;
    }
    return true;
}

bool OutputFile::Close() {
    if (!m_file.IsOpen()) return !m_failed;
    const bool flushed = Flush();
    std::string().swap(m_buffer);  // a closed file keeps no buffer: an export closes hundreds
    const bool closed = m_file.Close();
    if (!closed) {
        // The system may still have dropped bytes it had accepted: none counts as written.
        m_durable = 0;
        Fail(m_file.Problem());
    }
    return flushed && closed;
}
