// The one place the engine gets pages from. A database is its main file, the write-ahead
// log beside it and the rollback journal beside it; the page source puts them together:
//  - the current database: each page's newest committed log frame, else the image a hot
//    journal puts back, else the main file's page; its header comes from the current page 1;
//  - the older images: every other image of a page the three files hold (log frames that
//    are not current, journal records, the main file's page where a newer one exists, and
//    pages past the current database's end), each a place deleted rows may stand.
// The files are only read. Bytes come from ByteSources: files in a run, buffers in tests and
// the fuzzer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ByteSource.h"
#include "DatabaseHeader.h"
#include "RecoveredRecords.h"
#include "RollbackJournal.h"
#include "WriteAheadLog.h"

namespace engine {

class PageSource {
 public:
  // `log` and `journal` may be null. valid() tells whether a database was found.
  PageSource(std::unique_ptr<ByteSource> database, std::unique_ptr<ByteSource> log,
             std::unique_ptr<ByteSource> journal);
  // The file at `path` with "<path>-wal" and "<path>-journal" when they exist; null when
  // the file cannot be opened.
  static std::unique_ptr<PageSource> openFiles(const std::string& path);

  bool valid() const { return valid_; }
  const FileHeader& header() const { return header_; }
  uint32_t pageSize() const { return header_.pageSize; }
  uint32_t usable() const { return header_.usable; }
  uint32_t pageCount() const { return pageCount_; }

  // Copies the current image of `pgno` (pageSize() bytes) into `dst`, which must hold
  // pageSize() + kPageSlack bytes; the slack is zeroed. False when the database lacks the
  // page (then `dst` holds zeros).
  bool readPage(uint32_t pgno, uint8_t* dst);

  // The current database as SQLite would read it from a file, with the header's version
  // bytes 18 and 19 shown as rollback mode so that SQLite looks for no log of its own.
  uint64_t currentFileSize() const { return uint64_t{pageCount_} * header_.pageSize; }
  size_t readCurrent(uint64_t offset, uint8_t* dst, size_t length);

  // Hands every older image to `visit`, with its page number and where it was found, until
  // `visit` returns false; an image equal to the current one is left out.
  void forEachOlderImage(const std::function<bool(uint32_t pgno, const uint8_t* image, Origin origin)>& visit);

 private:
  enum class Where : uint8_t { kNone, kDatabase, kLog, kJournal };
  Where currentPlace(uint32_t pgno, uint64_t& offset) const;
  bool readFrom(Where where, uint64_t offset, uint8_t* dst);

  std::unique_ptr<ByteSource> databaseBytes_, logBytes_, journalBytes_;
  std::unique_ptr<CachedReader> database_, logReader_, journalReader_;
  std::unique_ptr<WriteAheadLog> log_;
  std::unique_ptr<RollbackJournal> journal_;
  FileHeader header_;
  uint32_t pageCount_ = 0;
  uint64_t databasePages_ = 0;  // whole pages in the main file
  bool valid_ = false;
  std::vector<uint8_t> scratch_, current_;
};

}  // namespace engine
