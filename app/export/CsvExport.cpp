#include "CsvExport.h"

#include "ContactTypes.h"
#include "NarrowText.h"
#include "OutputFile.h"
#include "TextExport.h"

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

// A value with its type in brackets: "555 0101 (Mobile)".
std::wstring Labelled(const ContactValueView& value) {
    std::wstring label;
    if (value.typeCode) {
        label = value.kind == ValueKind::kPhone ? PhoneTypeLabel(*value.typeCode) : EmailTypeLabel(*value.typeCode);
    }
    if (label.empty()) label = value.label;
    return label.empty() ? value.value : value.value + L" (" + label + L")";
}

void AddLine(std::wstring& field, const std::wstring& line) {
    if (!field.empty()) field += L'\n';
    field += line;
}

const char* Direction(MessageSide side) {
    switch (side) {
        case MessageSide::kReceived: return "received";
        case MessageSide::kSent: return "sent";
        case MessageSide::kUnknown: break;
    }
    return "";
}

}  // namespace

std::string CsvField(const std::wstring& text) {
    const std::string utf8 = Utf8FromWide(text);
    if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
    std::string quoted = "\"";
    for (const char ch : utf8) {
        if (ch == '"') quoted.push_back('"');
        quoted.push_back(ch);
    }
    quoted.push_back('"');
    return quoted;
}

std::string ContactCsvRow(const ContactView& contact) {
    std::wstring phones, emails, company, other;
    for (const ContactValueView& value : contact.values) {
        switch (value.kind) {
            case ValueKind::kPhone: AddLine(phones, Labelled(value)); break;
            case ValueKind::kEmail: AddLine(emails, Labelled(value)); break;
            case ValueKind::kOrganization: AddLine(company, value.value); break;
            case ValueKind::kOther: AddLine(other, value.value); break;
        }
    }
    return CsvField(contact.name) + "," + CsvField(phones) + "," + CsvField(emails) + "," + CsvField(company) + "," +
           CsvField(other) + "," + (contact.deleted ? "yes" : "no") + "\r\n";
}

std::string MessageCsvRow(const std::wstring& conversationName, const MessageView& message) {
    const std::wstring& contact = message.deleted ? message.contactName : conversationName;
    return CsvField(contact) + "," + CsvField(message.address.value_or(std::wstring())) + "," +
           CsvField(message.caption) + "," + Direction(message.side) + "," +
           CsvField(message.body.value_or(std::wstring())) + "," + (message.deleted ? "yes" : "no") + "\r\n";
}

CsvExport::CsvExport(ExportFolder& folder) : m_folder(folder) {}

OutputFile* CsvExport::Open(const wchar_t* stem, const char* header) {
    m_files.push_back(m_folder.MakeFile(m_folder.Root(), stem, L".csv"));
    OutputFile* file = m_files.back().get();
    file->Append(std::string(kByteOrderMark) + header);
    return file;
}

void CsvExport::BeginContacts(const CategoryStart& /*start*/) {
    m_contacts = Open(L"contacts", "name,phones,emails,company,other,deleted\r\n");
}

void CsvExport::Contact(const ContactView& contact, WriteLedger& ledger) {
    if (m_contacts) ledger.Wrote(*m_contacts, m_contacts->Append(ContactCsvRow(contact)));
}

void CsvExport::EndContacts() {
    if (m_contacts) m_contacts->Close();
    m_contacts = nullptr;
}

void CsvExport::BeginMessages(const CategoryStart& /*start*/) {
    m_messages = Open(L"messages", "contact,address,date,direction,body,deleted\r\n");
}

void CsvExport::Conversation(const ConversationView& conversation, const std::vector<MessageView>& messages,
                             WriteLedger& ledger) {
    if (!m_messages || messages.empty()) return;
    bool allWritten = true;
    for (const MessageView& message : messages) {
        allWritten &= m_messages->Append(MessageCsvRow(conversation.name, message));
    }
    ledger.Wrote(*m_messages, allWritten);
}

void CsvExport::DeletedMessage(const MessageView& message, WriteLedger& ledger) {
    if (m_messages) ledger.Wrote(*m_messages, m_messages->Append(MessageCsvRow(std::wstring(), message)));
}

void CsvExport::EndMessages() {
    if (m_messages) m_messages->Close();
    m_messages = nullptr;
}
