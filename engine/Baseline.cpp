#include "Baseline.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "ReadOnlyVfs.h"

namespace engine {

namespace {

// Android's contacts indexes are declared with collations that plain SQLite lacks; a
// byte-wise stand-in keeps every statement that might touch them usable.
int compareBytes(void* /*context*/, int leftLength, const void* left, int rightLength, const void* right) {
  const int common = std::min(leftLength, rightLength);
  const int order = common > 0 ? std::memcmp(left, right, static_cast<size_t>(common)) : 0;
  return order != 0 ? order : leftLength - rightLength;
}

std::string columnText(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  if (text == nullptr) return std::string();
  return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

std::string quoted(const std::string& name) {
  std::string out = "\"";
  for (const char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A statement that finalizes itself.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK) {
      sqlite3_finalize(statement_);
      statement_ = nullptr;
    }
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  explicit operator bool() const { return statement_ != nullptr; }
  sqlite3_stmt* get() const { return statement_; }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace

const TreeInfo* Schema::find(const std::string& name) const {
  for (const TreeInfo& tree : trees) {
    if (tree.name == name) return &tree;
  }
  return nullptr;
}

int Schema::columnOf(const TreeInfo& tree, const char* name) {
  for (size_t i = 0; i < tree.columns.size(); ++i) {
    if (tree.columns[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

int Schema::columnEndingWith(const TreeInfo& tree, const char* suffix) {
  for (size_t i = 0; i < tree.columns.size(); ++i) {
    if (endsWith(tree.columns[i].name, suffix)) return static_cast<int>(i);
  }
  return -1;
}

Baseline::Baseline(ReadOnlyVfs& vfs, const std::atomic<bool>* cancel, std::chrono::steady_clock::time_point deadline)
    : cancel_(cancel), deadline_(deadline) {
  db_ = vfs.open();
  if (db_ == nullptr) return;
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_progress_handler(db_, 1000, progress, this);
  for (const char* name : {"PHONEBOOK", "LOCALIZED"}) {
    sqlite3_create_collation(db_, name, SQLITE_UTF8, nullptr, compareBytes);
  }
}

Baseline::~Baseline() { sqlite3_close(db_); }

int Baseline::progress(void* self) {
  auto* baseline = static_cast<Baseline*>(self);
  if (baseline->cancel_ != nullptr && baseline->cancel_->load(std::memory_order_relaxed)) {
    baseline->cancelled_ = true;
    return 1;
  }
  return std::chrono::steady_clock::now() > baseline->deadline_ ? 1 : 0;
}

bool Baseline::readSchema(Schema& schema, std::string& problem) {
  schema = Schema();
  if (db_ == nullptr) {
    problem = "SQLite could not open it";
    return false;
  }
  struct Entry {
    std::string type, name, table, sql;
    int64_t root;
  };
  std::vector<Entry> entries;
  {
    Statement master(db_, "SELECT type, name, tbl_name, rootpage, sql FROM sqlite_master");
    if (!master) {
      problem = std::string("SQLite could not read its schema: ") + sqlite3_errmsg(db_);
      return false;
    }
    int rc;
    while ((rc = sqlite3_step(master.get())) == SQLITE_ROW) {
      entries.push_back({columnText(master.get(), 0), columnText(master.get(), 1), columnText(master.get(), 2),
                         columnText(master.get(), 4), sqlite3_column_int64(master.get(), 3)});
    }
    if (rc != SQLITE_DONE) {
      problem = std::string("SQLite could not read its schema: ") + sqlite3_errmsg(db_);
      return false;
    }
  }
  for (const Entry& e : entries) {
    if (e.root <= 0 || e.root > 0xFFFFFFFF) continue;
    const bool isTable = e.type == "table" && upper(e.sql).rfind("CREATE VIRTUAL", 0) != 0;
    const bool isIndex = e.type == "index";
    const bool withoutRowid = upper(e.sql).find("WITHOUT ROWID") != std::string::npos;
    if ((!isTable && !isIndex) || withoutRowid) {
      schema.otherRoots.emplace_back(static_cast<uint32_t>(e.root), true);
      continue;
    }
    TreeInfo tree;
    tree.name = e.name;
    tree.table = isIndex ? e.table : e.name;
    tree.isIndex = isIndex;
    tree.root = static_cast<uint32_t>(e.root);
    if (isTable) {
      Statement info(db_, "PRAGMA table_info(" + quoted(e.name) + ")");
      while (info && sqlite3_step(info.get()) == SQLITE_ROW) {
        ColumnInfo column;
        column.name = columnText(info.get(), 1);
        column.declaredType = columnText(info.get(), 2);
        column.notNull = sqlite3_column_int64(info.get(), 3) != 0;
        column.primaryKey = sqlite3_column_int64(info.get(), 5) != 0;
        tree.columns.push_back(column);
      }
    }
    if (tree.columns.empty() && isTable) {
      schema.otherRoots.emplace_back(tree.root, false);
      continue;
    }
    schema.trees.push_back(std::move(tree));
  }
  // Index columns take the declared types of their table's columns; the rowid ends them.
  for (TreeInfo& tree : schema.trees) {
    if (!tree.isIndex) continue;
    const TreeInfo* table = schema.find(tree.table);
    Statement info(db_, "PRAGMA index_xinfo(" + quoted(tree.name) + ")");
    while (info && sqlite3_step(info.get()) == SQLITE_ROW) {
      const int64_t cid = sqlite3_column_int64(info.get(), 1);
      ColumnInfo column;
      if (cid == -1) {
        column.name = "rowid";
        column.declaredType = "INTEGER";
        column.notNull = true;
      } else if (table != nullptr && cid >= 0 && static_cast<size_t>(cid) < table->columns.size()) {
        column = table->columns[static_cast<size_t>(cid)];
        column.primaryKey = false;
      }
      tree.tableColumns.push_back(cid >= 0 ? static_cast<int>(cid) : -1);
      tree.columns.push_back(column);
    }
  }
  schema.trees.erase(std::remove_if(schema.trees.begin(), schema.trees.end(),
                                    [&](const TreeInfo& t) {
                                      if (!t.columns.empty()) return false;
                                      schema.otherRoots.emplace_back(t.root, t.isIndex);
                                      return true;
                                    }),
                     schema.trees.end());
  if (cancelled_) {
    problem = "the run was stopped";
    return false;
  }
  return true;
}

}  // namespace engine
