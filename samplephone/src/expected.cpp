#include "expected.h"

#include <fstream>
#include <stdexcept>
#include <utility>

#include "free_space.h"

namespace samplephone {

std::string escapeField(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string unescapeField(const std::string& field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    const char c = field[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

std::vector<std::vector<std::string>> readExpectedLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::vector<std::string>> lines;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
      fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    lines.push_back(std::move(fields));
  }
  return lines;
}

void writeExpected(const std::string& path, const std::string& contactsDb, const ContactsResult& contacts,
                   const std::string& messagesDb, const MessagesResult& messages) {
  std::ofstream out(path, std::ios::binary);
  out << "# Rows deleted from contacts2.db (table data) and mmssms.db (table sms).\n"
         "# data\traw_contact_id\tdata_id\tmimetype\tdata1\tin_free_space\n"
         "# sms\t_id\tthread_id\ttype\taddress\tperson\tbody\tin_free_space\n"
         "# Escapes: \\\\ \\t \\n \\r; \\N is NULL. in_free_space: 1 = the bytes of data1 or body still lie\n"
         "# in a freeblock or the unallocated gap of a leaf page of the table, or in a page image of\n"
         "# the table that the file's -wal holds; 0 = they do not.\n";

  TableFreeSpace dataSpace(contactsDb, contacts.dataRootPage);
  WalFrameSpace dataLog(contactsDb + "-wal", contacts.dataColumnCount);
  for (const DeletedDataRow& row : contacts.deleted) {
    bool found = dataSpace.holds(row.dataId, row.data1) || dataLog.holds(row.dataId, row.data1);
    out << "data\t" << row.rawContactId << '\t' << row.dataId << '\t' << escapeField(row.mimetype) << '\t'
        << (row.data1Null ? "\\N" : escapeField(row.data1)) << '\t' << (found ? 1 : 0) << '\n';
  }
  TableFreeSpace smsSpace(messagesDb, messages.smsRootPage);
  WalFrameSpace smsLog(messagesDb + "-wal", messages.smsColumnCount);
  for (const DeletedMessage& m : messages.deleted) {
    out << "sms\t" << m.id << '\t' << m.threadId << '\t' << m.type << '\t' << escapeField(m.address) << '\t';
    if (m.personNull)
      out << "\\N";
    else
      out << m.person;
    // The body counts with the bytes its record stores after it, so that a short body is
    // not found inside the text of another row.
    const std::string stored = m.body + m.storedAfterBody;
    bool found = smsSpace.holds(m.id, stored) || smsLog.holds(m.id, stored);
    out << '\t' << escapeField(m.body) << '\t' << (found ? 1 : 0) << '\n';
  }
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace samplephone
