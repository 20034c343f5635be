#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "db.h"
#include "writer.h"

namespace samplephone {

void prepareFile(Database& db, const WriteOptions& options, int userVersion) {
  // Both settings must be in place before the first table is created: the page size is
  // fixed then, and so is the schema format.
  db.exec("PRAGMA page_size = " + std::to_string(options.pageSize));
  int legacy = options.schemaFormat == 1 ? 1 : 0;
  if (sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_LEGACY_FILE_FORMAT, legacy, nullptr) != SQLITE_OK)
    throw std::runtime_error("this SQLite cannot write schema format 1");
  // The phone's setting. It truncates only whole free pages at each commit; the space a
  // deleted row leaves inside a page that stays in use (a freeblock, or the gap in front
  // of the cell content area) is not touched by it.
  db.exec("PRAGMA auto_vacuum = FULL");
  db.exec("PRAGMA journal_mode = DELETE");
  // Many SQLite builds zero deleted content by default; the phones whose rows we recover
  // did not, so the setting is always given explicitly.
  db.exec(options.secureDelete ? "PRAGMA secure_delete = ON" : "PRAGMA secure_delete = OFF");
  db.exec("PRAGMA user_version = " + std::to_string(userVersion));
}

std::size_t firstNewest(std::size_t count, const WriteOptions& options) {
  if (!options.wal || count == 0) return count;
  return count - std::max<std::size_t>(1, count / 6);
}

void enterWalMode(Database& db) {
  // The log's header carries random salts (and every frame's checksum depends on them);
  // a fixed seed for SQLite's generator keeps the same command writing the same bytes.
  sqlite3_test_control(SQLITE_TESTCTRL_PRNG_SEED, 0x5A17, static_cast<sqlite3*>(nullptr));
  {
    Statement mode(db.handle(), "PRAGMA journal_mode = WAL");
    if (!mode.step() || mode.text(0) != "wal") throw std::runtime_error("the file did not switch to WAL mode");
  }
  db.exec("PRAGMA wal_autocheckpoint = 0");
  // Closing the last connection would otherwise copy the log into the file and delete it.
  if (sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr) != SQLITE_OK)
    throw std::runtime_error("this SQLite cannot keep the log at close");
}

void removeSharedMemoryFile(const std::string& path) { std::remove((path + "-shm").c_str()); }

}  // namespace samplephone
