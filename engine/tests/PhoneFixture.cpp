#include "PhoneFixture.h"

#include "SqliteParse.h"

namespace enginetest {

namespace {

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

}  // namespace

std::string longBody(int id) {
  std::string body = "Message " + std::to_string(id) + ": ";
  while (body.size() < 100) body += "see you at the station at nine, ";
  return body.substr(0, 100);
}

Phone::Phone(const TempDir& dir, const DbOptions& options, bool android4Data)
    : contactsPath_(dir.path("contacts2.db")), smsPath_(dir.path("mmssms.db")), android4Data_(android4Data) {
  createDatabase(contactsPath_, {android4Data ? kDataTableAndroid4 : kDataTableAndroid6, kMimetypesTable}, options);
  Db(contactsPath_).exec("INSERT INTO mimetypes (_id, mimetype) VALUES (1, 'vnd.android.cursor.item/email_v2'), "
                         "(5, 'vnd.android.cursor.item/phone_v2'), (7, 'vnd.android.cursor.item/name')");
  createDatabase(smsPath_, {kSmsTableAndroid5}, options);
}

int mimetypeOf(const std::string& value) {
  if (value.find('@') != std::string::npos) return 1;
  const bool number = !value.empty() && value.find_first_not_of("+0123456789 ") == std::string::npos;
  return number ? 5 : 7;
}

void Phone::addMessages(const std::vector<Message>& messages) {
  Db db(smsPath_);
  db.exec("BEGIN");
  for (const Message& m : messages) {
    db.exec("INSERT INTO sms (_id, thread_id, address, person, date, protocol, read, type, body) VALUES (" +
            std::to_string(m.id) + ", 1, " + quoted(m.address) + ", NULL, " +
            std::to_string(1700000000000LL + m.id * 60000LL) + ", 0, 1, 1, " + quoted(m.body) + ")");
  }
  db.exec("COMMIT");
}

void Phone::deleteMessages(const std::string& where) { Db(smsPath_).exec("DELETE FROM sms WHERE " + where); }

void Phone::addContactRows(const std::vector<ContactRow>& rows) {
  Db db(contactsPath_);
  db.exec("BEGIN");
  for (const ContactRow& row : rows) {
    // Sync data as the providers write it (and a hash in the newer layout) make each cell
    // longer than 127 bytes, so that its payload length takes 2 bytes.
    const std::string filler = quoted(std::string(90, 's'));
    if (android4Data_) {
      db.exec("INSERT INTO data (_id, mimetype_id, raw_contact_id, data1, data_sync1) VALUES (" +
              std::to_string(row.id) + ", " + std::to_string(mimetypeOf(row.data1)) + ", " +
              std::to_string(row.rawContactId) + ", " + quoted(row.data1) + ", " + filler + ")");
    } else {
      db.exec("INSERT INTO data (_id, mimetype_id, raw_contact_id, hash_id, data1, data_sync1) VALUES (" +
              std::to_string(row.id) + ", " + std::to_string(mimetypeOf(row.data1)) + ", " +
              std::to_string(row.rawContactId) + ", " +
              quoted(std::string(40, 'a' + static_cast<char>(row.id % 26))) + ", " + quoted(row.data1) + ", " +
              filler + ")");
    }
  }
  db.exec("COMMIT");
}

void Phone::deleteContactRows(const std::string& where) { Db(contactsPath_).exec("DELETE FROM data WHERE " + where); }

std::string Phone::run(int type) const {
  SqliteParse parse(contactsPath_, smsPath_);
  parse.startParse(static_cast<ePaserType>(type));
  return parse.get_contacts_mem();
}

}  // namespace enginetest
