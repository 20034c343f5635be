// WriteLedger: which records of an export reached their files. A record may go to several
// files (one per format); it counts as written only when each of them took every byte the
// record gave and those bytes reached the disk. Bytes are buffered, so that is known only
// when the files are written out: the ledger keeps, per record, where its bytes end in each
// file, and answers when asked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class OutputFile;

class WriteLedger {
public:
    // Starts the next record; the files it is noted in must outlive the ledger.
    void BeginRecord();
    // The current record's bytes in `file` end at the file's present end; `accepted` is
    // false when the file refused them.
    void Wrote(const OutputFile& file, bool accepted);
    // Records counted so far whose every byte reached its files.
    int Written() const;

private:
    struct Span {
        const OutputFile* file;
        uint64_t end;
    };
    struct Record {
        size_t firstSpan = 0;
        bool refused = false;
    };
    std::vector<Record> m_records;
    std::vector<Span> m_spans;
};
