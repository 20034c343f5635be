#include "HtmlReport.h"

#include "ContactTypes.h"
#include "NarrowText.h"
#include "OutputFile.h"
#include "TextExport.h"

namespace {

const char kPageStart[] = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Recovered contacts and messages</title>
<style>
body{margin:0;background:#eef2f6;color:#1d2733;font:15px/1.45 "Segoe UI",Tahoma,Arial,"Noto Sans","Noto Sans CJK SC","Noto Color Emoji",sans-serif}
header{background:linear-gradient(90deg,#16486e,#1b7f8c);color:#fff;padding:18px 28px}
header h1{margin:0;font-size:22px;font-weight:600}
header p{margin:2px 0 0;opacity:.85;font-size:13px}
main{max-width:980px;margin:0 auto;padding:8px 20px 40px}
h2{font-size:18px;margin:26px 0 12px;color:#16486e;border-bottom:2px solid #c9d6e2;padding-bottom:4px}
.cards{display:grid;grid-template-columns:repeat(auto-fill,minmax(220px,1fr));gap:12px}
.card{background:#fff;border:1px solid #d5dee8;border-radius:8px;padding:12px 14px;box-shadow:0 1px 2px rgba(0,0,0,.06)}
.card h3{margin:0 0 6px;font-size:16px;word-break:break-word}
.card dl{margin:0;display:grid;grid-template-columns:auto 1fr;gap:2px 10px;font-size:13px}
.card dt{color:#65758a}
.card dd{margin:0;overflow-wrap:anywhere}
.card.deleted{border:1px dashed #c0392b;background:#fff7f6}
.badge{display:inline-block;font-size:11px;font-weight:600;color:#fff;background:#c0392b;border-radius:9px;padding:0 8px;margin-left:6px;vertical-align:middle}
.conversation{background:#fff;border:1px solid #d5dee8;border-radius:8px;margin:0 0 16px;padding:10px 16px 14px}
.conversation h3{margin:0 0 8px;font-size:16px}
.conversation h3 small{color:#65758a;font-weight:normal;margin-left:8px}
.msg{display:flex;flex-direction:column;margin:6px 0}
.msg.in{align-items:flex-start}
.msg.out{align-items:flex-end}
.msg.unknown{align-items:center}
.bubble{max-width:70%;padding:7px 12px;border-radius:14px;white-space:pre-wrap;word-break:break-word}
.in .bubble{background:#e4e9ef;border-bottom-left-radius:4px}
.out .bubble{background:#1b7f8c;color:#fff;border-bottom-right-radius:4px}
.unknown .bubble{background:#f1ede4}
.msg.deleted .bubble{border:1px dashed #c0392b}
.meta{font-size:11px;color:#7a889a;margin:2px 6px}
.who{font-size:12px;color:#3c4b5c;margin:0 6px 2px}
.empty{color:#7a889a;font-style:italic}
</style>
</head>
<body>
<header><h1>Recovered contacts and messages</h1><p>Quillfen Retrievo</p></header>
<main>
)";

const char kPageEnd[] = "</main>\n</body>\n</html>\n";

std::wstring ValueLabel(const ContactValueView& value) {
    switch (value.kind) {
        case ValueKind::kPhone: {
            const std::wstring label = PhoneTypeLabel(value.typeCode.value_or(0));
            if (!label.empty()) return label;
            return value.label.empty() ? L"Phone" : value.label;
        }
        case ValueKind::kEmail: {
            const std::wstring label = EmailTypeLabel(value.typeCode.value_or(0));
            if (!label.empty()) return label;
            return value.label.empty() ? L"Email" : value.label;
        }
        case ValueKind::kOrganization: return L"Company";
        case ValueKind::kOther: break;
    }
    return L"Other";
}

const char* SideClass(MessageSide side) {
    switch (side) {
        case MessageSide::kReceived: return "in";
        case MessageSide::kSent: return "out";
        case MessageSide::kUnknown: break;
    }
    return "unknown";
}

}  // namespace

std::string HtmlText(const std::wstring& text) {
    const std::string utf8 = Utf8FromWide(text);
    std::string escaped;
    escaped.reserve(utf8.size() + 8);
    for (const char ch : utf8) {
        switch (ch) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            case '\'': escaped += "&#39;"; break;
            default: escaped.push_back(ch);
        }
    }
    return escaped;
}

std::string ContactCard(const ContactView& contact) {
    std::string card = contact.deleted ? "<div class=\"card deleted\"><h3>" : "<div class=\"card\"><h3>";
    card += contact.name.empty() ? "<span class=\"empty\">No name</span>" : HtmlText(contact.name);
    if (contact.deleted) card += "<span class=\"badge\">Deleted</span>";
    card += "</h3>";
    if (!contact.values.empty()) {
        card += "<dl>";
        for (const ContactValueView& value : contact.values) {
            card += "<dt>" + HtmlText(ValueLabel(value)) + "</dt><dd>" + HtmlText(value.value) + "</dd>";
        }
        card += "</dl>";
    }
    card += "</div>\n";
    return card;
}

std::string MessageBubble(const MessageView& message, bool showSender) {
    std::string bubble = "<div class=\"msg ";
    bubble += SideClass(message.side);
    if (message.deleted) bubble += " deleted";
    bubble += "\">";
    if (showSender) {
        std::wstring who = message.contactName;
        if (message.address && !message.address->empty()) {
            who += who.empty() ? *message.address : L" \u00b7 " + *message.address;
        }
        bubble += "<div class=\"who\">" + (who.empty() ? std::string("Unknown sender") : HtmlText(who)) + "</div>";
    }
    bubble += "<div class=\"bubble\">";
    bubble += message.body ? HtmlText(*message.body) : "<span class=\"empty\">No text recovered</span>";
    bubble += "</div><div class=\"meta\">";
    bubble += message.caption.empty() ? std::string("Time unknown") : HtmlText(message.caption);
    if (message.deleted) bubble += "<span class=\"badge\">Deleted</span>";
    bubble += "</div></div>\n";
    return bubble;
}

HtmlReport::HtmlReport(ExportFolder& folder) : m_folder(folder) {}

OutputFile* HtmlReport::Page() {
    if (!m_file) {
        m_file = m_folder.MakeFile(m_folder.Root(), L"report", L".html");
        m_file->Append(kPageStart, sizeof(kPageStart) - 1);
    }
    return m_finished ? nullptr : m_file.get();
}

void HtmlReport::BeginContacts(const CategoryStart& /*start*/) {
    if (OutputFile* page = Page()) page->Append("<h2>Contacts</h2>\n<div class=\"cards\">\n");
}

void HtmlReport::Contact(const ContactView& contact, WriteLedger& ledger) {
    if (OutputFile* page = Page()) ledger.Wrote(*page, page->Append(ContactCard(contact)));
}

void HtmlReport::EndContacts() {
    if (OutputFile* page = Page()) page->Append("</div>\n");
}

void HtmlReport::BeginMessages(const CategoryStart& /*start*/) {
    m_inDeletedMessages = false;
    if (OutputFile* page = Page()) page->Append("<h2>Messages</h2>\n");
}

void HtmlReport::Conversation(const ConversationView& conversation, const std::vector<MessageView>& messages,
                              WriteLedger& ledger) {
    OutputFile* page = Page();
    if (!page) return;
    std::string block = "<section class=\"conversation\"><h3>";
    block += conversation.name.empty() ? "<span class=\"empty\">Unknown</span>" : HtmlText(conversation.name);
    if (!conversation.address.empty() && conversation.address != conversation.name) {
        block += "<small>" + HtmlText(conversation.address) + "</small>";
    }
    block += "</h3>\n";
    for (const MessageView& message : messages) block += MessageBubble(message, false);
    if (messages.empty()) block += "<p class=\"empty\">No messages</p>\n";
    block += "</section>\n";
    ledger.Wrote(*page, page->Append(block));
}

void HtmlReport::BeginDeletedMessages() {
    if (OutputFile* page = Page()) {
        page->Append("<section class=\"conversation\"><h3>Deleted messages</h3>\n");
        m_inDeletedMessages = true;
    }
}

void HtmlReport::DeletedMessage(const MessageView& message, WriteLedger& ledger) {
    if (OutputFile* page = Page()) ledger.Wrote(*page, page->Append(MessageBubble(message, true)));
}

void HtmlReport::EndMessages() {
    OutputFile* page = Page();
    if (page && m_inDeletedMessages) page->Append("</section>\n");
    m_inDeletedMessages = false;
}

void HtmlReport::Finish() {
    if (!m_file || m_finished) return;
    m_file->Append(kPageEnd, sizeof(kPageEnd) - 1);
    m_file->Close();
    m_finished = true;
}
