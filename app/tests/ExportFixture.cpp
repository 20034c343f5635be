#include "ExportFixture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>

namespace apptest {

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    m_path = std::filesystem::temp_directory_path() /
             ("retrievo-app-" + std::to_string(stamp) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(m_path);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::wstring> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Utf16Lines(const std::vector<std::u16string>& lines) {
    std::string bytes = "\xFF\xFE";
    auto put = [&bytes](char16_t unit) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    };
    for (const std::u16string& line : lines) {
        for (const char16_t unit : line) put(unit);
        put(u'\r');
        put(u'\n');
    }
    return bytes;
}

const char* ModelBuilder::Keep(const char* text) {
    if (!text) return nullptr;
    m_texts.emplace_back(text);
    return m_texts.back().c_str();
}

namespace {

template <typename Record>
Record& Append(std::deque<Record>& list) {
    list.emplace_back();
    Record& added = list.back();
    if (list.size() > 1) list[list.size() - 2].next = &added;
    return added;
}

}  // namespace

ContactRecord& ModelBuilder::AddContact(int contactKey, int personKey, const char* name, int nameSource) {
    ContactRecord& contact = Append(m_contacts);
    contact.contactKey = contactKey;
    contact.checked = 1;
    contact.personKey = personKey;
    contact.displayName = Keep(name);
    contact.nameSource = nameSource;
    return contact;
}

void ModelBuilder::AddMimetype(int key, const char* name) {
    MimetypeEntry& entry = Append(m_mimetypes);
    entry.key = key;
    entry.name = Keep(name);
}

void ModelBuilder::AddRow(int contactKey, int mimetypeKey, const char* value, const char* type, const char* data3) {
    ContactDataRow& row = Append(m_rows);
    row.mimetypeKey = mimetypeKey;
    row.contactKey = contactKey;
    row.data1 = Keep(value);
    row.data2 = Keep(type);
    row.data3 = Keep(data3);
}

ConversationRecord& ModelBuilder::AddConversation(int threadKey) {
    ConversationRecord& conversation = Append(m_conversations);
    conversation.threadKey = threadKey;
    conversation.checked = 1;
    return conversation;
}

void ModelBuilder::AddMessage(int threadKey, const char* address, int personKey, int type, const char* caption,
                              const char* body) {
    MessageRecord& message = Append(m_messages);
    message.threadKey = threadKey;
    message.address = Keep(address);
    message.personKey = personKey;
    message.type = type;
    message.caption = Keep(caption);
    message.body = Keep(body);
}

void ModelBuilder::AddDeletedContact(engine::RecoveredContact contact, bool checked) {
    auto deleted = std::make_unique<DeletedContact>();
    deleted->record.contactKey = static_cast<int32_t>(m_deletedContacts.size());
    deleted->record.checked = checked ? 1 : 0;
    deleted->record.deleted = 1;
    deleted->contact = std::move(contact);
    m_deletedContacts.push_back(std::move(deleted));
}

void ModelBuilder::AddDeletedSms(engine::RecoveredMessage message, bool checked) {
    auto deleted = std::make_unique<DeletedSms>();
    deleted->record.threadKey = static_cast<int32_t>(m_deletedSms.size());
    deleted->record.checked = checked ? 1 : 0;
    deleted->record.deleted = 1;
    deleted->message = std::move(message);
    m_deletedSms.push_back(std::move(deleted));
}

engine::RecoveredContact DeletedPerson(const char* name, std::vector<CarvedValue> values) {
    engine::RecoveredContact contact;
    contact.name = name;
    for (const CarvedValue& carved : values) {
        engine::RecoveredContactValue value;
        value.mimetype = carved.mimetype;
        value.value = carved.value;
        value.typeCode = carved.typeCode;
        contact.values.push_back(value);
    }
    return contact;
}

engine::RecoveredMessage DeletedMessage(std::optional<std::string> address, std::optional<std::string> body,
                                        std::optional<int64_t> date, std::optional<int64_t> type,
                                        const char* contactName) {
    engine::RecoveredMessage message;
    message.address = std::move(address);
    message.body = std::move(body);
    message.date = date;
    message.type = type;
    message.contactName = contactName;
    return message;
}

ExportModel ModelBuilder::Model() {
    ExportModel model;
    model.contacts = m_contacts.empty() ? nullptr : &m_contacts.front();
    model.dataRows = m_rows.empty() ? nullptr : &m_rows.front();
    model.mimetypes = m_mimetypes.empty() ? nullptr : &m_mimetypes.front();
    model.conversations = m_conversations.empty() ? nullptr : &m_conversations.front();
    model.messages = m_messages.empty() ? nullptr : &m_messages.front();
    model.deletedContacts = &m_deletedContacts;
    model.deletedSms = &m_deletedSms;
    m_index.BuildContacts(model.contacts, model.dataRows, model.mimetypes);
    m_index.BuildMessages(model.messages, model.contacts);
    model.index = &m_index;
    return model;
}

void AddStandardMimetypes(ModelBuilder& builder) {
    builder.AddMimetype(kEmailMime, "vnd.android.cursor.item/email_v2");
    builder.AddMimetype(kOrgMime, "vnd.android.cursor.item/organization");
    builder.AddMimetype(kPhoneMime, "vnd.android.cursor.item/phone_v2");
    builder.AddMimetype(kNameMime, "vnd.android.cursor.item/name");
}

}  // namespace apptest
