// contacts2.db: one local-account raw contact per phone-book entry, its data rows in the
// order the contacts editor saves them (name, numbers, e-mails, organization, note), the
// aggregate contact, and the provider's lookup rows. In WAL mode the newest contacts are
// created, and the deletions that touch them happen, after the switch to the log.

#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

#include "db.h"
#include "schema.h"
#include "writer.h"

namespace samplephone {

namespace {

const char* const kMimetypes[] = {
    "vnd.android.cursor.item/email_v2",      "vnd.android.cursor.item/im",
    "vnd.android.cursor.item/nickname",      "vnd.android.cursor.item/organization",
    "vnd.android.cursor.item/phone_v2",      "vnd.android.cursor.item/sip_address",
    "vnd.android.cursor.item/name",          "vnd.android.cursor.item/postal-address_v2",
    "vnd.android.cursor.item/identity",      "vnd.android.cursor.item/photo",
    "vnd.android.cursor.item/note",          "vnd.android.cursor.item/contact_event",
    "vnd.android.cursor.item/group_membership", "vnd.android.cursor.item/website"};
const int64_t kMimeEmail = 1, kMimeOrganization = 4, kMimePhone = 5, kMimeName = 7, kMimeNote = 11;

// Display name sources of raw_contacts.display_name_source.
const int kSourceEmail = 10, kSourcePhone = 20, kSourceOrganization = 30, kSourceStructuredName = 40;
// data10 of a name row: full name style.
const int kStyleWestern = 1, kStyleChinese = 3;

const int64_t kCreated = 1488240000000LL;  // 2017-02-28 00:00 UTC

// The phone's collations order names by locale rules; a byte order stands in for them,
// which is all the indices need to be built and read back consistently.
int byteOrder(void* /*arg*/, int lenA, const void* a, int lenB, const void* b) {
  int n = std::memcmp(a, b, static_cast<std::size_t>(lenA < lenB ? lenA : lenB));
  return n != 0 ? n : lenA - lenB;
}

std::string digitsOf(const std::string& number) {
  std::string d;
  for (char c : number)
    if (c >= '0' && c <= '9') d += c;
  return d;
}

// phone_lookup.normalized_number: the digits, with the leading plus sign if typed.
std::string normalized(const std::string& number) {
  std::size_t first = number.find_first_not_of(' ');
  return (first != std::string::npos && number[first] == '+' ? "+" : "") + digitsOf(number);
}

// data4 of a phone row: the E.164 form for a phone whose home country is China, empty
// when the number cannot be read that way.
std::string e164(const std::string& number) {
  std::string n = normalized(number);
  if (!n.empty() && n[0] == '+') return n;
  if (n.size() == 11 && n[0] == '1') return "+86" + n;
  if (n.size() >= 10 && n.size() <= 12 && n[0] == '0' && n[1] != '0') return "+86" + n.substr(1);
  return "";
}

// phone_lookup.min_match: the last seven digits, reversed.
std::string minMatch(const std::string& number) {
  std::string d = digitsOf(number);
  std::string tail = d.size() > 7 ? d.substr(d.size() - 7) : d;
  return std::string(tail.rbegin(), tail.rend());
}

// Phone-book index letter of a name: its first Latin letter, or the initial of the pinyin
// of a family name, "#" for anything else.
std::string bookLabel(const std::string& name) {
  static const std::pair<const char*, char> kInitials[] = {
      {"张", 'Z'}, {"王", 'W'}, {"李", 'L'}, {"刘", 'L'}, {"陈", 'C'}, {"杨", 'Y'}, {"赵", 'Z'},
      {"黄", 'H'}, {"周", 'Z'}, {"吴", 'W'}, {"徐", 'X'}, {"孙", 'S'}, {"胡", 'H'}, {"朱", 'Z'},
      {"高", 'G'}, {"林", 'L'}, {"何", 'H'}, {"郭", 'G'}, {"马", 'M'}, {"罗", 'L'}, {"妈", 'M'},
      {"顺", 'S'}};
  if (name.empty()) return "#";
  char c = name[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return std::string(1, c);
  for (const auto& entry : kInitials)
    if (name.compare(0, std::strlen(entry.first), entry.first) == 0) return std::string(1, entry.second);
  return "#";
}

int64_t bucketOf(const std::string& label) { return label == "#" ? 27 : label[0] - 'A' + 1; }

// A stable lookup key in the shape of a local contact's: "0r<raw id>-<hash of the name>".
std::string lookupKey(int64_t rawId, const std::string& name) {
  uint32_t h = 2166136261u;
  for (unsigned char c : name) h = (h ^ c) * 16777619u;
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08X", h);
  return "0r" + std::to_string(rawId) + "-" + hex;
}

struct Naming {
  std::string display, alternative;
  int source = 0;
};

Naming namingOf(const Contact& c) {
  Naming n;
  if (!c.given.empty() || !c.family.empty()) {
    n.source = kSourceStructuredName;
    if (c.westernOrder) {
      n.display = c.family.empty() ? c.given : c.given + " " + c.family;
      n.alternative = c.family.empty() ? c.given : c.family + ", " + c.given;
    } else {
      n.display = n.alternative = c.family + c.given;
    }
  } else if (!c.company.empty()) {
    n.source = kSourceOrganization;
    n.display = n.alternative = c.company;
  } else if (!c.phones.empty()) {
    n.source = kSourcePhone;
    n.display = n.alternative = c.phones[0].number;
  } else if (!c.emails.empty()) {
    n.source = kSourceEmail;
    n.display = n.alternative = c.emails[0].address;
  }
  return n;
}

// The data _ids of one contact's rows, to find the rows that are deleted one by one.
struct ContactRows {
  std::vector<int64_t> phones, emails;
  int64_t organization = 0, note = 0;
};

class ContactsWriter {
 public:
  explicit ContactsWriter(Database& db)
      : db_(db),
        rawContact_(db.handle(),
                    "INSERT INTO raw_contacts (_id, account_id, raw_contact_is_read_only, version, dirty, deleted, "
                    "contact_id, aggregation_mode, aggregation_needed, send_to_voicemail, times_contacted, starred, "
                    "pinned, display_name, display_name_alt, display_name_source, phonetic_name_style, sort_key, "
                    "phonebook_label, phonebook_bucket, sort_key_alt, phonebook_label_alt, phonebook_bucket_alt, "
                    "name_verified) VALUES (?1, 1, 0, 1, 1, 0, ?1, 0, 0, 0, 0, ?2, 0, ?3, ?4, ?5, 0, ?3, ?6, ?7, ?4, "
                    "?8, ?9, 0)"),
        contact_(db.handle(),
                 "INSERT INTO contacts (_id, name_raw_contact_id, send_to_voicemail, times_contacted, starred, "
                 "pinned, has_phone_number, lookup, contact_last_updated_timestamp) "
                 "VALUES (?1, ?1, 0, 0, ?2, 0, ?3, ?4, ?5)"),
        data_(db.handle(),
              "INSERT INTO data (mimetype_id, raw_contact_id, is_read_only, is_primary, is_super_primary, "
              "data_version, data1, data2, data3, data4, data5, data10, data11, carrier_presence) "
              "VALUES (?1, ?2, 0, ?3, ?3, 0, ?4, ?5, ?6, ?7, ?8, ?9, ?10, 0)"),
        phoneLookup_(db.handle(),
                     "INSERT INTO phone_lookup (data_id, raw_contact_id, normalized_number, min_match) "
                     "VALUES (?, ?, ?, ?)"),
        visible_(db.handle(), "INSERT INTO visible_contacts (_id) VALUES (?)"),
        defaultDirectory_(db.handle(), "INSERT INTO default_directory (_id) VALUES (?)") {}

  void writeFixedRows() {
    db_.exec("INSERT INTO android_metadata (locale) VALUES ('en_US')");
    db_.exec("INSERT INTO properties (property_key, property_value) VALUES ('database_time_created', '" +
             std::to_string(kCreated) + "'), ('icu_version', '55.1'), ('locale', 'en-US'), ('aggregation_v2', '4'), "
             "('search_index', '1'), ('directoryScanComplete', '1')");
    db_.exec("INSERT INTO accounts (_id, account_name, account_type, data_set) VALUES (1, NULL, NULL, NULL)");
    Statement mime(db_.handle(), "INSERT INTO mimetypes (mimetype) VALUES (?)");
    for (const char* m : kMimetypes) {
      mime.bind(1, std::string(m));
      mime.run();
    }
  }

  ContactRows writeContact(int64_t id, const Contact& c) {
    Naming naming = namingOf(c);
    std::string label = bookLabel(naming.display);
    std::string labelAlt = bookLabel(naming.alternative);
    rawContact_.bind(1, id).bind(2, c.starred ? 1 : 0).bindTextOrNull(3, naming.display)
        .bindTextOrNull(4, naming.alternative).bind(5, naming.source).bind(6, label).bind(7, bucketOf(label))
        .bind(8, labelAlt).bind(9, bucketOf(labelAlt));
    rawContact_.run();

    ContactRows rows;
    if (naming.source == kSourceStructuredName) {
      data_.bind(1, kMimeName).bind(2, id).bind(3, 0).bind(4, naming.display).bindTextOrNull(5, c.given)
          .bindTextOrNull(6, c.family).bind(9, c.westernOrder ? kStyleWestern : kStyleChinese).bind(10, 0);
      data_.run();
    }
    for (std::size_t i = 0; i < c.phones.size(); ++i) {
      const PhoneNumber& p = c.phones[i];
      std::string full = e164(p.number);
      data_.bind(1, kMimePhone).bind(2, id).bind(3, i == 0 ? 1 : 0).bind(4, p.number).bind(5, p.type)
          .bindTextOrNull(7, full);
      data_.run();
      int64_t dataId = db_.lastInsertRowid();
      rows.phones.push_back(dataId);
      std::string norm = normalized(p.number);
      addLookup(dataId, id, norm, p.number);
      if (!full.empty() && full != norm) addLookup(dataId, id, full, p.number);
    }
    for (std::size_t i = 0; i < c.emails.size(); ++i) {
      data_.bind(1, kMimeEmail).bind(2, id).bind(3, i == 0 ? 1 : 0).bind(4, c.emails[i].address)
          .bind(5, c.emails[i].type);
      data_.run();
      rows.emails.push_back(db_.lastInsertRowid());
    }
    if (!c.company.empty()) {
      data_.bind(1, kMimeOrganization).bind(2, id).bind(3, 0).bind(4, c.company).bind(5, 1)
          .bindTextOrNull(7, c.title).bindTextOrNull(8, c.department);
      data_.run();
      rows.organization = db_.lastInsertRowid();
    }
    if (!c.note.empty()) {
      data_.bind(1, kMimeNote).bind(2, id).bind(3, 0).bind(4, c.note);
      data_.run();
      rows.note = db_.lastInsertRowid();
    }

    contact_.bind(1, id).bind(2, c.starred ? 1 : 0).bind(3, c.phones.empty() ? 0 : 1)
        .bind(4, lookupKey(id, naming.display)).bind(5, kCreated + id * 61000);
    contact_.run();
    visible_.bind(1, id);
    visible_.run();
    defaultDirectory_.bind(1, id);
    defaultDirectory_.run();
    return rows;
  }

 private:
  void addLookup(int64_t dataId, int64_t rawId, const std::string& number, const std::string& typed) {
    phoneLookup_.bind(1, dataId).bind(2, rawId).bind(3, number).bind(4, minMatch(typed));
    phoneLookup_.run();
  }

  Database& db_;
  Statement rawContact_, contact_, data_, phoneLookup_, visible_, defaultDirectory_;
};

// The contact's row of the full-text table as the provider builds it from the data rows:
// each e-mail, company (with its title) and note one line of "content", the display name in
// "name", the normalized numbers in "tokens".
void indexContact(Database& db, int64_t rawId) {
  Statement s(db.handle(),
              "INSERT OR REPLACE INTO search_index (docid, contact_id, content, name, tokens) "
              "SELECT r._id, r._id, (SELECT group_concat(CASE d.mimetype_id WHEN " + std::to_string(kMimeEmail) +
                  " THEN d.data1 WHEN " + std::to_string(kMimeOrganization) +
                  " THEN d.data1 || COALESCE(' (' || d.data4 || ')', '') WHEN " + std::to_string(kMimeNote) +
                  " THEN replace(replace(d.data1, char(13), ''), char(10), ' ') END, char(10)) FROM data d "
                  "WHERE d.raw_contact_id = r._id AND d.mimetype_id IN (" + std::to_string(kMimeEmail) + ", " +
                  std::to_string(kMimeOrganization) + ", " + std::to_string(kMimeNote) + ")), r.display_name, "
                  "(SELECT group_concat(p.normalized_number, ' ') FROM phone_lookup p WHERE p.raw_contact_id = r._id) "
                  "FROM raw_contacts r WHERE r._id = ?");
  s.bind(1, rawId);
  s.run();
}

// Reads the rows that a DELETE with the same condition is about to remove.
void collect(Database& db, const std::string& where, std::vector<DeletedDataRow>& out) {
  Statement s(db.handle(),
              "SELECT d.raw_contact_id, d._id, m.mimetype, d.data1 FROM data d JOIN mimetypes m "
              "ON m._id = d.mimetype_id WHERE " + where + " ORDER BY d._id");
  while (s.step()) {
    DeletedDataRow row;
    row.rawContactId = s.int64(0);
    row.dataId = s.int64(1);
    row.mimetype = s.text(2);
    row.data1Null = s.isNull(3);
    row.data1 = s.text(3);
    out.push_back(row);
  }
}

// Deletes as the provider does for a local account: the raw contact's data rows, then
// the raw contact (whose trigger removes the aggregate contact), and a tombstone in
// deleted_contacts; single rows of a contact that stays go by their _id. One transaction;
// `when` is the tombstone time of the next deleted contact.
void removeContacts(Database& db, const Deletions& del, const std::vector<ContactRows>& rows, int64_t& when,
                    bool fullText, std::vector<DeletedDataRow>& deleted) {
  db.exec("BEGIN");
  for (const DataRowRef& ref : del.dataRows) {
    const ContactRows& r = rows.at(static_cast<std::size_t>(ref.contact));
    int64_t dataId = ref.kind == DataRowRef::kPhone ? r.phones.at(static_cast<std::size_t>(ref.index))
                     : ref.kind == DataRowRef::kEmail ? r.emails.at(static_cast<std::size_t>(ref.index))
                     : ref.kind == DataRowRef::kOrganization ? r.organization
                                                              : r.note;
    std::string where = "d._id = " + std::to_string(dataId);
    collect(db, where, deleted);
    db.exec("DELETE FROM data WHERE _id = " + std::to_string(dataId));
    if (fullText) indexContact(db, ref.contact + 1);
  }
  Statement tombstone(db.handle(),
                      "INSERT INTO deleted_contacts (contact_id, contact_deleted_timestamp) VALUES (?, ?)");
  for (int index : del.contacts) {
    std::string id = std::to_string(index + 1);
    collect(db, "d.raw_contact_id = " + id, deleted);
    db.exec("DELETE FROM data WHERE raw_contact_id = " + id);
    if (fullText) db.exec("DELETE FROM search_index WHERE docid = " + id);
    db.exec("DELETE FROM raw_contacts WHERE _id = " + id);
    tombstone.bind(1, static_cast<int64_t>(index) + 1).bind(2, when);
    tombstone.run();
    when += 37000;
  }
  db.exec("UPDATE contacts SET has_phone_number = (SELECT COUNT(*) > 0 FROM data WHERE raw_contact_id = "
          "contacts.name_raw_contact_id AND mimetype_id = " + std::to_string(kMimePhone) + ")");
  db.exec("COMMIT");
}

// Splits the deletions into those of contacts created before `cut` and those of the
// newest contacts.
void splitDeletions(const Deletions& all, std::size_t cut, Deletions& older, Deletions& newer) {
  for (const DataRowRef& ref : all.dataRows)
    (static_cast<std::size_t>(ref.contact) < cut ? older : newer).dataRows.push_back(ref);
  for (int index : all.contacts) (static_cast<std::size_t>(index) < cut ? older : newer).contacts.push_back(index);
}

}  // namespace

ContactsResult writeContacts(const Phone& phone, const std::string& path, const WriteOptions& options) {
  ContactsResult result;
  {
    Database db(path);
    for (const char* name : {"PHONEBOOK", "LOCALIZED"})
      sqlite3_create_collation(db.handle(), name, SQLITE_UTF8, nullptr, byteOrder);
    prepareFile(db, options, 1011);
    const std::size_t cut = firstNewest(phone.contacts.size(), options);
    Deletions older, newer;
    splitDeletions(phone.deletions, cut, older, newer);

    std::vector<ContactRows> rows;
    db.exec("BEGIN");
    for (std::size_t i = 0; i < kContactsSchemaCount; ++i) db.exec(kContactsSchema[i]);
    if (options.fullText) {
      for (std::size_t i = 0; i < kContactsFullTextCount; ++i) db.exec(kContactsFullText[i]);
    }
    ContactsWriter writer(db);  // its statements need the tables
    writer.writeFixedRows();
    auto insert = [&](std::size_t from, std::size_t to) {
      for (std::size_t i = from; i < to; ++i) {
        rows.push_back(writer.writeContact(static_cast<int64_t>(i) + 1, phone.contacts[i]));
        if (options.fullText) indexContact(db, static_cast<int64_t>(i) + 1);
      }
    };
    insert(0, cut);
    db.exec("COMMIT");
    int64_t when = 1491004800000LL;  // 2017-04-01 00:00 UTC
    removeContacts(db, older, rows, when, options.fullText, result.deleted);
    if (options.wal) {
      enterWalMode(db);
      db.exec("BEGIN");
      insert(cut, phone.contacts.size());
      db.exec("COMMIT");
      removeContacts(db, newer, rows, when, options.fullText, result.deleted);
    }
    result.dataRootPage =
        static_cast<uint32_t>(db.queryInt("SELECT rootpage FROM sqlite_master WHERE name = 'data'"));
    result.dataColumnCount = static_cast<int>(db.queryInt("SELECT COUNT(*) FROM pragma_table_info('data')"));
  }
  if (options.wal) removeSharedMemoryFile(path);
  return result;
}

}  // namespace samplephone
