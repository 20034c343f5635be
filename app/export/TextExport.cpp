#include "TextExport.h"

#include "ContactTypes.h"
#include "OutputFile.h"

namespace {

const wchar_t kSeparatorLine[] = L"------------------------------------------------------------------";
static_assert(sizeof(kSeparatorLine) / sizeof(wchar_t) == 66 + 1, "the separator is 66 hyphens");

const wchar_t kNotCarved[] = L"N/A";

const std::wstring& OrNotCarved(const std::wstring& text) {
    static const std::wstring notCarved(kNotCarved);
    return text.empty() ? notCarved : text;
}

const std::wstring& OrNotCarved(const std::optional<std::wstring>& text) {
    static const std::wstring notCarved(kNotCarved);
    return text && !text->empty() ? *text : notCarved;
}

}  // namespace

std::wstring CategoryFolderName(const std::wstring& label, bool nodeChecked, int checkedCount) {
    if (nodeChecked) return label;
    return label.substr(0, label.find(L'(')) + L"(" + std::to_wstring(checkedCount) + L")";
}

const wchar_t* EmailTypeLabel(int code) {
    switch (code) {
        case 1: return L"Home Email";
        case 2: return L"Work Email";
        case 3: return L"Other Email";
        case 4: return L"Mobile Email";
        default: return L"";
    }
}

TextExport::TextExport(ExportFolder& folder) : m_folder(folder) {}

void TextExport::BeginContacts(const CategoryStart& start) {
    const std::wstring folder = m_folder.MakeSubFolder(start.folderName);
    m_files.push_back(m_folder.MakeFile(folder, L"contacts", L".txt"));
    m_contacts = std::make_unique<TkTxtFile>(*m_files.back());
    m_contacts->WriteLine(L"Contacts:");
    m_nNoName = 0;
}

void TextExport::Contact(const ContactView& contact, WriteLedger& ledger) {
    if (!m_contacts) return;
    if (contact.deleted) {
        DeletedContact(contact, ledger);
    } else {
        LiveContact(contact, ledger);
    }
}

void TextExport::LiveContact(const ContactView& contact, WriteLedger& ledger) {
    // The name is decided once per contact, so every checked contact without a structured
    // name takes a number, even one that gives no line.
    const std::wstring name = contact.structuredName ? contact.name : L"No Name" + std::to_wstring(m_nNoName++);
    bool allWritten = true;
    bool anyLine = false;
    for (const ContactValueView& value : contact.values) {
        const wchar_t* label = L"";
        switch (value.kind) {
            case ValueKind::kPhone: label = PhoneTypeLabel(value.typeCode.value_or(0)); break;
            case ValueKind::kOrganization: label = L"Company"; break;
            case ValueKind::kEmail: label = EmailTypeLabel(value.typeCode.value_or(0)); break;
            case ValueKind::kOther: continue;
        }
        allWritten &= m_contacts->WriteLine(name + L"(" + label + L") : " + value.value) == 1;
        anyLine = true;
    }
    if (anyLine) ledger.Wrote(m_contacts->File(), allWritten);
}

void TextExport::DeletedContact(const ContactView& contact, WriteLedger& ledger) {
    // One line per value, each with the person's name; a person without values gives one.
    const std::wstring& name = OrNotCarved(contact.name);
    bool allWritten = true;
    if (contact.values.empty()) allWritten = m_contacts->WriteLine(name + L" : " + kNotCarved) == 1;
    for (const ContactValueView& value : contact.values) {
        allWritten &= m_contacts->WriteLine(name + L" : " + value.value) == 1;
    }
    ledger.Wrote(m_contacts->File(), allWritten);
}

void TextExport::BeginDeletedContacts() {
    if (!m_contacts) return;
    m_contacts->WriteLine(kSeparatorLine);
    m_contacts->WriteLine(L"Deleted:");
}

void TextExport::EndContacts() {
    if (m_contacts) m_contacts->File().Close();
    m_contacts.reset();
}

void TextExport::BeginMessages(const CategoryStart& start) { m_messageFolder = m_folder.MakeSubFolder(start.folderName); }

void TextExport::Conversation(const ConversationView& conversation, const std::vector<MessageView>& messages,
                              WriteLedger& ledger) {
    m_files.push_back(m_folder.MakeFile(m_messageFolder, conversation.name, L".txt"));
    OutputFile& file = *m_files.back();
    TkTxtFile text(file);
    bool allWritten = text.WriteLine(L"") == 1;
    for (const MessageView& message : messages) {
        const std::wstring& body = message.body ? *message.body : std::wstring();
        allWritten &= text.WriteLine(message.caption) == 1;
        allWritten &= text.WriteLine(message.side == MessageSide::kReceived ? conversation.name + L" : " + body
                                                                             : L"Me : " + body) == 1;
        allWritten &= text.WriteLine(L"") == 1;
    }
    file.Close();
    ledger.Wrote(file, allWritten);
}

void TextExport::BeginDeletedMessages() {
    m_files.push_back(m_folder.MakeFile(m_messageFolder, L"deleted", L".txt"));
    m_deletedMessages = std::make_unique<TkTxtFile>(*m_files.back());
    m_deletedMessages->WriteLine(L"Deleted SMS:");
}

void TextExport::DeletedMessage(const MessageView& message, WriteLedger& ledger) {
    if (!m_deletedMessages) return;
    // The date caption, as live messages have it, when the date was carved.
    bool allWritten = true;
    if (!message.caption.empty()) allWritten = m_deletedMessages->WriteLine(message.caption) == 1;
    allWritten &= m_deletedMessages->WriteLine(OrNotCarved(message.contactName) + L"\t" +
                                               OrNotCarved(message.address) + L"\t" + OrNotCarved(message.body)) == 1;
    ledger.Wrote(m_deletedMessages->File(), allWritten);
}

void TextExport::EndMessages() {
    if (m_deletedMessages) m_deletedMessages->File().Close();
    m_deletedMessages.reset();
}
