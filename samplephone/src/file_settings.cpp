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

}  // namespace samplephone
