#include "PageSource.h"

#include <algorithm>
#include <cstring>

#include "Bytes.h"
#include "MappedFile.h"
#include "FlatSets.h"

namespace engine {

namespace {

// FNV-1a of an image, to leave out older images that repeat one already handed out.
uint64_t hashOf(const uint8_t* p, size_t n) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

}  // namespace

std::unique_ptr<PageSource> PageSource::openFiles(const std::string& path) {
  std::unique_ptr<ByteSource> database = openFileForReading(path);
  if (database == nullptr) return nullptr;
  std::unique_ptr<ByteSource> log = openFileForReading(path + "-wal");
  std::unique_ptr<ByteSource> journal = openFileForReading(path + "-journal");
  return std::make_unique<PageSource>(std::move(database), std::move(log), std::move(journal));
}

PageSource::PageSource(std::unique_ptr<ByteSource> database, std::unique_ptr<ByteSource> log,
                       std::unique_ptr<ByteSource> journal)
    : databaseBytes_(std::move(database)), logBytes_(std::move(log)), journalBytes_(std::move(journal)) {
  if (databaseBytes_ == nullptr) return;
  database_ = std::make_unique<CachedReader>(*databaseBytes_);
  // The page size: from the main file's header, or, for a database that so far lives only
  // in its log, from the log's header.
  uint8_t first[kFileHeaderSize] = {};
  FileHeader mainHeader;
  uint32_t pageSize = 0;
  if (database_->read(0, first, kFileHeaderSize) == kFileHeaderSize && readFileHeader(first, mainHeader)) {
    pageSize = mainHeader.pageSize;
  } else if (logBytes_ != nullptr) {
    uint8_t logHeader[12] = {};
    if (logBytes_->read(0, logHeader, sizeof logHeader) == sizeof logHeader) {
      const uint32_t size = readBigEndian32(logHeader + 8);
      pageSize = size == 1 ? 65536 : size;
      if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) pageSize = 0;
    }
  }
  if (pageSize == 0) return;
  databasePages_ = databaseBytes_->size() / pageSize;
  if (logBytes_ != nullptr) {
    logReader_ = std::make_unique<CachedReader>(*logBytes_);
    log_ = std::make_unique<WriteAheadLog>(*logBytes_, pageSize);
  }
  if (journalBytes_ != nullptr) {
    journalReader_ = std::make_unique<CachedReader>(*journalBytes_);
    journal_ = std::make_unique<RollbackJournal>(*journalBytes_, pageSize, databasePages_);
  }
  if (log_ != nullptr && log_->committedSize() > 0) {
    pageCount_ = log_->committedSize();
  } else if (journal_ != nullptr && journal_->hot() && journal_->originalSize() > 0) {
    pageCount_ = journal_->originalSize();
  } else {
    pageCount_ = static_cast<uint32_t>(std::min<uint64_t>(databasePages_, 0xFFFFFFFE));
  }
  // The header of the current page 1 decides; it must agree on the page size.
  header_.pageSize = pageSize;
  header_.usable = pageSize;
  scratch_.assign(pageSize + kPageSlack, 0);
  current_.assign(pageSize + kPageSlack, 0);
  FileHeader currentHeader;
  if (!readPage(1, scratch_.data()) || !readFileHeader(scratch_.data(), currentHeader) ||
      currentHeader.pageSize != pageSize) {
    return;
  }
  header_ = currentHeader;
  valid_ = true;
}

PageSource::Where PageSource::currentPlace(uint32_t pgno, uint64_t& offset) const {
  if (pgno < 1 || pgno > pageCount_) return Where::kNone;
  if (log_ != nullptr && (offset = log_->committedImage(pgno)) != 0) return Where::kLog;
  if (journal_ != nullptr && journal_->hot() && (offset = journal_->originalImage(pgno)) != 0) return Where::kJournal;
  if (pgno > databasePages_) return Where::kNone;
  offset = uint64_t{pgno - 1} * header_.pageSize;
  return Where::kDatabase;
}

bool PageSource::readFrom(Where where, uint64_t offset, uint8_t* dst) {
  CachedReader* reader = where == Where::kDatabase ? database_.get()
                         : where == Where::kLog    ? logReader_.get()
                         : where == Where::kJournal ? journalReader_.get()
                                                    : nullptr;
  const size_t size = header_.pageSize;
  std::memset(dst + size, 0, kPageSlack);
  if (reader == nullptr) {
    std::memset(dst, 0, size);
    return false;
  }
  const size_t got = reader->read(offset, dst, size);
  std::memset(dst + got, 0, size - got);
  return got == size;
}

bool PageSource::readPage(uint32_t pgno, uint8_t* dst) {
  uint64_t offset = 0;
  const Where where = currentPlace(pgno, offset);
  return readFrom(where, offset, dst);
}

size_t PageSource::readCurrent(uint64_t offset, uint8_t* dst, size_t length) {
  const uint64_t size = currentFileSize();
  if (offset >= size) return 0;
  length = static_cast<size_t>(std::min<uint64_t>(length, size - offset));
  size_t done = 0;
  // Ends: every round copies the rest of one page.
  while (done < length) {
    const uint64_t at = offset + done;
    const uint32_t pgno = static_cast<uint32_t>(at / header_.pageSize) + 1;
    const size_t inPage = static_cast<size_t>(at % header_.pageSize);
    const size_t n = std::min<size_t>(length - done, header_.pageSize - inPage);
    readPage(pgno, scratch_.data());
    if (pgno == 1) scratch_[18] = scratch_[19] = 1;
    std::memcpy(dst + done, scratch_.data() + inPage, n);
    done += n;
  }
  return done;
}

void PageSource::forEachOlderImage(
    const std::function<bool(uint32_t pgno, const uint8_t* image, Origin origin)>& visit) {
  KeySet handed;
  const size_t size = header_.pageSize;
  bool going = true;
  auto offer = [&](uint32_t pgno, Where where, uint64_t offset, Origin origin) {
    if (!going || !readFrom(where, offset, scratch_.data())) return;
    if (readPage(pgno, current_.data()) && std::memcmp(scratch_.data(), current_.data(), size) == 0) return;
    if (!handed.insert(hashOf(scratch_.data(), size) ^ pgno)) return;
    going = visit(pgno, scratch_.data(), origin);
  };
  // The main file's own pages where the current database has another image or none.
  for (uint64_t p = 1; going && p <= databasePages_ && p <= 0xFFFFFFFF; ++p) {
    const uint32_t pgno = static_cast<uint32_t>(p);
    uint64_t offset = 0;
    if (currentPlace(pgno, offset) == Where::kDatabase) continue;
    offer(pgno, Where::kDatabase, (p - 1) * size, p > pageCount_ ? Origin::kUnreachedPage : Origin::kSupersededPage);
  }
  if (log_ != nullptr) {
    std::vector<std::pair<uint32_t, uint64_t>> frames;
    log_->forEachFrame([&](uint32_t pgno, uint64_t image, bool current) {
      if (!current) frames.emplace_back(pgno, image);
    });
    for (size_t i = 0; going && i < frames.size(); ++i) offer(frames[i].first, Where::kLog, frames[i].second, Origin::kWalFrame);
  }
  if (journal_ != nullptr) {
    for (size_t i = 0; going && i < journal_->records().size(); ++i) {
      offer(journal_->records()[i].first, Where::kJournal, journal_->records()[i].second, Origin::kJournalPage);
    }
  }
}

}  // namespace engine
