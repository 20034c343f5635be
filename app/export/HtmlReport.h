// HtmlReport: report.html in the export folder, one self-contained page (its style inside,
// no script, no other file) for people who would rather look than read: every checked contact
// as a card, every checked conversation as speech bubbles (received on the left, sent on the
// right, each with its time), the deleted messages after them, and deleted records marked.
// The page is written while the records are exported and completed by Finish.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ExportFolder.h"
#include "ExportSink.h"

// A text for HTML, in UTF-8: & < > " ' as entities.
std::string HtmlText(const std::wstring& text);
// The card of one contact and the bubble of one message.
std::string ContactCard(const ContactView& contact);
std::string MessageBubble(const MessageView& message, bool showSender);

class HtmlReport : public ExportSink {
public:
    explicit HtmlReport(ExportFolder& folder);

    void BeginContacts(const CategoryStart& start) override;
    void Contact(const ContactView& contact, WriteLedger& ledger) override;
    void EndContacts() override;

    void BeginMessages(const CategoryStart& start) override;
    void Conversation(const ConversationView& conversation, const std::vector<MessageView>& messages,
                      WriteLedger& ledger) override;
    void BeginDeletedMessages() override;
    void DeletedMessage(const MessageView& message, WriteLedger& ledger) override;
    void EndMessages() override;

    void Finish() override;

private:
    ExportFolder& m_folder;
    std::unique_ptr<OutputFile> m_file;  // kept until the exporter ends, for the ledger
    bool m_inDeletedMessages = false;
    bool m_finished = false;

    OutputFile* Page();  // the page, begun on first use
};
