// Fuzz entry point of the recovery engine. Nothing is written to disk: every input reaches
// the engine's page source as a byte buffer. The first byte chooses what the rest is:
//   0: a contacts2.db, carved by a contacts run;
//   1: an mmssms.db, carved by a messages run;
//   2: one page image handed straight to the page carver (as a leaf of the table's tree and
//      as a page no tree holds), after four bytes that choose the table's columns and the
//      page's usable size;
//   3: a write-ahead log beside a sound mmssms.db;
//   4: a rollback journal beside a sound mmssms.db.
// Whole runs need a schema SQLite accepts, so the seeds are real databases and most
// mutations land in the pages the engine reads itself.
#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ContactRecovery.h"
#include "MessageRecovery.h"
#include "PageCarver.h"
#include "RecordValidator.h"
#include "TableRules.h"

namespace {

// A sound messages database with deleted rows, made in memory by SQLite.
std::vector<uint8_t> soundMessages() {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  sqlite3_exec(db,
               "PRAGMA page_size=1024; PRAGMA secure_delete=OFF;"
               "CREATE TABLE sms (_id INTEGER PRIMARY KEY, thread_id INTEGER, address TEXT, person INTEGER,"
               " body TEXT);"
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40)"
               " INSERT INTO sms SELECT i, 1, '555' || i, NULL, 'message number ' || i FROM n;"
               "DELETE FROM sms WHERE _id % 4 = 1;",
               nullptr, nullptr, nullptr);
  sqlite3_int64 size = 0;
  unsigned char* bytes = sqlite3_serialize(db, "main", &size, 0);
  std::vector<uint8_t> out(bytes, bytes + (bytes != nullptr ? size : 0));
  sqlite3_free(bytes);
  sqlite3_close(db);
  return out;
}

std::unique_ptr<engine::PageSource> pages(std::vector<uint8_t> database, std::vector<uint8_t> log = {},
                                          std::vector<uint8_t> journal = {}) {
  auto buffer = [](std::vector<uint8_t> bytes) -> std::unique_ptr<engine::ByteSource> {
    if (bytes.empty()) return nullptr;
    return std::make_unique<engine::BufferBytes>(std::move(bytes));
  };
  return std::make_unique<engine::PageSource>(buffer(std::move(database)), buffer(std::move(log)),
                                              buffer(std::move(journal)));
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
  const engine::TableRules rules(columns, {kept, count - 1}, 2, softNotNull, schemaFormat, engine::kUtf8);
  std::vector<uint8_t> page(usable + engine::kPageSlack, 0);
  std::memcpy(page.data(), data, std::min<size_t>(size, usable));
  engine::RecordValidator validator(rules, usable, nullptr);
  engine::PageCarver carver(validator);
  std::vector<engine::Record> records;
  carver.carveTreeLeaf(page.data(), records);
  carver.carveWhole(page.data(), 0, records);
  carver.carveWhole(page.data(), trunkList, records);
}

const std::vector<uint8_t>& sound() {
  static const std::vector<uint8_t> bytes = soundMessages();
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  sound();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0] % 5;
  const std::vector<uint8_t> rest(data + 1, data + size);
  engine::RunLimits limits;
  limits.deadline = std::chrono::steady_clock::now() + engine::kSqliteDeadline;
  switch (mode) {
    case 0: {
      engine::ContactRecovery run(limits);
      run.run(pages(rest), "contacts2.db");
      break;
    }
    case 1: {
      engine::MessageRecovery run(limits);
      run.run(pages(rest), "mmssms.db", nullptr, "contacts2.db");
      break;
    }
    case 2:
      carvePage(rest.data(), rest.size());
      break;
    default: {
      engine::MessageRecovery run(limits);
      run.run(mode == 3 ? pages(sound(), rest) : pages(sound(), {}, rest), "mmssms.db", nullptr, "contacts2.db");
      break;
    }
  }
  return 0;
}
