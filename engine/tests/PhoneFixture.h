// Small phones written by SQLite for the engine tests: a contacts2.db and an mmssms.db with
// Android's column orders, live rows, and rows deleted the way the providers delete them.
#pragma once

#include <string>
#include <vector>

#include "TestDatabase.h"

namespace enginetest {

struct Message {
  int id;
  std::string address;
  std::string body;
};

// A row of table "data"; its mimetype follows from data1: an e-mail address (with "@"),
// a phone number (digits, "+" and blanks) or else a structured name.
struct ContactRow {
  int id;
  int rawContactId;
  std::string data1;
};
int mimetypeOf(const std::string& data1);

// Bodies long enough that each cell starts with a 2-byte payload length, as most real
// messages do, and short enough that the body's serial type begins with an odd byte.
std::string longBody(int id);

class Phone {
 public:
  explicit Phone(const TempDir& dir, const DbOptions& options = DbOptions(), bool android4Data = false);

  const std::string& contactsPath() const { return contactsPath_; }
  const std::string& smsPath() const { return smsPath_; }

  void addMessages(const std::vector<Message>& messages);
  void deleteMessages(const std::string& where);
  void addContactRows(const std::vector<ContactRow>& rows);
  void deleteContactRows(const std::string& where);

  std::string run(int type) const;  // the text of one engine run

 private:
  std::string contactsPath_;
  std::string smsPath_;
  bool android4Data_;
};

}  // namespace enginetest
