// ExportSink: one format of the export. The exporter walks the checked records once and hands
// each to every chosen format, in this order: the contacts (live, then deleted), then the
// conversations and the deleted messages, then Finish. A format notes in the ledger which of
// its files each record went to, so that a record counts as written only when it reached
// every file of every chosen format.
#pragma once

#include <string>
#include <vector>

#include "RecordViews.h"
#include "WriteLedger.h"

// What a category's export starts with.
struct CategoryStart {
    std::wstring folderName;  // the category's sub-folder for the text files
    bool hasDeleted = false;  // the scan gave deleted records of this category (checked or not)
};

class ExportSink {
public:
    virtual ~ExportSink() = default;

    virtual void BeginContacts(const CategoryStart& /*start*/) {}
    virtual void Contact(const ContactView& contact, WriteLedger& ledger) = 0;
    // Before the first deleted contact; called only when the scan gave deleted contacts.
    virtual void BeginDeletedContacts() {}
    virtual void EndContacts() {}

    virtual void BeginMessages(const CategoryStart& /*start*/) {}
    virtual void Conversation(const ConversationView& conversation, const std::vector<MessageView>& messages,
                              WriteLedger& ledger) = 0;
    // Before the first deleted message; called only when the scan gave deleted messages.
    virtual void BeginDeletedMessages() {}
    virtual void DeletedMessage(const MessageView& message, WriteLedger& ledger) = 0;
    virtual void EndMessages() {}

    // After the last category: files that span both categories are completed and closed.
    virtual void Finish() {}
};
