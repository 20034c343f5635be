#pragma once

// expected-deleted.tsv: what was deleted from the sample phone, for tests that compare a
// recovery with it. UTF-8, lines ended by LF, fields separated by TAB. Lines that begin
// with '#' are comments. Two kinds of record lines, told apart by their first field:
//
//   data <TAB> raw_contact_id <TAB> data._id <TAB> mimetype <TAB> data1 <TAB> in_free_space
//   sms  <TAB> sms._id <TAB> thread_id <TAB> type <TAB> address <TAB> person <TAB> body <TAB> in_free_space
//
// Text fields are escaped: backslash as \\, TAB as \t, LF as \n, CR as \r; a NULL value is
// \N. in_free_space is 1 when the bytes of data1 (or of the body) still lie whole in the
// free space of a leaf page of the table ("data" or "sms") in the written file, or in a
// leaf page image of that table held by the file's write-ahead log; 0 when they do not
// (secure_delete zeroed them, or the page that held them was freed).

#include <string>
#include <vector>

#include "writer.h"

namespace samplephone {

// Escapes one text field as described above, and undoes that (\N, NULL, becomes N: look
// at the escaped field to tell NULL apart).
std::string escapeField(const std::string& text);
std::string unescapeField(const std::string& field);

// The record lines of an expected-deleted.tsv, comments left out, each split into its
// fields, still escaped. No lines when the file cannot be read.
std::vector<std::vector<std::string>> readExpectedLines(const std::string& path);

void writeExpected(const std::string& path, const std::string& contactsDb, const ContactsResult& contacts,
                   const std::string& messagesDb, const MessagesResult& messages);

}  // namespace samplephone
