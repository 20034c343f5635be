// The texts of one row of the check list, one call per row: the window adds what these give.
//
// Contacts: Name, Phone, Company, Email. Messages: Name, Phone. The list's Name of a
// conversation is the display name of the first contact with the sender's person key,
// whatever that name's source (empty for person 0); the export names files differently
// (RecordExporter::ConversationExportName).
#pragma once

#include <string>

#include "DeletedRecords.h"
#include "RecordIndex.h"
#include "RecordModel.h"

struct ContactListRow {
    std::wstring name;
    std::wstring phone;
    std::wstring company;
    std::wstring email;
};

// A live contact: its display name and the first non-empty value of each kind of data row.
ContactListRow ContactListColumns(const RecordIndex& index, const ContactRecord& contact);

// A live conversation, from its first message: the sender's display name (see above) and
// the message's address; both empty when the conversation has no message.
std::wstring ConversationListName(const RecordIndex& index, const ConversationRecord& conversation);
std::wstring ConversationListPhone(const RecordIndex& index, const ConversationRecord& conversation);

// A deleted contact's row, as a live contact's: its name and the first value of each kind.
ContactListRow DeletedContactListColumns(const DeletedContact& contact);
// A deleted SMS's row: the sender's name and the address ("N/A" for what was not carved).
void DeletedSmsListColumns(const DeletedSms& sms, std::wstring& name, std::wstring& phone);
