// CsvExport: contacts.csv and messages.csv in the export folder, for spreadsheets: UTF-8 with
// a byte-order mark (so that spreadsheet programs take it for UTF-8), rows ending in CR LF,
// fields quoted as RFC 4180 says. Values are written as found: nothing is added to keep a
// spreadsheet from reading a value such as "+44 20" as a number or formula.
//   contacts.csv: name, phones, emails, company, other, deleted; one row per contact, several
//                 values of one kind one per line inside their field.
//   messages.csv: contact, address, date, direction, body, deleted; one row per message.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ExportFolder.h"
#include "ExportSink.h"

// A field as RFC 4180 writes it: quoted, with its quotes doubled, when it holds a comma, a
// quote, a CR or a LF; as it is otherwise.
std::string CsvField(const std::wstring& text);
// The row of one contact, and of one message of a conversation (empty name for a deleted
// message, which carries its own), with their line ends.
std::string ContactCsvRow(const ContactView& contact);
std::string MessageCsvRow(const std::wstring& conversationName, const MessageView& message);

class CsvExport : public ExportSink {
public:
    explicit CsvExport(ExportFolder& folder);

    void BeginContacts(const CategoryStart& start) override;
    void Contact(const ContactView& contact, WriteLedger& ledger) override;
    void EndContacts() override;

    void BeginMessages(const CategoryStart& start) override;
    void Conversation(const ConversationView& conversation, const std::vector<MessageView>& messages,
                      WriteLedger& ledger) override;
    void DeletedMessage(const MessageView& message, WriteLedger& ledger) override;
    void EndMessages() override;

private:
    ExportFolder& m_folder;
    std::vector<std::unique_ptr<OutputFile>> m_files;  // kept until the end for the ledger
    OutputFile* m_contacts = nullptr;
    OutputFile* m_messages = nullptr;

    OutputFile* Open(const wchar_t* stem, const char* header);
};
