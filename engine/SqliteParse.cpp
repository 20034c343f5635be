#include "SqliteParse.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "PageCarver.h"
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
  // The file is carved after SQLite closes it: the checkpoint SQLite makes when the last
  // connection to a database in write-ahead-log mode closes would copy the log into the
  // file, over the free space that holds the deleted rows.
  if (db) sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  sqlite3_close(db);
  db = nullptr;
}

constexpr size_t kReadWindow = 256 * 1024;

// A soft NOT NULL is believed only when this many live rows show it.
constexpr int64_t kSoftNotNullRows = 20;

std::string quoted(const std::string& name) {
  std::string out = "\"";
  for (const char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

uint64_t keyOf(const std::string& first, const std::string& second);

// Whether every position names one of `count` columns. A kept column outside the table
// would make the carvers read a field no record has, so such a table is not carved.
bool columnsKnown(int32_t count, std::initializer_list<int32_t> positions) {
  if (count <= 0) return false;
  for (const int32_t position : positions) {
    if (position < 0 || position >= count) return false;
  }
  return true;
}

}  // namespace

// The baseline's additions: the declared columns and the root of every tree. A statement
// that fails leaves its part empty: without declared columns nothing is carved, without
// roots no other tree is marked.
bool SqliteParse::readTableFacts(sqlite3* db, const char* table) {
  tableColumns.clear();
  softNotNull.clear();
  treeRoots.clear();
  const std::string info = "PRAGMA table_info(" + quoted(table) + ")";
  if (sqlite3_stmt* statement = prepare(db, info.c_str())) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      engine::ColumnInfo column;
      column.name = columnText(statement, 1);
      column.declaredType = columnText(statement, 2);
      column.notNull = sqlite3_column_int64(statement, 3) != 0;
      column.primaryKey = sqlite3_column_int64(statement, 5) != 0;
      tableColumns.push_back(column);
    }
    sqlite3_finalize(statement);
  }
  if (sqlite3_stmt* statement = prepare(db, "SELECT rootpage FROM sqlite_master WHERE rootpage > 0")) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      const int64_t root = sqlite3_column_int64(statement, 0);
      if (root > 0 && root <= 0xFFFFFFFF) treeRoots.push_back(static_cast<uint32_t>(root));
    }
    sqlite3_finalize(statement);
  }
  return true;
}

// One pass over the live rows of the table: the deciding fields of each (the columns at
// `first` and `second`, as SQLite's text), the second field alone into `seconds` when
// given, and for each column whether it is never NULL (believed from kSoftNotNullRows
// rows on). A statement that fails leaves the sets empty and no column never NULL.
void SqliteParse::readLiveRows(sqlite3* db, const char* table, int first, int second,
                               std::unordered_set<uint64_t>* seconds) {
  softNotNull.assign(tableColumns.size(), false);
  const std::string sql = std::string("SELECT * FROM ") + quoted(table);
  sqlite3_stmt* statement = prepare(db, sql.c_str());
  if (statement == nullptr) return;
  const int columns = sqlite3_column_count(statement);
  std::vector<bool> sawNull(static_cast<size_t>(columns), false);
  int64_t rows = 0;
  std::vector<uint64_t> keys;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    ++rows;
    for (int i = 0; i < columns; ++i) {
      if (sqlite3_column_type(statement, i) == SQLITE_NULL) sawNull[static_cast<size_t>(i)] = true;
    }
    const std::string a = columnText(statement, first);
    const std::string b = columnText(statement, second);
    keys.push_back(keyOf(a, b));
    if (seconds != nullptr) seconds->insert(keyOf(b, std::string()));
  }
  sqlite3_finalize(statement);
  std::sort(keys.begin(), keys.end());
  liveKeys = std::move(keys);
  if (rows >= kSoftNotNullRows && static_cast<size_t>(columns) == softNotNull.size()) {
    for (size_t i = 0; i < softNotNull.size(); ++i) softNotNull[i] = !sawNull[i];
  }
}

bool SqliteParse::isLive(uint64_t key) const { return std::binary_search(liveKeys.begin(), liveKeys.end(), key); }

SqliteParse::SqliteParse(const std::string& contactsPath, const std::string& smsPath)
    : contactsDbPath(contactsPath), smsDbPath(smsPath) {}

SqliteParse::~SqliteParse() {
  leafPages.clear();
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
  readTableFacts(contactsDb, "data");
  if (columnsKnown(contactColumnCount, {rawContactIdColumn, data1Column})) {
    readLiveRows(contactsDb, "data", rawContactIdColumn, data1Column, &liveData1);
  }
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
  readTableFacts(smsDb, "sms");
  if (columnsKnown(smsColumnCount, {addressColumn, bodyColumn})) {
    readLiveRows(smsDb, "sms", addressColumn, bodyColumn, nullptr);
  }
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
// rest of `dst` is left as it was (callers hand in zeroed buffers). Reads are served from
// one of two caches: `wide` reads (pages carved in ascending order, the scan for pages no
// tree holds) from a 256 KiB window that moves forward, so those pages are read from the
// file about once; other reads (tree walks, freelist trunks, overflow pages, which jump
// about the file) from a cache of the one page they fall in, so a jump costs one page.
size_t SqliteParse::readAvailable(uint64_t offset, uint8_t* dst, size_t length, bool wide) {
  if (length == 0 || offset >= fileSize) return 0;
  length = static_cast<size_t>(std::min<uint64_t>(length, fileSize - offset));
  std::vector<uint8_t>& cache = wide ? window : pageCache;
  uint64_t& cacheStart = wide ? windowStart : pageCacheStart;
  if (offset < cacheStart || offset - cacheStart + length > cache.size()) {
    // Aligned to the page that holds `offset`, so a whole page always fits.
    const uint64_t align = pageSizeUsable() ? pageSize : 512;
    cacheStart = offset - offset % align;
    const size_t wanted = std::max<size_t>(wide ? kReadWindow : static_cast<size_t>(align),
                                           static_cast<size_t>(offset - cacheStart) + length);
    cache.resize(wanted);
    dbStream.clear();
    dbStream.seekg(static_cast<std::streamoff>(cacheStart));
    dbStream.read(reinterpret_cast<char*>(cache.data()), static_cast<std::streamsize>(wanted));
    const std::streamsize got = dbStream.gcount();
    dbStream.clear();
    cache.resize(got > 0 ? static_cast<size_t>(got) : 0);
    if (offset - cacheStart >= cache.size()) return 0;
  }
  const size_t have = std::min<size_t>(length, cache.size() - static_cast<size_t>(offset - cacheStart));
  std::memcpy(dst, cache.data() + (offset - cacheStart), have);
  return have;
}

bool SqliteParse::readExact(uint64_t offset, uint8_t* dst, size_t length, bool wide) {
  return readAvailable(offset, dst, length, wide) == length;
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

void SqliteParse::loopPage(int64_t pgno) { walkTree(pgno, true); }

// Walks the tree rooted at `pgno`, marking every page it reaches in `seen`; with
// `collectLeaves` the table leaf pages go to `leafPages`. Page numbers outside the file or
// seen before are skipped, and only B-tree page types are followed.
void SqliteParse::walkTree(int64_t pgno, bool collectLeaves) {
  const uint64_t pageCount = header.pageCount;
  auto admissible = [&](int64_t p) {
    return p >= 1 && static_cast<uint64_t>(p) <= pageCount && !seen[static_cast<size_t>(p)];
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
    const uint32_t headerAt = page == 1 ? engine::kFileHeaderSize : 0;  // page 1 starts with the file header
    uint8_t pageHeader[12] = {};
    if (!readExact(start + headerAt, pageHeader, 1)) continue;
    const uint8_t type = pageHeader[0];
    if (type == 13) {
      if (collectLeaves) leafPages.push_back(static_cast<int32_t>(page));
      continue;
    }
    if (type != 2 && type != 5) continue;  // index leaves (10) have no children
    if (!readExact(start + headerAt + 1, pageHeader + 1, 11)) continue;
    // The cell pointer array must fit in the page after the 12-byte header.
    const uint32_t cellCount = std::min(engine::readBigEndian16(pageHeader + 3), (header.usable - headerAt - 12) / 2);
    const int64_t rightChild = engine::readBigEndian32(pageHeader + 8);
    std::vector<int64_t> children;
    children.reserve(cellCount + 1);
    if (rightChild != 0) children.push_back(rightChild);
    for (uint32_t i = 0; i < cellCount; ++i) {
      uint8_t pointer[2];
      if (!readExact(start + headerAt + 12 + 2 * i, pointer, 2)) break;
      const uint32_t cellOffset = engine::readBigEndian16(pointer);
      // A cell must lie after the header and hold its 4-byte child number inside the page.
      if (cellOffset < headerAt + 12 || cellOffset > header.usable - 4) continue;
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
// The database freelist

// Trunk pages from header offset 32, each listing at most (U - 8) / 4 leaves; page numbers
// outside 2..page count are skipped. A trunk is carved after its list, a leaf whole.
void SqliteParse::loadDatabaseFreelist() {
  const uint64_t pageCount = header.pageCount;
  std::vector<bool> trunkSeen(static_cast<size_t>(pageCount) + 1, false);
  uint32_t trunk = header.firstTrunk;
  // Ends: a trunk page is taken at most once.
  while (trunk >= 2 && trunk <= pageCount && !trunkSeen[trunk]) {
    trunkSeen[trunk] = true;
    const uint64_t start = static_cast<uint64_t>(trunk - 1) * pageSize;
    uint8_t fields[8];
    if (!readExact(start, fields, 8)) break;
    const uint32_t listed = std::min(engine::readBigEndian32(fields + 4), (header.usable - 8) / 4);
    freelistPages.emplace_back(trunk, 8 + 4 * listed);
    std::vector<uint8_t> list(4 * static_cast<size_t>(listed));
    if (listed > 0 && !readExact(start + 8, list.data(), list.size())) break;
    for (uint32_t i = 0; i < listed; ++i) {
      const uint32_t leaf = engine::readBigEndian32(list.data() + 4 * i);
      if (leaf < 2 || leaf > pageCount) continue;
      freelistLeaf[leaf] = true;
      freelistPages.emplace_back(leaf, 0);
    }
    trunk = engine::readBigEndian32(fields);
  }
}

bool SqliteParse::isFreelistLeaf(uint32_t pgno) const {
  return pgno < freelistLeaf.size() && freelistLeaf[pgno];
}

bool SqliteParse::readPagePrefix(uint32_t pgno, uint8_t* dst, size_t length) {
  if (pgno < 1 || pgno > header.pageCount || length > pageSize) return false;
  return readExact(static_cast<uint64_t>(pgno - 1) * pageSize, dst, length);
}

// Reads the usable part of page `pgno` into `page`, which keeps kPageSlack zero bytes
// after it; false when the file lacks the page.
bool SqliteParse::readPage(uint32_t pgno, std::vector<uint8_t>& page) {
  page.resize(header.usable + engine::kPageSlack);
  std::fill(page.begin() + header.usable, page.end(), 0);
  if (pgno < 1 || pgno > header.pageCount) return false;
  return readExact(static_cast<uint64_t>(pgno - 1) * pageSize, page.data(), header.usable, true);
}

// ---------------------------------------------------------------------------------------
// Carving

void SqliteParse::carvePages(engine::PageCarver& carver) {
  const size_t slots = static_cast<size_t>(header.pageCount) + 1;
  seen.assign(slots, false);
  freelistLeaf.assign(slots, false);
  loadDatabaseFreelist();
  std::vector<uint8_t> page;
  std::vector<engine::Record> found;

  // The table's own tree, leaves in ascending order.
  loopPage(rootPage);
  sortLeafPage();
  for (const int32_t leaf : leafPages) {
    if (!readPage(static_cast<uint32_t>(leaf), page)) continue;
    carver.carveTreeLeaf(page.data(), found);
    keepRecords(found);
  }
  // The freelist: pages of deleted rows' trees that SQLite let go, kept with their content.
  for (const auto& [pgno, from] : freelistPages) {
    if (seen[pgno]) continue;
    seen[pgno] = true;
    if (!readPage(pgno, page)) continue;
    carver.carveWhole(page.data(), from, found);
    keepRecords(found);
  }
  // Every other tree, only marked: their free space holds their own tables' rows.
  walkTree(1, false);
  for (const uint32_t root : treeRoots) walkTree(root, false);
  // Table leaf pages that no tree reaches.
  for (uint64_t pgno = 2; pgno <= header.pageCount; ++pgno) {
    if (seen[static_cast<size_t>(pgno)]) continue;
    uint8_t type = 0;
    if (!readExact((pgno - 1) * pageSize, &type, 1, true) || type != 13) continue;
    seen[static_cast<size_t>(pgno)] = true;
    if (!readPage(static_cast<uint32_t>(pgno), page)) continue;
    carver.carveWhole(page.data(), 0, found);
    keepRecords(found);
  }
  // The write-ahead log's frames: older images of pages, checkpointed or not.
  walCopy.forEachFrame(pageSize, [&](uint32_t pgno, const uint8_t* image) {
    if (pgno == 1) return;  // the schema page
    page.assign(image, image + header.usable);
    page.resize(header.usable + engine::kPageSlack, 0);
    carver.carveWhole(page.data(), 0, found);
    keepRecords(found);
  });
}

namespace {

// 64-bit FNV-1a over the fields, each preceded by its length: a key for the sets of
// deciding fields, small enough to hold every live row of a large phone.
uint64_t keyOf(const std::string& first, const std::string& second) {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&](const std::string& field) {
    const uint64_t length = field.size();
    for (int i = 0; i < 8; ++i) {
      h = (h ^ ((length >> (8 * i)) & 0xFF)) * 1099511628211ull;
    }
    for (const char c : field) h = (h ^ static_cast<uint8_t>(c)) * 1099511628211ull;
  };
  mix(first);
  mix(second);
  return h;
}

// What a field can put into the text: its bytes up to the first zero byte.
bool writesNothing(const std::string& field) { return field.empty() || field[0] == '\0'; }

}  // namespace

// Keeps the records just carved, in order. A message is dropped when neither address nor
// body would write anything, or when its address and body repeat a live message or one
// already kept. Contact rows are decided at the end of the run (keepContacts).
void SqliteParse::keepRecords(std::vector<engine::Record>& records) {
  for (engine::Record& record : records) {
    if (runType == ePaserContacts) {
      carvedContacts.emplace_back(std::move(record.kept[0]), std::move(record.kept[1]));
      continue;
    }
    SmsCandidate sms{std::move(record.kept[0]), std::move(record.kept[1]), std::move(record.kept[2])};
    if (writesNothing(sms.address) && writesNothing(sms.body)) continue;
    const uint64_t key = keyOf(sms.address, sms.body);
    if (isLive(key) || !takenKeys.insert(key).second) continue;
    recoveredSms.push_back(std::move(sms));
  }
  records.clear();
}

// A contact row is dropped when its data1 would write nothing, when (raw_contact_id,
// data1) repeats a live row or a row already kept, or when every data1 carved for its
// raw_contact_id is live: such a contact was only renumbered, not deleted.
void SqliteParse::keepContacts() {
  std::unordered_map<std::string, bool> everyValueLive;
  for (const engine::ContactPair& row : carvedContacts) {
    if (writesNothing(row.second)) continue;
    const bool live = liveData1.count(keyOf(row.second, std::string())) != 0;
    auto [slot, added] = everyValueLive.emplace(row.first, live);
    if (!added) slot->second = slot->second && live;
  }
  for (engine::ContactPair& row : carvedContacts) {
    if (writesNothing(row.second) || everyValueLive[row.first]) continue;
    const uint64_t key = keyOf(row.first, row.second);
    if (isLive(key) || !takenKeys.insert(key).second) continue;
    recoveredContacts.push_back(std::move(row));
  }
  carvedContacts.clear();
}

// ---------------------------------------------------------------------------------------
// The run

void SqliteParse::startParse(ePaserType type) {
  const std::string* path = nullptr;
  if (type == ePaserContacts) {
    path = &contactsDbPath;
  } else if (type == ePaserSms) {
    path = &smsDbPath;
  } else {
    return;
  }
  runType = type;
  // Before SQLite opens the file: closing its last connection checkpoints the log into
  // the file and deletes it, with the older page images it holds.
  walCopy.load(*path + "-wal");
  std::vector<int32_t> kept;
  if (type == ePaserContacts) {
    if (!InitContacParseDbFile()) return;
    if (!columnsKnown(contactColumnCount, {rawContactIdColumn, data1Column})) return;
    kept = {rawContactIdColumn, data1Column};
  } else {
    if (!InitSmsParseDbFile()) return;
    if (!columnsKnown(smsColumnCount, {addressColumn, personColumn, bodyColumn})) return;
    kept = {addressColumn, personColumn, bodyColumn};
  }
  const int32_t columnCount = type == ePaserContacts ? contactColumnCount : smsColumnCount;
  // The declared columns must be the ones the column query saw, or no rule would fit.
  if (tableColumns.size() != static_cast<size_t>(columnCount)) return;
  getDbPageSize(*path);
  // Nothing can be carved without a valid page size, an open file and a sound header.
  if (!pageSizeUsable() || !openDbStream(*path)) return;
  uint8_t fileHeader[engine::kFileHeaderSize];
  if (!readExact(0, fileHeader, sizeof fileHeader) || !engine::readFileHeader(fileHeader, fileSize, header)) return;
  pageSize = header.pageSize;

  const engine::TableRules rules(tableColumns, std::vector<int>(kept.begin(), kept.end()), softNotNull,
                                 header.schemaFormat, header.textEncoding);
  engine::RecordValidator validator(rules, header.usable, this);
  engine::PageCarver carver(validator);
  carvePages(carver);
  if (type == ePaserContacts) {
    keepContacts();
    saveContactRecover2File(std::string());
  } else {
    saveSmsRecover2File(std::string());
  }
}
