// Whether a copy of a SQLite database is whole, judged from its first 100 bytes and its
// size: a copy cut short by a slow or broken transfer ends inside a page or before the
// last page the header counts. Pure, built and tested on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The database header's size of one page, 512 to 65536; 0 when `head` (the first `n` bytes
// of the file) is no SQLite database header.
uint32_t DatabasePageSize(const uint8_t* head, size_t n);

// True when a database of `size` bytes beginning with `head` is whole:
//  - in rollback mode with a valid in-header page count, its size is exactly that count
//    times the page size;
//  - in write-ahead-log mode, whose header count may lag behind pages a checkpoint wrote,
//    with a hot journal beside it, whose transaction may have grown or shrunk the file
//    before the header says so, or with a header from a writer that leaves the count
//    stale: whole pages, at least one.
// `why` receives the reason when it is not.
bool IsWholeDatabase(const uint8_t* head, size_t n, uint64_t size, bool journalBeside,
                     std::string* why);
