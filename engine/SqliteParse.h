// The recovery engine: one SqliteParse object performs one run over one Android database
// and yields the deleted records it found as one text.
//
// How a run works: SQLite answers the baseline questions (the table's root page, the
// positions of the kept columns and, for messages, the live contacts that name a sender);
// everything else reads the file itself, page by page through `dbStream`: the table's
// B-tree is walked to its leaf pages, and each leaf page's freeblocks and unallocated gap
// are carved for the remains of deleted rows. The carved rows become TAB-separated lines.
// The file is never loaded whole, and nothing the file claims (page numbers, offsets,
// sizes, counts) is used before it has been checked against what was actually read.
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Carving.h"

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

class SqliteParse {
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
  void sortLeafPage();
  int64_t getCellPage(int64_t offset, int64_t pgno);
  bool openDbStream(const std::string& path);
  bool readExact(uint64_t offset, uint8_t* dst, size_t length);
  size_t readAvailable(uint64_t offset, uint8_t* dst, size_t length);
  bool pageSizeUsable() const;

  // Decoding rules, shared with the carvers.
  int calculateDataWidth(uint32_t serialType);
  int checkDataType(uint32_t serialType);

  // Freeblock chains of the leaf pages.
  void loadFreelistCell(std::vector<uint32_t> pages);

  // Carving, one leaf page at a time: the page's freeblocks first, then its unallocated
  // gap, whose records are held aside until every page's freeblocks are done. Each page is
  // thus read once, in ascending order, and the records still come out as all freeblock
  // records (pages ascending) followed by all gap records (pages ascending).
  void carveLeafPages(ePaserType type);
  void parseContactFreelistCell(uint32_t pgno, const engine::ContactColumns& columns, engine::CarveBuffer& buffer);
  void parseContactUnassignedArea(uint32_t pgno, const engine::ContactColumns& columns, engine::CarveBuffer& buffer,
                                  std::vector<engine::ContactPair>& areaRecords);
  void parseSmsFresslistCell(uint32_t pgno, const engine::SmsColumns& columns, engine::CarveBuffer& buffer);
  void parseSmsUnassignedArea(uint32_t pgno, const engine::SmsColumns& columns, engine::CarveBuffer& buffer,
                              std::vector<SmsCandidate>& areaRecords);
  size_t readFreeblockArea(uint32_t pgno, uint32_t offset, engine::CarveBuffer& buffer);
  size_t readUnallocatedArea(uint32_t pgno, engine::CarveBuffer& buffer);

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
  std::map<uint32_t, std::vector<uint32_t>> freeBlocks;
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

  // Size of the open database file, taken once when dbStream is opened; pages that start
  // at or beyond it are not read.
  uint64_t fileSize = 0;
  // The part of the file last read, from `windowStart`.
  std::vector<uint8_t> window;
  uint64_t windowStart = 0;
};
