#include "WriteLedger.h"

#include "OutputFile.h"

void WriteLedger::BeginRecord() {
    Record record;
    record.firstSpan = m_spans.size();
    m_records.push_back(record);
}

void WriteLedger::Wrote(const OutputFile& file, bool accepted) {
    if (m_records.empty()) BeginRecord();
    Record& record = m_records.back();
    if (!accepted) record.refused = true;
    // Consecutive writes to one file need one span: the last end covers them all.
    if (m_spans.size() > record.firstSpan && m_spans.back().file == &file) {
        m_spans.back().end = file.End();
        return;
    }
    m_spans.push_back(Span{&file, file.End()});
}

int WriteLedger::Written() const {
    int written = 0;
    for (size_t i = 0; i < m_records.size(); ++i) {
        const Record& record = m_records[i];
        if (record.refused) continue;
        const size_t last = i + 1 < m_records.size() ? m_records[i + 1].firstSpan : m_spans.size();
        bool reached = true;
        for (size_t s = record.firstSpan; s < last && reached; ++s) {
            reached = m_spans[s].end <= m_spans[s].file->DurableEnd();
        }
        if (reached) ++written;
    }
    return written;
}
