// Whether a file someone hands the program is the database it is taken for: an SQLite 3
// database that holds the table the scan reads ("data" for contacts2.db, "sms" for
// mmssms.db). The check opens the file read-only and immutable, so nothing is written
// beside or into it.
#pragma once

#include <string>

// Empty when the file is such a database; otherwise what is wrong, in one sentence that
// names the file by `shownName` (e.g. "mmssms.db is not an SQLite database.").
std::string DatabaseFileProblem(const std::string& path, const std::string& shownName, const char* table);
