// A SQLite VFS of one database, served from a PageSource: SQLite reads the current
// database (the main file with the log's committed frames and a hot journal's images put
// in) as if it were one file in rollback mode, and can neither write, nor find a journal,
// nor make a log or a shared-memory file. So SQLite sees what the phone saw, while nothing
// is written into the copies or beside them and no rollback or checkpoint can happen.
//
// Each object registers a VFS under a name of its own and removes it when destroyed; the
// connection opened with open() must be closed before that.
#pragma once

#include <memory>
#include <string>

struct sqlite3;
struct sqlite3_vfs;

namespace engine {

class PageSource;

class ReadOnlyVfs {
 public:
  explicit ReadOnlyVfs(PageSource& source);
  ~ReadOnlyVfs();
  ReadOnlyVfs(const ReadOnlyVfs&) = delete;
  ReadOnlyVfs& operator=(const ReadOnlyVfs&) = delete;

  // A read-only connection to the current database, temporary storage in memory; null on
  // failure. The caller closes it (sqlite3_close) before this object goes.
  sqlite3* open();

  PageSource& source() { return source_; }

 private:
  PageSource& source_;
  std::string name_;
  std::unique_ptr<sqlite3_vfs> vfs_;
  bool registered_ = false;
};

}  // namespace engine
