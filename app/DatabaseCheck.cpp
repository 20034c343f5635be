#include "DatabaseCheck.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

// A path as an SQLite URI of a read-only, immutable file: no lock, no journal, no log is
// ever looked for or made beside it.
std::string ImmutableUri(const std::string& path) {
    std::string uri = "file:";
#if defined(_WIN32)
    uri += "/";
#endif
    for (const char c : path) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            uri += '/';
        } else if (c == '%' || c == '?' || c == '#' || byte < 0x21) {
            char escaped[4];
            std::snprintf(escaped, sizeof(escaped), "%%%02X", byte);
            uri += escaped;
        } else {
            uri += c;
        }
    }
    return uri + "?mode=ro&immutable=1";
}

}  // namespace

std::string DatabaseFileProblem(const std::string& path, const std::string& shownName, const char* table) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return shownName + " cannot be read.";
    char header[16] = {};
    file.read(header, sizeof(header));
    if (file.gcount() == 0) return shownName + " is empty.";
    if (file.gcount() < static_cast<std::streamsize>(sizeof(header)) ||
        std::memcmp(header, "SQLite format 3\0", sizeof(header)) != 0)
        return shownName + " is not an SQLite database.";
    file.close();

    sqlite3* db = nullptr;
    std::string problem;
    if (sqlite3_open_v2(ImmutableUri(path).c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        problem = shownName + " cannot be opened as a database: " + (db ? sqlite3_errmsg(db) : "out of memory") + ".";
    } else {
        sqlite3_stmt* statement = nullptr;
        const char* sql = "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?";
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
            problem = shownName + " is a damaged database: " + sqlite3_errmsg(db) + ".";
        } else {
            sqlite3_bind_text(statement, 1, table, -1, SQLITE_STATIC);
            const int step = sqlite3_step(statement);
            if (step == SQLITE_DONE)
                problem = shownName + " is an SQLite database without a \"" + table + "\" table, not the database "
                          "it is named after.";
            else if (step != SQLITE_ROW)
                problem = shownName + " is a damaged database: " + sqlite3_errmsg(db) + ".";
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return problem;
}
