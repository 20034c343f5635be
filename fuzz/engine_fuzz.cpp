// Fuzz entry point of the recovery engine. The first byte chooses what the rest is:
//   0: a contacts2.db, carved by a contacts run;
//   1: an mmssms.db, carved by a messages run (beside a small sound contacts2.db);
//   2: one page image handed straight to the page carver (as a leaf of the table's tree and
//      as a page no tree holds), after four bytes that choose the table's columns and the
//      page's usable size;
//   3: a write-ahead log, put beside a sound mmssms.db before a messages run.
// Whole runs need a schema SQLite accepts, so the seeds are real databases and most
// mutations land in the pages the engine reads itself.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "PageCarver.h"
#include "RecordValidator.h"
#include "TableRules.h"
#include "SqliteParse.h"

namespace {

std::string workDir;

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void carvePage(const uint8_t* data, size_t size) {
  if (size < 4) return;
  const int count = 2 + data[0] % 23;
  const int kept = 1 + data[1] % (count - 1);
  const uint32_t schemaFormat = 1 + data[2] % 4;
  const uint32_t usable = 480u + (static_cast<uint32_t>(data[3]) << 4);  // 480 to 4560
  const size_t trunkList = 8 + data[0] % 64;  // where a freelist trunk's list would end
  data += 4;
  size -= 4;
  static const char* const kTypes[] = {"INTEGER", "TEXT", "REAL", "BLOB", "NUMERIC", "", "INT NOT NULL"};
  std::vector<engine::ColumnInfo> columns;
  for (int i = 0; i < count; ++i) {
    const uint8_t pick = i < static_cast<int>(size) ? data[i] : 0;
    engine::ColumnInfo column;
    column.name = "c" + std::to_string(i);
    column.declaredType = i == 0 ? "INTEGER" : kTypes[pick % 7];
    column.primaryKey = i == 0;
    column.notNull = pick % 7 == 6;
    columns.push_back(column);
  }
  std::vector<bool> softNotNull(static_cast<size_t>(count), false);
  for (int i = 0; i < count; ++i) softNotNull[static_cast<size_t>(i)] = (i * 7 + count) % 3 == 0;
  const engine::TableRules rules(columns, {kept, count - 1}, softNotNull, schemaFormat, engine::kUtf8);
  std::vector<uint8_t> page(usable + engine::kPageSlack, 0);
  std::memcpy(page.data(), data, std::min<size_t>(size, usable));
  engine::RecordValidator validator(rules, usable, nullptr);
  engine::PageCarver carver(validator);
  std::vector<engine::Record> records;
  carver.carveTreeLeaf(page.data(), records);
  carver.carveWhole(page.data(), 0, records);
  carver.carveWhole(page.data(), trunkList, records);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  char pattern[] = "/tmp/retrievo-fuzz-XXXXXX";
  workDir = mkdtemp(pattern);
  // The contacts database beside the fuzzed messages database: one live contact.
  sqlite3* db = nullptr;
  sqlite3_open((workDir + "/contacts2.sound.db").c_str(), &db);
  sqlite3_exec(db,
               "CREATE TABLE data (_id INTEGER PRIMARY KEY, raw_contact_id INTEGER, data1 TEXT);"
               "INSERT INTO data VALUES (1, 1, 'Alice'), (2, 1, '5550100');",
               nullptr, nullptr, nullptr);
  sqlite3_close(db);
  // The messages database beside a fuzzed write-ahead log: 1024-byte pages, rows deleted.
  db = nullptr;
  sqlite3_open((workDir + "/mmssms.sound.db").c_str(), &db);
  sqlite3_exec(db,
               "PRAGMA page_size=1024; PRAGMA secure_delete=OFF;"
               "CREATE TABLE sms (_id INTEGER PRIMARY KEY, thread_id INTEGER, address TEXT, person INTEGER,"
               " body TEXT);"
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40)"
               " INSERT INTO sms SELECT i, 1, '555' || i, NULL, 'message number ' || i FROM n;"
               "DELETE FROM sms WHERE _id % 4 = 1;",
               nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0] % 4;
  ++data;
  --size;
  if (mode == 2) {
    carvePage(data, size);
    return 0;
  }
  const std::string contacts = workDir + "/contacts2.db";
  const std::string sms = workDir + "/mmssms.db";
  for (const char* side : {"-wal", "-shm", "-journal"}) {
    unlink((contacts + side).c_str());
    unlink((sms + side).c_str());
  }
  if (mode == 3) {
    std::ifstream sound(workDir + "/contacts2.sound.db", std::ios::binary);
    std::ofstream(contacts, std::ios::binary | std::ios::trunc) << sound.rdbuf();
    std::ifstream soundSms(workDir + "/mmssms.sound.db", std::ios::binary);
    std::ofstream(sms, std::ios::binary | std::ios::trunc) << soundSms.rdbuf();
    writeFile(sms + "-wal", data, size);
    SqliteParse parse(contacts, sms);
    parse.startParse(ePaserSms);
    (void)parse.get_contacts_mem();
    return 0;
  }
  if (mode == 0) {
    writeFile(contacts, data, size);
    SqliteParse parse(contacts, sms);
    parse.startParse(ePaserContacts);
    (void)parse.get_contacts_mem();
  } else {
    std::ifstream sound(workDir + "/contacts2.sound.db", std::ios::binary);
    std::ofstream(contacts, std::ios::binary | std::ios::trunc) << sound.rdbuf();
    writeFile(sms, data, size);
    SqliteParse parse(contacts, sms);
    parse.startParse(ePaserSms);
    (void)parse.get_contacts_mem();
  }
  return 0;
}
