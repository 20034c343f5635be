#include "AndroidDb.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <utility>

#include "ListArena.h"

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

// "file:" URI of a path, for the immutable fallback of open().
std::string FileUri(const std::string& utf8Path) {
  std::string uri = "file:";
  if (utf8Path.size() >= 2 && utf8Path[1] == ':') uri += "///";
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : utf8Path) {
    if (c == '\\') c = '/';
    if (std::isalnum(c) || std::strchr("-._~/:", c) != nullptr) {
      uri.push_back(static_cast<char>(c));
    } else {
      uri.push_back('%');
      uri.push_back(kHex[c >> 4]);
      uri.push_back(kHex[c & 15]);
    }
  }
  return uri;
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

// Whether the file starts like a database with at least one page. SQLite deletes a "-wal"
// that lies beside an empty main file, so such a file is never shown its log.
bool LooksLikeDatabase(const std::string& ansiPath) {
  HANDLE h = CreateFileA(ansiPath.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char header[16] = {};
  DWORD got = 0;
  LARGE_INTEGER size = {};
  const bool ok = GetFileSizeEx(h, &size) && size.QuadPart >= 512 &&
                  ReadFile(h, header, sizeof(header), &got, nullptr) && got == sizeof(header) &&
                  std::memcmp(header, "SQLite format 3", sizeof(header)) == 0;
  CloseHandle(h);
  return ok;
}

}  // namespace

AndroidDb::~AndroidDb() {
  sqlite3_close(db_);
  // What SQLite made beside the copy to read it is ours: the log index, and the empty log of
  // a WAL-mode copy that came without one. A log that was there stays.
  for (const std::string& made : made_) DeleteFileA(made.c_str());
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
  if (ansiPath == nullptr || *ansiPath == '\0') return false;
  // SQLite takes UTF-8 file names; the caller's path is in the ANSI code page.
  const std::string path = AnsiToUtf8(ansiPath);
  if (path.empty()) return false;
  if (!FileExistsAnsi(ansiPath)) return false;
  // A read-only connection reads a "-wal" beside the copy, so the list shows the rows as the
  // phone does, and it never checkpoints: copy and log stay as pulled, for the carving
  // engine. A log beside something that is no database is not shown to SQLite at all.
  const bool hasLog = FileExistsAnsi(std::string(ansiPath) + "-wal");
  if (!hasLog || LooksLikeDatabase(ansiPath)) {
    std::vector<std::string> absent;
    for (const char* suffix : {"-shm", "-wal"}) {
      const std::string side = std::string(ansiPath) + suffix;
      if (!FileExistsAnsi(side)) absent.push_back(side);
    }
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
      if (probe()) {
        made_ = std::move(absent);
        return true;
      }
    }
    sqlite3_close(db_);
    db_ = nullptr;
    for (const std::string& side : absent) DeleteFileA(side.c_str());
  }
  // A WAL-mode copy in a folder where the -shm file cannot be made cannot be read that way;
  // as immutable it can, without its log (the engine still carves the log's frames).
  const std::string uri = FileUri(path) + "?immutable=1";
  if (sqlite3_open_v2(uri.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) ==
          SQLITE_OK &&
      probe()) {
    return true;
  }
  sqlite3_close(db_);
  db_ = nullptr;
  return false;
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
