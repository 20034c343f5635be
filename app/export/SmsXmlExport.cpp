#include "SmsXmlExport.h"

#include "LocalTime.h"
#include "NarrowText.h"
#include "OutputFile.h"

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
// Room for the count and its closing quote: ten digits hold every count, spaces fill the
// rest (XML allows spaces before the end of a tag).
constexpr size_t kCountRoom = 11;

std::string CountText(int64_t count) {
    std::string text = std::to_string(count) + "\"";
    text.resize(kCountRoom, ' ');
    return text;
}

// Android's type: the record's own when it is one of Android's message boxes (1 inbox,
// 2 sent, 3 draft, 4 outbox, 5 failed, 6 queued), otherwise by its side; a message of unknown
// side is filed as received.
int64_t SmsType(const MessageView& message) {
    if (message.type && *message.type >= 1 && *message.type <= 6) return *message.type;
    return message.side == MessageSide::kSent ? 2 : 1;
}

int64_t SmsDate(const MessageView& message) {
    if (message.date) return *message.date;
    return MillisecondsFromLocalText(message.caption).value_or(0);
}

}  // namespace

std::string XmlAttribute(const std::wstring& text) {
    const std::string utf8 = Utf8FromWide(text);
    std::string escaped;
    escaped.reserve(utf8.size() + 16);
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(utf8[i]);
        switch (byte) {
            case '&': escaped += "&amp;"; continue;
            case '<': escaped += "&lt;"; continue;
            case '>': escaped += "&gt;"; continue;
            case '"': escaped += "&quot;"; continue;
            case '\'': escaped += "&apos;"; continue;
            case '\t': escaped += "&#9;"; continue;
            case '\n': escaped += "&#10;"; continue;
            case '\r': escaped += "&#13;"; continue;
            default: break;
        }
        if (byte < 0x20) {
            escaped += kReplacement;
        } else if (byte == 0xEF && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0xBF &&
                   (static_cast<unsigned char>(utf8[i + 2]) & 0xFE) == 0xBE) {
            escaped += kReplacement;  // U+FFFE or U+FFFF
            i += 2;
        } else {
            escaped.push_back(static_cast<char>(byte));
        }
    }
    return escaped;
}

std::string SmsElement(const MessageView& message) {
    std::string element = "  <sms protocol=\"0\" address=\"";
    element += XmlAttribute(message.address.value_or(std::wstring()));
    element += "\" date=\"" + std::to_string(SmsDate(message));
    element += "\" type=\"" + std::to_string(SmsType(message));
    element += "\" subject=\"null\" body=\"";
    element += XmlAttribute(message.body.value_or(std::wstring()));
    element += "\" toa=\"null\" sc_toa=\"null\" service_center=\"null\" read=\"1\" status=\"-1\" locked=\"0\" "
               "date_sent=\"0\" readable_date=\"";
    element += XmlAttribute(message.caption);
    element += "\" contact_name=\"";
    element += XmlAttribute(message.contactName);
    element += "\" />\n";
    return element;
}

SmsXmlExport::SmsXmlExport(ExportFolder& folder) : m_folder(folder) {}

void SmsXmlExport::BeginMessages(const CategoryStart& /*start*/) {
    m_files.push_back(m_folder.MakeFile(m_folder.Root(), L"sms", L".xml"));
    m_file = m_files.back().get();
    m_count = 0;
    m_file->Append("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n<smses count=\"");
    m_countOffset = m_file->End();
    m_file->Append(CountText(0) + ">\n");
}

void SmsXmlExport::Conversation(const ConversationView& /*conversation*/, const std::vector<MessageView>& messages,
                                WriteLedger& ledger) {
    if (!m_file) return;
    bool allWritten = true;
    for (const MessageView& message : messages) {
        allWritten &= m_file->Append(SmsElement(message));
        ++m_count;
    }
    if (!messages.empty()) ledger.Wrote(*m_file, allWritten);
}

void SmsXmlExport::DeletedMessage(const MessageView& message, WriteLedger& ledger) {
    if (!m_file) return;
    ledger.Wrote(*m_file, m_file->Append(SmsElement(message)));
    ++m_count;
}

void SmsXmlExport::EndMessages() {
    if (!m_file) return;
    m_file->Append("</smses>\n");
    m_file->Overwrite(m_countOffset, CountText(m_count));
    m_file->Close();
    m_file = nullptr;
}
