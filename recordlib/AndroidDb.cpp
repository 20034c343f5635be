#include "AndroidDb.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <utility>

#include "ListArena.h"
#include "PageSource.h"
#include "ReadOnlyVfs.h"

namespace {

std::wstring ToWide(const std::string& s, UINT codePage) {
  if (s.empty()) return std::wstring();
  int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

std::string FromWide(const std::wstring& w, UINT codePage) {
  if (w.empty()) return std::string();
  int n = WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                              nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr,
                      nullptr);
  return s;
}

// Stand-ins for the collations that Android registers on its connections. Indices of
// contacts2.db are declared with them; without them SQLite refuses any statement that would
// use such an index. The order only has to be consistent: case-insensitive, then bytewise.
int CompareFolded(void* /*arg*/, int n1, const void* s1, int n2, const void* s2) {
  int n = n1 < n2 ? n1 : n2;
  int c = sqlite3_strnicmp(static_cast<const char*>(s1), static_cast<const char*>(s2), n);
  if (c == 0) c = std::memcmp(s1, s2, static_cast<size_t>(n));
  return c != 0 ? c : n1 - n2;
}

std::string QuoteIdentifier(const char* name) {
  std::string q = "\"";
  for (const char* p = name; *p; ++p) {
    if (*p == '"') q.push_back('"');
    q.push_back(*p);
  }
  q.push_back('"');
  return q;
}

}  // namespace

std::string Utf8ToAnsi(const std::string& utf8) { return FromWide(ToWide(utf8, CP_UTF8), CP_ACP); }

std::string AnsiToUtf8(const std::string& ansi) { return FromWide(ToWide(ansi, CP_ACP), CP_UTF8); }

std::string FormatLocalTime(int64_t unixMillis) {
  // 1601-01-01 to 1970-01-01 in milliseconds, and the last millisecond of the year 9999.
  const int64_t kEpochShiftMs = 11644473600000LL;
  const int64_t kMaxMs = 253402300799999LL;
  if (unixMillis <= 0 || unixMillis > kMaxMs) return std::string();
  const uint64_t ticks = static_cast<uint64_t>(unixMillis + kEpochShiftMs) * 10000u;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  SYSTEMTIME utc, local;
  if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    return std::string();
  }
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%04u-%02u-%02u %02u:%02u:%02u", local.wYear, local.wMonth,
                local.wDay, local.wHour, local.wMinute, local.wSecond);
  return buf;
}

char* ColumnAnsiText(ListArena& arena, sqlite3_stmt* stmt, int col) {
  const int type = sqlite3_column_type(stmt, col);
  if (type == SQLITE_NULL || type == SQLITE_BLOB) return nullptr;
  const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
  if (text == nullptr) return nullptr;
  // The record texts end at their first NUL, so a text with an embedded NUL is cut there.
  const std::string ansi = Utf8ToAnsi(std::string(text, std::strlen(text)));
  return arena.copyText(ansi.data(), ansi.size());
}

namespace {

bool FileExistsAnsi(const std::string& ansiPath) {
  return GetFileAttributesA(ansiPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

AndroidDb::AndroidDb() = default;

AndroidDb::~AndroidDb() { close(); }

void AndroidDb::close() {
  sqlite3_close(db_);
  db_ = nullptr;
  vfs_.reset();
  source_.reset();
}

bool AndroidDb::probe() {
  sqlite3_create_collation_v2(db_, "PHONEBOOK", SQLITE_UTF8, nullptr, CompareFolded, nullptr);
  sqlite3_create_collation_v2(db_, "LOCALIZED", SQLITE_UTF8, nullptr, CompareFolded, nullptr);
  sqlite3_stmt* stmt = nullptr;
  bool ok = sqlite3_prepare_v2(db_, "SELECT count(*) FROM sqlite_master", -1, &stmt, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW;
  sqlite3_finalize(stmt);
  return ok;
}

bool AndroidDb::open(const char* ansiPath) {
  close();
  if (ansiPath == nullptr || *ansiPath == '\0') return false;
  if (!FileExistsAnsi(ansiPath)) return false;
  // The page source opens the file and its side files for reading only, by the caller's
  // (ANSI) path; SQLite sees one read-only file of the committed database through the VFS.
  source_ = engine::PageSource::openFiles(ansiPath);
  if (source_ == nullptr || !source_->valid()) {
    close();
    return false;
  }
  vfs_ = std::make_unique<engine::ReadOnlyVfs>(*source_);
  db_ = vfs_->open();
  if (db_ == nullptr || !probe()) {
    close();
    return false;
  }
  return true;
}

std::set<std::string> AndroidDb::columns(const char* table) {
  std::set<std::string> names;
  if (db_ == nullptr) return names;
  sqlite3_stmt* stmt = nullptr;
  const std::string sql = "PRAGMA table_info(" + QuoteIdentifier(table) + ")";
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      const unsigned char* name = sqlite3_column_text(stmt, 1);
      if (name == nullptr) continue;
      std::string lower(reinterpret_cast<const char*>(name));
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      names.insert(lower);
    }
  }
  sqlite3_finalize(stmt);
  return names;
}

bool AndroidDb::select(const char* table, const std::vector<const char*>& wanted,
                       const std::vector<Order>& order,
                       const std::function<void(sqlite3_stmt*)>& row) {
  const std::set<std::string> have = columns(table);
  if (have.empty()) return false;
  std::string sql = "SELECT ";
  for (size_t i = 0; i < wanted.size(); ++i) {
    if (i > 0) sql += ", ";
    sql += have.count(wanted[i]) ? QuoteIdentifier(wanted[i]) : std::string("NULL");
  }
  sql += " FROM " + QuoteIdentifier(table);
  const char* sep = " ORDER BY ";
  for (const Order& o : order) {
    if (!have.count(o.column)) continue;
    sql += sep + QuoteIdentifier(o.column) + (o.descending ? " DESC" : "");
    sep = ", ";
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return false;
  }
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) row(stmt);
  sqlite3_finalize(stmt);
  return rc == SQLITE_DONE;
}
