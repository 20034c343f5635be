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

// A deleted contact's row: Name before the line's first TAB, Phone after it. False (no
// row) when the line has no TAB.
bool DeletedContactListColumns(const DeletedContact& contact, ContactListRow& row);
// A deleted SMS's row: Name before the first TAB, Phone between the first and the second.
// False (no row) when the line has fewer than two TABs.
bool DeletedSmsListColumns(const DeletedSms& sms, std::wstring& name, std::wstring& phone);
