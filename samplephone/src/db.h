#pragma once

// A thin owner of one SQLite connection and its prepared statements. Errors throw
// std::runtime_error with SQLite's message: the generator is a build tool, and any
// failure ends it with a message and a non-zero exit code.

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace samplephone {

class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Parameters count from 1, as in SQLite.
  Statement& bind(int index, int64_t value);
  Statement& bind(int index, const std::string& text);
  Statement& bindNull(int index);
  // A text that is empty in the model is NULL in the database.
  Statement& bindTextOrNull(int index, const std::string& text);

  // Steps once; true while a row is available.
  bool step();
  // Runs a statement that returns no rows, then readies it for the next bindings.
  void run();
  void reset();

  int64_t int64(int column) const;
  bool isNull(int column) const;
  std::string text(int column) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

class Database {
 public:
  // Creates the file (it must not exist yet).
  explicit Database(const std::string& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void exec(const std::string& sql);
  int64_t queryInt(const std::string& sql);
  int64_t lastInsertRowid() const;
  sqlite3* handle() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace samplephone
