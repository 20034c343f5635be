// VCardExport: contacts.vcf in the export folder, one vCard 3.0 card per checked contact,
// live and deleted, in UTF-8 with CR LF: N, FN, a TEL per number with its TYPE from the
// phone's type code, EMAIL, ORG, and "NOTE:Recovered deleted contact" on deleted ones. Text
// is escaped and long lines folded as RFC 2426 says, so that a phone's contacts app imports
// the file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ExportFolder.h"
#include "ExportSink.h"

// The card of one contact, as the file holds it.
std::string VCard(const ContactView& contact);
// A text value escaped for a vCard: \ , ; and line breaks, in UTF-8.
std::string VCardText(const std::wstring& text);
// One content line folded at 75 octets (never inside a UTF-8 sequence), ending in CR LF.
std::string FoldedVCardLine(const std::string& line);
// The TYPE parameter of a phone's type code ("CELL", "WORK,FAX", ...).
const char* VCardPhoneType(int typeCode);

class VCardExport : public ExportSink {
public:
    explicit VCardExport(ExportFolder& folder);

    void BeginContacts(const CategoryStart& start) override;
    void Contact(const ContactView& contact, WriteLedger& ledger) override;
    void EndContacts() override;
    void Conversation(const ConversationView&, const std::vector<MessageView>&, WriteLedger&) override {}
    void DeletedMessage(const MessageView&, WriteLedger&) override {}

private:
    ExportFolder& m_folder;
    std::vector<std::unique_ptr<OutputFile>> m_files;  // kept until the end for the ledger
    OutputFile* m_file = nullptr;                       // the one being written
};
