#include "SqliteParse.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

#include "RecordHeader.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

bool fileExists(const std::string& path) {
#ifdef _WIN32
  return _access(path.c_str(), 0) == 0;
#else
  return access(path.c_str(), F_OK) == 0;
#endif
}

// Android's contacts indexes are declared with collations that plain SQLite lacks. The
// engine's statements do not need them, but a plan that touched such an index would fail
// with "no such collation sequence"; a byte-wise stand-in keeps every statement usable.
int compareBytes(void* /*context*/, int leftLength, const void* left, int rightLength, const void* right) {
  const int common = std::min(leftLength, rightLength);
  const int order = common > 0 ? std::memcmp(left, right, static_cast<size_t>(common)) : 0;
  if (order != 0) return order;
  return leftLength - rightLength;
}

void registerStandInCollations(sqlite3* db) {
  sqlite3_create_collation(db, "PHONEBOOK", SQLITE_UTF8, nullptr, compareBytes);
  sqlite3_create_collation(db, "LOCALIZED", SQLITE_UTF8, nullptr, compareBytes);
}

sqlite3_stmt* prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare(db, sql, static_cast<int>(std::strlen(sql)), &statement, nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    return nullptr;
  }
  return statement;
}

// Sets `rootPage` to the last value the prepared root-page statement yields.
void readRootPage(sqlite3_stmt* statement, int32_t& rootPage) {
  while (sqlite3_step(statement) == SQLITE_ROW) {
    const int columns = sqlite3_data_count(statement);
    for (int i = 0; i < columns; ++i) {
      rootPage = static_cast<int32_t>(sqlite3_column_int64(statement, i));
    }
  }
  sqlite3_finalize(statement);
}

// Takes the column count and the positions of the named columns from the prepared
// statement itself, without stepping it: a table whose every row was deleted still has
// its columns, and that is exactly the table worth carving.
void readColumns(sqlite3* db, const char* sql, int32_t& count,
                 std::initializer_list<std::pair<const char*, int32_t*>> wanted) {
  sqlite3_stmt* statement = prepare(db, sql);
  if (statement == nullptr) return;
  count = sqlite3_column_count(statement);
  for (int i = 0; i < count; ++i) {
    const char* name = sqlite3_column_name(statement, i);
    if (name == nullptr) continue;
    for (const auto& [columnName, position] : wanted) {
      if (std::strcmp(name, columnName) == 0) *position = i;
    }
  }
  sqlite3_finalize(statement);
}

std::string columnText(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  if (text == nullptr) return std::string();
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

void closeDb(sqlite3*& db) {
  sqlite3_close(db);
  db = nullptr;
}

constexpr size_t kReadWindow = 256 * 1024;

}  // namespace

SqliteParse::SqliteParse(const std::string& contactsPath, const std::string& smsPath)
    : contactsDbPath(contactsPath), smsDbPath(smsPath) {}

SqliteParse::~SqliteParse() {
  leafPages.clear();
  freeBlocks.clear();
  recoveredContacts.clear();
  contactLookup.clear();
  recoveredSms.clear();
  recoveredText.clear();
  if (dbStream.is_open()) dbStream.close();
}

std::string SqliteParse::get_contacts_mem() { return recoveredText; }

int SqliteParse::getColunmcount(const std::string& /*path*/, const std::string& /*table*/) {
  // The column counts come from the baseline queries; kept for the run's interface.
  return 1;
}

int SqliteParse::calculateDataWidth(uint32_t serialType) { return engine::calculateDataWidth(serialType); }

int SqliteParse::checkDataType(uint32_t serialType) { return engine::checkDataType(serialType); }

// ---------------------------------------------------------------------------------------
// Baseline

bool SqliteParse::InitContacParseDbFile() {
  if (!fileExists(contactsDbPath)) return false;
  if (contactsDbPath.find("contacts2.db") == std::string::npos) return false;
  if (sqlite3_open(contactsDbPath.c_str(), &contactsDb) != SQLITE_OK) {
    closeDb(contactsDb);
    return false;
  }
  registerStandInCollations(contactsDb);
  sqlite3_stmt* root = prepare(contactsDb, "SELECT rootpage from sqlite_master where type=\"table\" and name=\"data\"");
  if (root == nullptr) {
    closeDb(contactsDb);
    return false;
  }
  readRootPage(root, rootPage);
  readColumns(contactsDb, "SELECT * from data", contactColumnCount,
              {{"raw_contact_id", &rawContactIdColumn}, {"data1", &data1Column}});
  closeDb(contactsDb);
  return true;
}

bool SqliteParse::InitSmsParseDbFile() {
  if (!fileExists(contactsDbPath) || !fileExists(smsDbPath)) return false;
  const bool contactsOpened = sqlite3_open(contactsDbPath.c_str(), &contactsDb) == SQLITE_OK;
  const bool smsOpened = sqlite3_open(smsDbPath.c_str(), &smsDb) == SQLITE_OK;
  if (!contactsOpened || !smsOpened) {
    closeDb(contactsDb);
    closeDb(smsDb);
    return false;
  }
  registerStandInCollations(contactsDb);
  registerStandInCollations(smsDb);
  if (contactsDbPath.find("contacts2.db") != std::string::npos) {
    sqlite3_stmt* lookup = prepare(contactsDb, "SELECT raw_contact_id, data1 from data ");
    if (lookup == nullptr) {
      closeDb(contactsDb);
      closeDb(smsDb);
      return false;
    }
    while (sqlite3_step(lookup) == SQLITE_ROW) {
      contactLookup.emplace_back(columnText(lookup, 0), columnText(lookup, 1));
    }
    sqlite3_finalize(lookup);
  }
  // The messages table is looked up whatever the file is called: the name of a copy says
  // nothing about its content, and a user may hand the console tool any path.
  sqlite3_stmt* root = prepare(smsDb, "SELECT rootpage from sqlite_master where type=\"table\" and name=\"sms\"");
  if (root == nullptr) {
    closeDb(contactsDb);
    closeDb(smsDb);
    return false;
  }
  readRootPage(root, rootPage);
  readColumns(smsDb, "SELECT * from sms", smsColumnCount,
              {{"address", &addressColumn}, {"person", &personColumn}, {"body", &bodyColumn}});
  closeDb(contactsDb);
  closeDb(smsDb);
  return true;
}

// ---------------------------------------------------------------------------------------
// Reading the file

void SqliteParse::getDbPageSize(const std::string& path) {
  std::ifstream stream(path, std::ios::binary);
  pageSize = 0;  // a header that cannot be read leaves no usable page size
  if (!stream.is_open()) return;
  uint8_t field[2];
  stream.seekg(16);
  if (!stream.read(reinterpret_cast<char*>(field), 2)) return;
  pageSize = engine::readBigEndian16(field);
  // The format writes 65536 as 1, since it does not fit the 16-bit field.
  if (pageSize == 1) pageSize = 65536;
}

// A page size the format allows: a power of two from 512 to 65536. Anything else means
// the header is damaged and no page offset computed from it would be meaningful, so the
// run carves nothing.
bool SqliteParse::pageSizeUsable() const {
  return pageSize >= 512 && pageSize <= 65536 && (pageSize & (pageSize - 1)) == 0;
}

bool SqliteParse::openDbStream(const std::string& path) {
  // Unbuffered: reads go through one window of our own (below), so the stream's buffer
  // would only copy every byte twice. Set before open, as the standard requires.
  dbStream.rdbuf()->pubsetbuf(nullptr, 0);
  dbStream.open(path, std::ios::binary);
  if (!dbStream.is_open()) return false;
  dbStream.seekg(0, std::ios::end);
  const std::streamoff end = dbStream.tellg();
  dbStream.clear();
  fileSize = end > 0 ? static_cast<uint64_t>(end) : 0;
  return true;
}

// Copies up to `length` bytes from `offset` and returns how many the file delivered; the
// rest of `dst` is left as it was (callers hand in zeroed buffers). Reads are served from a
// window of the file that moves forward as the run proceeds, so the leaf pages, visited
// in ascending order, are read from the file about once.
size_t SqliteParse::readAvailable(uint64_t offset, uint8_t* dst, size_t length) {
  if (length == 0 || offset >= fileSize) return 0;
  length = static_cast<size_t>(std::min<uint64_t>(length, fileSize - offset));
  if (offset < windowStart || offset - windowStart + length > window.size()) {
    // Align the window to the page that holds `offset`, so a whole page always fits.
    const uint64_t align = pageSizeUsable() ? pageSize : 512;
    windowStart = offset - offset % align;
    const size_t wanted = std::max(kReadWindow, static_cast<size_t>(offset - windowStart) + length);
    window.resize(wanted);
    dbStream.clear();
    dbStream.seekg(static_cast<std::streamoff>(windowStart));
    dbStream.read(reinterpret_cast<char*>(window.data()), static_cast<std::streamsize>(wanted));
    const std::streamsize got = dbStream.gcount();
    dbStream.clear();
    window.resize(got > 0 ? static_cast<size_t>(got) : 0);
    if (offset - windowStart >= window.size()) return 0;
  }
  const size_t have = std::min<size_t>(length, window.size() - static_cast<size_t>(offset - windowStart));
  std::memcpy(dst, window.data() + (offset - windowStart), have);
  return have;
}

bool SqliteParse::readExact(uint64_t offset, uint8_t* dst, size_t length) {
  return readAvailable(offset, dst, length) == length;
}

// ---------------------------------------------------------------------------------------
// Leaf-page walk

int64_t SqliteParse::getCellPage(int64_t offset, int64_t pgno) {
  uint8_t field[4];
  const uint64_t pageStart = static_cast<uint64_t>(pgno - 1) * pageSize;
  // A child number that cannot be read is 0, which the walk never follows.
  if (offset < 0 || !readExact(pageStart + static_cast<uint64_t>(offset), field, 4)) return 0;
  return engine::readBigEndian32(field);
}

void SqliteParse::loopPage(int64_t pgno) {
  // Pages that start inside the file; a truncated last page still counts.
  const uint64_t pageCount = (fileSize + pageSize - 1) / pageSize;
  std::vector<bool> seen(static_cast<size_t>(pageCount) + 1, false);
  // Page 1 carries the file header and the schema table, never a table of ours.
  auto admissible = [&](int64_t p) {
    return p >= 2 && static_cast<uint64_t>(p) <= pageCount && !seen[static_cast<size_t>(p)];
  };
  std::vector<int64_t> pending;
  if (admissible(pgno)) {
    seen[static_cast<size_t>(pgno)] = true;
    pending.push_back(pgno);
  }
  // Ends: every page is pushed at most once (`seen`), and only pages inside the file.
  // Depth-first with an explicit stack, so a deep or damaged tree cannot exhaust the
  // call stack; the right-most child is visited before the cells, as in the tree order.
  while (!pending.empty()) {
    const int64_t page = pending.back();
    pending.pop_back();
    const uint64_t start = static_cast<uint64_t>(page - 1) * pageSize;
    uint8_t header[12] = {};
    if (!readExact(start, header, 1)) continue;
    if (header[0] == 13) {
      leafPages.push_back(static_cast<int32_t>(page));
      continue;
    }
    if (header[0] != 5 || !readExact(start + 1, header + 1, 11)) continue;
    // The cell pointer array must fit in the page after the 12-byte header.
    const uint32_t cellCount = std::min(engine::readBigEndian16(header + 3), (pageSize - 12) / 2);
    const int64_t rightChild = engine::readBigEndian32(header + 8);
    std::vector<int64_t> children;
    children.reserve(cellCount + 1);
    if (rightChild != 0) children.push_back(rightChild);
    for (uint32_t i = 0; i < cellCount; ++i) {
      uint8_t pointer[2];
      if (!readExact(start + 12 + 2 * i, pointer, 2)) break;
      const uint32_t cellOffset = engine::readBigEndian16(pointer);
      // A cell must lie after the header and hold its 4-byte child number inside the page.
      if (cellOffset < 12 || cellOffset > pageSize - 4) continue;
      children.push_back(getCellPage(cellOffset, page));
    }
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      if (!admissible(*it)) continue;
      seen[static_cast<size_t>(*it)] = true;
      pending.push_back(*it);
    }
  }
}

void SqliteParse::sortLeafPage() { std::sort(leafPages.begin(), leafPages.end()); }

// ---------------------------------------------------------------------------------------
// Freeblock chains

void SqliteParse::loadFreelistCell(std::vector<uint32_t> pages) {
  for (const uint32_t page : pages) {
    const uint64_t start = static_cast<uint64_t>(page - 1) * pageSize;
    uint8_t field[2];
    if (!readExact(start + 1, field, 2)) continue;
    uint32_t offset = engine::readBigEndian16(field);
    std::vector<uint32_t> chain;
    // A sound chain moves forward: each block lies after the previous block's 4-byte
    // header and keeps its own header inside the page. The first link that breaks this
    // ends the chain; the blocks before it are kept. Ends: `offset` strictly grows.
    uint32_t lowest = 8;  // the leaf page header
    while (offset != 0 && offset >= lowest && offset <= pageSize - 4) {
      chain.push_back(offset);
      if (!readExact(start + offset, field, 2)) break;
      lowest = offset + 4;
      offset = engine::readBigEndian16(field);
    }
    if (!chain.empty()) freeBlocks.emplace(page, std::move(chain));  // a repeated page keeps its first list
  }
}

// ---------------------------------------------------------------------------------------
// Reading the free space to carve

// Fills `buffer` with the record area of the freeblock at `offset` of page `pgno` and
// returns its length. The area begins at freeblock offset 4 when the byte there is below 7
// (taken as column 0's serial type), else at 5 (that byte taken as a header length). A
// size field that runs past the page is cut at the page end; one too small for the bytes
// skipped at its start gives no area.
size_t SqliteParse::readFreeblockArea(uint32_t pgno, uint32_t offset, engine::CarveBuffer& buffer) {
  const uint64_t start = static_cast<uint64_t>(pgno - 1) * pageSize + offset;
  uint8_t head[5];
  if (pageSize - offset < 5 || !readExact(start, head, 5)) {
    buffer.prepare(0);
    return 0;
  }
  const uint32_t size = std::min(engine::readBigEndian16(head + 2), pageSize - offset);
  const uint32_t skipped = head[4] < 7 ? 4 : 5;
  if (size <= skipped) {
    buffer.prepare(0);
    return 0;
  }
  const size_t length = size - skipped;
  uint8_t* bytes = buffer.prepare(length);
  readAvailable(start + skipped, bytes, length);  // bytes the file lacks stay zero
  return length;
}

// Fills `buffer` with the gap between the cell pointer array and the cell content area of
// leaf page `pgno` and returns its length; 0 when the page has no gap or its header does
// not describe one (content start inside the pointer array or beyond the page).
size_t SqliteParse::readUnallocatedArea(uint32_t pgno, engine::CarveBuffer& buffer) {
  const uint64_t start = static_cast<uint64_t>(pgno - 1) * pageSize;
  uint8_t fields[4];
  if (!readExact(start + 3, fields, 4)) {
    buffer.prepare(0);
    return 0;
  }
  const uint32_t cellCount = engine::readBigEndian16(fields);
  uint32_t contentStart = engine::readBigEndian16(fields + 2);
  if (contentStart == 0) contentStart = 65536;  // the format's reading of 0
  contentStart = std::min(contentStart, pageSize);
  const uint32_t gapStart = 8 + 2 * cellCount;
  if (contentStart <= gapStart) {
    buffer.prepare(0);
    return 0;
  }
  const size_t length = contentStart - gapStart;
  uint8_t* bytes = buffer.prepare(length);
  readAvailable(start + gapStart, bytes, length);
  return length;
}

// ---------------------------------------------------------------------------------------
// Carving

void SqliteParse::parseContactFreelistCell(uint32_t pgno, const engine::ContactColumns& columns,
                                           engine::CarveBuffer& buffer) {
  const auto chain = freeBlocks.find(pgno);
  if (chain == freeBlocks.end()) return;
  for (const uint32_t offset : chain->second) {
    const size_t length = readFreeblockArea(pgno, offset, buffer);
    engine::carveContactFreeblock(buffer, length, columns, recoveredContacts);
  }
}

void SqliteParse::parseContactUnassignedArea(uint32_t pgno, const engine::ContactColumns& columns,
                                             engine::CarveBuffer& buffer,
                                             std::vector<engine::ContactPair>& areaRecords) {
  const size_t length = readUnallocatedArea(pgno, buffer);
  if (length > 0) engine::carveContactArea(buffer, length, columns, areaRecords);
}

void SqliteParse::parseSmsFresslistCell(uint32_t pgno, const engine::SmsColumns& columns,
                                        engine::CarveBuffer& buffer) {
  const auto chain = freeBlocks.find(pgno);
  if (chain == freeBlocks.end()) return;
  for (const uint32_t offset : chain->second) {
    const size_t length = readFreeblockArea(pgno, offset, buffer);
    engine::carveSmsFreeblock(buffer, length, columns, recoveredSms);
  }
}

void SqliteParse::parseSmsUnassignedArea(uint32_t pgno, const engine::SmsColumns& columns,
                                         engine::CarveBuffer& buffer, std::vector<SmsCandidate>& areaRecords) {
  const size_t length = readUnallocatedArea(pgno, buffer);
  if (length > 0) engine::carveSmsArea(buffer, length, columns, areaRecords);
}

void SqliteParse::carveLeafPages(ePaserType type) {
  engine::CarveBuffer buffer;
  const engine::ContactColumns contactColumns{rawContactIdColumn, data1Column, contactColumnCount};
  const engine::SmsColumns smsColumns{addressColumn, personColumn, bodyColumn, smsColumnCount};
  std::vector<engine::ContactPair> areaContacts;
  std::vector<SmsCandidate> areaSms;
  for (const int32_t leaf : leafPages) {
    const uint32_t pgno = static_cast<uint32_t>(leaf);
    loadFreelistCell({pgno});
    if (type == ePaserContacts) {
      parseContactFreelistCell(pgno, contactColumns, buffer);
      parseContactUnassignedArea(pgno, contactColumns, buffer, areaContacts);
    } else {
      parseSmsFresslistCell(pgno, smsColumns, buffer);
      parseSmsUnassignedArea(pgno, smsColumns, buffer, areaSms);
    }
  }
  recoveredContacts.insert(recoveredContacts.end(), std::make_move_iterator(areaContacts.begin()),
                           std::make_move_iterator(areaContacts.end()));
  recoveredSms.insert(recoveredSms.end(), std::make_move_iterator(areaSms.begin()),
                      std::make_move_iterator(areaSms.end()));
}

// ---------------------------------------------------------------------------------------
// The run

namespace {

// Every kept column must exist in the table: a position outside the columns would make the
// carvers read a field that no record has, so such a table is not carved at all.
bool columnsPresent(int32_t count, std::initializer_list<int32_t> positions) {
  if (count <= 0) return false;
  for (const int32_t position : positions) {
    if (position < 0 || position >= count) return false;
  }
  return true;
}

}  // namespace

void SqliteParse::startParse(ePaserType type) {
  const std::string* path = nullptr;
  if (type == ePaserContacts) {
    if (!InitContacParseDbFile()) return;
    if (!columnsPresent(contactColumnCount, {rawContactIdColumn, data1Column})) return;
    path = &contactsDbPath;
  } else if (type == ePaserSms) {
    if (!InitSmsParseDbFile()) return;
    if (!columnsPresent(smsColumnCount, {addressColumn, personColumn, bodyColumn})) return;
    path = &smsDbPath;
  } else {
    return;
  }
  getDbPageSize(*path);
  // Nothing can be carved without a valid page size or an open file; the text stays "".
  if (!pageSizeUsable() || !openDbStream(*path)) return;
  loopPage(rootPage);
  sortLeafPage();
  carveLeafPages(type);
  if (type == ePaserContacts) {
    saveContactRecover2File(std::string());
  } else {
    saveSmsRecover2File(std::string());
  }
}
