// The recovery engine: one SqliteParse object performs one run over one Android database
// and yields the deleted records it found, typed (contacts(), messages()) and as one text.
//
// How a run works: the database is read through one page source that puts its main file,
// its write-ahead log and its rollback journal together, and never writes to any of them
// or beside them. SQLite reads only the schema, through a read-only VFS over that page
// source; the engine's own page reader walks every tree, reads the table's live rows and
// carves the deleted ones out of the free space of the table's leaves, the freelist, pages
// no tree reaches and every older image of a page the log or journal holds. Every record
// found passes one validation against the table's declared columns; records that repeat a
// live row or an earlier record are dropped. A run can be cancelled from another thread
// and ends soon after; nothing the file claims is used before it has been checked.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "RecoveredRecords.h"

enum ePaserType {
  ePaserContacts = 0,  // table "data" of contacts2.db
  ePaserSms = 1,       // table "sms" of mmssms.db
};

// Converts a carved UTF-8 field (up to its first zero byte) to the ANSI code page. Text
// that is not valid UTF-8 gives the empty string. On Windows characters the code page
// cannot show become its default character; elsewhere the ANSI code page is UTF-8 and
// valid text passes unchanged.
std::string utf8ToAnsi(const std::string& bytes);

class SqliteParse {
 public:
  SqliteParse(const std::string& contactsDbPath, const std::string& smsDbPath);
  ~SqliteParse();
  SqliteParse(const SqliteParse&) = delete;
  SqliteParse& operator=(const SqliteParse&) = delete;

  // Performs the whole run of the given type; any other value does nothing. The contacts
  // run reads the contacts database; the messages run the messages database, and the
  // contacts database, when it exists, for the names of the senders.
  void startParse(ePaserType type);

  // The run's text (contacts or messages, despite the name); "" before a run, after a
  // failed run, or when nothing was recovered.
  std::string get_contacts_mem();

  // Asked between pages and by SQLite's progress handler: once set, the run ends early and
  // keeps what it found (report().cancelled). Null: the run is never cancelled.
  void setCancelFlag(const std::atomic<bool>* cancel) { cancelFlag = cancel; }

  // The run's typed records (contacts run: contacts(); messages run: messages()).
  const std::vector<engine::RecoveredContact>& contacts() const { return typedContacts; }
  const std::vector<engine::RecoveredMessage>& messages() const { return typedMessages; }
  const engine::RunReport& report() const { return runReport; }

 private:
  std::string contactsDbPath;
  std::string smsDbPath;
  std::string recoveredText;
  const std::atomic<bool>* cancelFlag = nullptr;
  std::vector<engine::RecoveredContact> typedContacts;
  std::vector<engine::RecoveredMessage> typedMessages;
  engine::RunReport runReport;
};
