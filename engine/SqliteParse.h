// The recovery engine: one SqliteParse object performs one run over one Android database
// and yields the deleted records it found as one text.
//
// How a run works: the write-ahead log beside the file is copied first (SQLite deletes it
// when its connection closes). SQLite then answers the baseline questions: the table's
// root page and declared columns, the roots of every other tree, the kept fields of the
// live rows, which columns the live rows never leave NULL, and for messages the live
// contacts that name a sender. Everything else reads the file itself, page by page through
// `dbStream`, each page at most once: the table's tree (freeblocks and gap of every leaf),
// the database freelist, pages no tree reaches, and the copied log's frames. Every record
// found passes one validation against the table's columns (TableRules, RecordValidator,
// PageCarver); records that repeat a live row or an earlier record are dropped, and the
// rest become TAB-separated lines. The file is never loaded whole, and nothing the file
// claims (page numbers, offsets, sizes, counts) is used before it has been checked.
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "CarvedRows.h"
#include "DatabaseFile.h"
#include "RecordValidator.h"
#include "TableRules.h"

struct sqlite3;

enum ePaserType {
  ePaserContacts = 0,  // table "data" of contacts2.db
  ePaserSms = 1,       // table "sms" of mmssms.db
};

using engine::SmsCandidate;

// Converts a carved UTF-8 field (up to its first zero byte) to the ANSI code page. Text
// that is not valid UTF-8 gives the empty string. On Windows characters the code page
// cannot show become its default character; elsewhere the ANSI code page is UTF-8 and
// valid text passes unchanged.
std::string utf8ToAnsi(const std::string& bytes);

namespace engine {
class PageCarver;
}

class SqliteParse : private engine::OverflowSource {
 public:
  SqliteParse(const std::string& contactsDbPath, const std::string& smsDbPath);
  ~SqliteParse();
  SqliteParse(const SqliteParse&) = delete;
  SqliteParse& operator=(const SqliteParse&) = delete;

  // Performs the whole run of the given type; any other value does nothing.
  void startParse(ePaserType type);

  // The run's text (contacts or messages, despite the name); "" before a run, after a
  // failed baseline, or when nothing was recovered.
  std::string get_contacts_mem();

 private:
  // Baseline through SQLite; false ends the run before anything is carved.
  bool InitContacParseDbFile();
  bool InitSmsParseDbFile();
  void getDbPageSize(const std::string& path);
  int getColunmcount(const std::string& path, const std::string& table);

  // Page walk and reads.
  void loopPage(int64_t pgno);
  void walkTree(int64_t pgno, bool collectLeaves);
  void sortLeafPage();
  int64_t getCellPage(int64_t offset, int64_t pgno);
  bool openDbStream(const std::string& path);
  bool readExact(uint64_t offset, uint8_t* dst, size_t length, bool wide = false);
  size_t readAvailable(uint64_t offset, uint8_t* dst, size_t length, bool wide = false);
  bool readPage(uint32_t pgno, std::vector<uint8_t>& page);
  bool pageSizeUsable() const;

  // Decoding rules, shared with the carvers.
  int calculateDataWidth(uint32_t serialType);
  int checkDataType(uint32_t serialType);

  // The database freelist: trunk pages and the leaves they list.
  void loadDatabaseFreelist();

  // Carving, in the order the pages are looked at.
  void carvePages(engine::PageCarver& carver);
  void keepRecords(std::vector<engine::Record>& records);
  void keepContacts();

  // OverflowSource: a deleted row's overflow chain runs through freelist leaves only.
  bool isFreelistLeaf(uint32_t pgno) const override;
  bool readPagePrefix(uint32_t pgno, uint8_t* dst, size_t length) override;

  // Baseline additions, on the connection the baseline already opened.
  bool readTableFacts(sqlite3* db, const char* table);
  void readLiveRows(sqlite3* db, const char* table, int first, int second, std::unordered_set<uint64_t>* seconds);
  bool isLive(uint64_t key) const;

  // The run's text.
  void saveContactRecover2File(const std::string& unused);
  void saveSmsRecover2File(const std::string& unused);

  sqlite3* smsDb = nullptr;
  sqlite3* contactsDb = nullptr;
  int32_t rootPage = 0;
  uint32_t pageSize = 0;
  std::string contactsDbPath;
  std::string smsDbPath;
  std::vector<int32_t> leafPages;
  std::ifstream dbStream;
  int32_t contactColumnCount = 0;
  int32_t smsColumnCount = 0;
  int32_t rawContactIdColumn = -1;
  int32_t data1Column = -1;
  int32_t addressColumn = -1;
  int32_t personColumn = -1;
  int32_t bodyColumn = -1;
  std::string recoveredText;
  std::vector<std::pair<std::string, std::string>> recoveredContacts;
  std::vector<std::pair<std::string, std::string>> contactLookup;
  std::vector<SmsCandidate> recoveredSms;

  // What the baseline and the file header say about the table and the file.
  ePaserType runType = ePaserContacts;
  engine::FileHeader header;
  std::vector<engine::ColumnInfo> tableColumns;
  std::vector<bool> softNotNull;
  std::vector<uint32_t> treeRoots;              // every table and index in sqlite_master
  std::vector<uint64_t> liveKeys;               // deciding fields of the live rows, sorted
  std::unordered_set<uint64_t> liveData1;       // data1 of the live contact rows
  std::unordered_set<uint64_t> takenKeys;       // deciding fields of the records kept
  std::vector<engine::ContactPair> carvedContacts;  // every contact row carved, before the group test
  engine::WalCopy walCopy;
  std::vector<bool> seen;                       // pages already looked at, by number
  std::vector<bool> freelistLeaf;
  std::vector<std::pair<uint32_t, uint32_t>> freelistPages;  // (page, offset to carve from)

  // Size of the open database file, taken once when dbStream is opened; pages that start
  // at or beyond it are not read.
  uint64_t fileSize = 0;
  // The parts of the file last read: a wide window for pages carved in ascending order,
  // and the one page of the last other read.
  std::vector<uint8_t> window;
  uint64_t windowStart = 0;
  std::vector<uint8_t> pageCache;
  uint64_t pageCacheStart = 0;
};
