#pragma once

// Writes the phone's two databases through SQLite, the way the Android providers fill
// and delete them, and reports what was deleted.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "content.h"

namespace samplephone {

struct WriteOptions {
  int pageSize = 4096;
  int schemaFormat = 4;       // 1 stores the integers 0 and 1 in a byte of their own
  bool secureDelete = false;  // true zeroes the space of deleted rows
  // Write-ahead-log mode as a phone leaves it: the older rows and deletions in the main
  // file, the newest rows and the deletions that touch them only in "<file>-wal", which
  // is never checkpointed.
  bool wal = false;
  // The providers' full-text tables as a phone keeps them: "words" (FTS3, a copy of every
  // message body) in mmssms.db and "search_index" (FTS4, each contact's name, e-mail
  // addresses, company, note and numbers) in contacts2.db. Needs SQLite with FTS3 and FTS4.
  bool fullText = false;
};

// One deleted row of table "data", read back from the database just before its DELETE.
struct DeletedDataRow {
  int64_t rawContactId = 0;
  int64_t dataId = 0;
  std::string mimetype;
  bool data1Null = false;
  std::string data1;
};

// One deleted row of table "sms", read back just before its DELETE.
struct DeletedMessage {
  int64_t id = 0;
  int64_t threadId = 0;
  int64_t type = 0;
  std::string address;
  bool personNull = true;
  int64_t person = 0;
  std::string body;
  std::string storedAfterBody;  // the record's bytes that follow the body, not listed
};

struct ContactsResult {
  std::vector<DeletedDataRow> deleted;  // in the order of deletion
  uint32_t dataRootPage = 0;            // root of table "data" in the finished file
  int dataColumnCount = 0;
};

struct MessagesResult {
  std::vector<DeletedMessage> deleted;
  uint32_t smsRootPage = 0;
  int smsColumnCount = 0;
};

// contacts2.db: raw contact i of the phone gets _id i + 1, as does its aggregate contact.
ContactsResult writeContacts(const Phone& phone, const std::string& path, const WriteOptions& options);

// mmssms.db: received messages of a phone-book number carry that contact's raw contact id
// in "person", as the provider's phone lookup stores it.
MessagesResult writeMessages(const Phone& phone, const std::string& path, const WriteOptions& options);

// Applies the phone's file settings to a freshly created file: page size, auto-vacuum,
// rollback journal, schema format, secure_delete, user_version.
class Database;
void prepareFile(Database& db, const WriteOptions& options, int userVersion);

// Of `count` items written in order (messages by arrival, contacts as created), the index
// of the first one that a phone in WAL mode still holds only in its log: the last sixth,
// at least one. `count` when the file is not in WAL mode.
std::size_t firstNewest(std::size_t count, const WriteOptions& options);

// Switches a file whose older rows are committed to write-ahead logging, so that what is
// written from here on goes only into "<file>-wal": no automatic checkpoint, none at close.
void enterWalMode(Database& db);

// Removes the shared-memory index SQLite leaves beside a log it did not checkpoint: a
// phone's pull never brings it, and SQLite rebuilds it from the log.
void removeSharedMemoryFile(const std::string& path);

}  // namespace samplephone
