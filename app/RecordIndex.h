// RecordIndex: lookups over the record model that the list, the boards and the export make
// for every record, built once after loading so that showing or exporting N records costs
// O(N) instead of scanning the data rows or messages once per record.
//
// Every lookup answers exactly what a walk of the library's lists in list order would:
// "first" always means first in list order. The index keeps pointers into the lists: build
// it again whenever the lists change (a new listing call, ClearResults). Null heads are
// empty lists.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "RecordModel.h"

// What a data row holds, from its mimetype's name.
enum class DataKind { kOther, kPhone, kOrganization, kEmail };
DataKind KindOfMimetype(const char* name);

class RecordIndex {
public:
    // Contacts side: data rows by contact key, and the kind of every mimetype key.
    void BuildContacts(const ContactRecord* contacts, const ContactDataRow* dataRows,
                       const MimetypeEntry* mimetypes);
    // Messages side: messages by thread key; contacts by person key (first match; a person
    // key of 0 is indexed too, callers decide what "no person" means).
    void BuildMessages(const MessageRecord* messages, const ContactRecord* contacts);
    void Clear();

    // Data rows of one contact in list order (empty when none).
    const std::vector<const ContactDataRow*>& RowsOf(int32_t contactKey) const;
    DataKind KindOf(const ContactDataRow& row) const;
    // Value of the first row of the contact with this kind and a non-empty value; null if none.
    const char* FirstValue(int32_t contactKey, DataKind kind) const;

    // Messages of one conversation in list order (empty when none).
    const std::vector<const MessageRecord*>& MessagesOf(int32_t threadKey) const;
    // The first ContactRecord whose person key equals `personKey`; null if none.
    const ContactRecord* ContactByPerson(int32_t personKey) const;

private:
    std::vector<const ContactDataRow*> m_noRows;          // stays empty
    std::vector<const MessageRecord*> m_noMessages;       // stays empty
    std::unordered_map<int32_t, std::vector<const ContactDataRow*>> m_rowsByContact;
    std::unordered_map<int32_t, DataKind> m_kindByMimetype;
    std::unordered_map<int32_t, std::vector<const MessageRecord*>> m_messagesByThread;
    std::unordered_map<int32_t, const ContactRecord*> m_contactByPerson;
};
