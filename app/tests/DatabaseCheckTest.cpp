// Files handed to the program as databases: only an SQLite database holding the table its
// scan reads passes, and anything else is refused with a sentence naming the file.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "DatabaseCheck.h"

namespace {

std::string TempPath(const char* name) { return testing::TempDir() + "retrievo-check-" + name; }

void WriteDb(const std::string& path, const char* sql) {
    std::remove(path.c_str());
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
    sqlite3_close(db);
}

TEST(DatabaseFileProblem, RefusesWhatIsNotTheNamedDatabase) {
    const std::string text = TempPath("text.db");
    { std::ofstream(text) << "these are my notes, not a database\n"; }
    EXPECT_EQ("mmssms.db is not an SQLite database.", DatabaseFileProblem(text, "mmssms.db", "sms"));

    const std::string empty = TempPath("empty.db");
    { std::ofstream(empty) << ""; }
    EXPECT_EQ("mmssms.db is empty.", DatabaseFileProblem(empty, "mmssms.db", "sms"));
    EXPECT_EQ("mmssms.db cannot be read.", DatabaseFileProblem(TempPath("absent.db"), "mmssms.db", "sms"));

    const std::string other = TempPath("other.db");
    WriteDb(other, "CREATE TABLE notes (text TEXT); CREATE VIEW sms AS SELECT * FROM notes;");
    EXPECT_NE(std::string::npos, DatabaseFileProblem(other, "mmssms.db", "sms").find("without a \"sms\" table"));

    const std::string messages = TempPath("mmssms.db");
    WriteDb(messages, "CREATE TABLE sms (_id INTEGER PRIMARY KEY, address TEXT, body TEXT);");
    EXPECT_EQ("", DatabaseFileProblem(messages, "mmssms.db", "sms"));
    // Checking writes nothing beside the file: no journal, no log.
    EXPECT_FALSE(std::ifstream(messages + "-journal").good());
    EXPECT_FALSE(std::ifstream(messages + "-wal").good());
}

}  // namespace
