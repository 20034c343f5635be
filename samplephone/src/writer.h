#pragma once

// Writes the phone's two databases through SQLite, the way the Android providers fill
// and delete them, and reports what was deleted.

#include <cstdint>
#include <string>
#include <vector>

#include "content.h"

namespace samplephone {

struct WriteOptions {
  int pageSize = 4096;
  int schemaFormat = 4;       // 1 stores the integers 0 and 1 in a byte of their own
  bool secureDelete = false;  // true zeroes the space of deleted rows
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
};

struct ContactsResult {
  std::vector<DeletedDataRow> deleted;  // in the order of deletion
  uint32_t dataRootPage = 0;            // root of table "data" in the finished file
};

struct MessagesResult {
  std::vector<DeletedMessage> deleted;
  uint32_t smsRootPage = 0;
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

}  // namespace samplephone
