// The engine's own reader of live rows against SQLite's, on every table of every real
// database of the corpus: both read the same bytes (SQLite through the engine's read-only
// view of the file), and every row SQLite lists must come out the same.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ReadOnlyVfs.h"
#include "RecoveryRun.h"

namespace fs = std::filesystem;

#ifndef _WIN32
namespace {

// One row as both readers see it: every column as (kind, bytes); kind 0 NULL, 1 integer,
// 2 real, 3 text or blob.
using Row = std::vector<std::pair<int, std::string>>;

// Whether SQLite finds the file's trees sound. In one that is not, a cell may run past its
// page, and SQLite then reads on into whatever its memory holds there: its rows differ from
// one process to the next, so they say nothing of the live rows.
bool sqliteFindsItSound(sqlite3* db) {
  // Android's own collations, which the check of an index that uses them needs: a stand-in
  // that orders bytes, as the engine's own connection has.
  auto compareBytes = [](void*, int lengthA, const void* a, int lengthB, const void* b) {
    const int common = std::memcmp(a, b, static_cast<size_t>(std::min(lengthA, lengthB)));
    return common != 0 ? common : lengthA - lengthB;
  };
  for (const char* name : {"PHONEBOOK", "LOCALIZED"}) {
    sqlite3_create_collation(db, name, SQLITE_UTF8, nullptr, compareBytes);
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &statement, nullptr) != SQLITE_OK) return false;
  bool sound = sqlite3_step(statement) == SQLITE_ROW &&
               std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))) == "ok";
  sound = sound && sqlite3_step(statement) == SQLITE_DONE;
  sqlite3_finalize(statement);
  return sound;
}

std::map<int64_t, Row> sqliteRows(sqlite3* db, const engine::TreeInfo& table, bool& complete) {
  std::map<int64_t, Row> rows;
  std::string sql = "SELECT rowid";
  for (const engine::ColumnInfo& c : table.columns) {
    std::string quoted = "\"";
    for (const char ch : c.name) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    sql += ", " + quoted + "\"";
  }
  sql += " FROM \"" + table.name + "\"";
  sqlite3_stmt* statement = nullptr;
  complete = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK;
  int rc = SQLITE_DONE;
  while (complete && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
    Row row;
    for (int i = 1; i < sqlite3_column_count(statement); ++i) {
      const int type = sqlite3_column_type(statement, i);
      if (type == SQLITE_NULL) {
        row.emplace_back(0, "");
      } else if (type == SQLITE_INTEGER) {
        row.emplace_back(1, std::to_string(sqlite3_column_int64(statement, i)));
      } else if (type == SQLITE_FLOAT) {
        row.emplace_back(2, std::to_string(sqlite3_column_double(statement, i)));
      } else {
        const void* bytes = type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_column_text(statement, i))
                                                : sqlite3_column_blob(statement, i);
        row.emplace_back(3, std::string(static_cast<const char*>(bytes), sqlite3_column_bytes(statement, i)));
      }
    }
    rows[sqlite3_column_int64(statement, 0)] = row;
  }
  complete = complete && rc == SQLITE_DONE;
  sqlite3_finalize(statement);
  return rows;
}

Row engineRow(int64_t rowid, const engine::RecordView& record, const engine::TreeInfo& table, uint32_t encoding) {
  Row row;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const int c = static_cast<int>(i);
    std::string declared = table.columns[i].declaredType;
    for (char& ch : declared) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const bool alias = table.columns[i].primaryKey && declared == "INTEGER" && record.isNull(c);
    if (alias) {
      row.emplace_back(1, std::to_string(rowid));
    } else if (!record.has(c)) {
      row.emplace_back(-1, "");  // added after the row was written: SQLite shows the default
    } else if (record.isNull(c)) {
      row.emplace_back(0, "");
    } else if (record.isInteger(c)) {
      row.emplace_back(1, std::to_string(record.integer(c)));
    } else if (record.type(c) == 7) {
      row.emplace_back(2, std::to_string(std::strtod(record.text(c, encoding).c_str(), nullptr)));
    } else {
      row.emplace_back(3, record.text(c, encoding));
    }
  }
  return row;
}

}  // namespace
#endif

TEST(LiveRows, TheEnginesReaderAgreesWithSqliteOnTheCorpus) {
#ifdef _WIN32
  GTEST_SKIP() << "the corpus is read by the native build";
#else
  const fs::path corpus = RETRIEVO_CORPUS_DIR;
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  size_t databases = 0, rowsCompared = 0;
  for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
    const std::string path = entry.path().string();
    if (!entry.is_regular_file() || entry.path().extension() != ".db") continue;
    auto source = engine::PageSource::openFiles(path);
    if (source == nullptr || !source->valid()) continue;
    engine::PageSource& pages = *source;
    engine::OpenDatabase db;
    engine::RunLimits limits;
    limits.deadline = std::chrono::steady_clock::now() + engine::kSqliteDeadline;
    std::string problem;
    if (!db.open(std::move(source), path, limits, problem)) continue;
    engine::ReadOnlyVfs vfs(pages);
    sqlite3* connection = vfs.open();
    ASSERT_NE(connection, nullptr) << path;
    if (!sqliteFindsItSound(connection)) {
      sqlite3_close(connection);
      continue;
    }
    ++databases;
    for (size_t t = 0; t < db.schema().trees.size(); ++t) {
      const engine::TreeInfo& table = db.schema().trees[t];
      if (table.isIndex) continue;
      // A damaged file SQLite cannot read whole, or reads differently from one time to the
      // next (a cell that runs past its page makes it read memory beyond the page), says
      // nothing of the live rows.
      bool sqliteComplete = false;
      const std::map<int64_t, Row> expected = sqliteRows(connection, table, sqliteComplete);
      bool same = sqliteComplete;
      for (int again = 0; again < 3 && same; ++again) {
        bool complete = false;
        same = sqliteRows(connection, table, complete) == expected && complete;
      }
      if (!same) continue;
      std::map<int64_t, Row> read;
      const engine::LiveRead live = engine::readLiveRows(
          db, static_cast<int>(t), limits, [&](int64_t rowid, const engine::RecordView& record) {
            read[rowid] = engineRow(rowid, record, table, pages.header().textEncoding);
          });
      EXPECT_TRUE(live.complete) << path << " " << table.name;
      ASSERT_EQ(read.size(), expected.size()) << path << " " << table.name;
      for (const auto& [rowid, row] : expected) {
        const auto found = read.find(rowid);
        ASSERT_NE(found, read.end()) << path << " " << table.name << " rowid " << rowid;
        for (size_t i = 0; i < row.size(); ++i) {
          if (found->second[i].first == -1) continue;
          EXPECT_EQ(found->second[i], row[i]) << path << " " << table.name << " rowid " << rowid << " column " << i;
        }
        ++rowsCompared;
      }
    }
    sqlite3_close(connection);
  }
  EXPECT_GE(databases, 10u);
  EXPECT_GE(rowsCompared, 1000u);
#endif
}
