// TextExport: the text files of the export, UTF-16 with CR LF, in one sub-folder per
// category:
//   <contacts folder>/contacts.txt       every checked contact, then the deleted ones
//   <message folder>/<conversation>.txt  one per checked conversation; conversations whose
//                                        file names clash get "<name> (2).txt", ...
//   <message folder>/deleted.txt         the deleted messages
// Each file is made new and written through one open handle.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ExportFolder.h"
#include "ExportSink.h"
#include "TkTxtFile.h"

// Name of a category's sub-folder: the tree label unchanged when the node is checked,
// otherwise the label cut before its first "(" followed by "(N)" with N checked records.
std::wstring CategoryFolderName(const std::wstring& label, bool nodeChecked, int checkedCount);
// Labels of the type codes of e-mail rows in the text; other codes give "" (the phone labels
// and TypeCode are in ContactTypes.h).
const wchar_t* EmailTypeLabel(int code);

class TextExport : public ExportSink {
public:
    explicit TextExport(ExportFolder& folder);

    void BeginContacts(const CategoryStart& start) override;
    void Contact(const ContactView& contact, WriteLedger& ledger) override;
    void BeginDeletedContacts() override;
    void EndContacts() override;

    void BeginMessages(const CategoryStart& start) override;
    void Conversation(const ConversationView& conversation, const std::vector<MessageView>& messages,
                      WriteLedger& ledger) override;
    void BeginDeletedMessages() override;
    void DeletedMessage(const MessageView& message, WriteLedger& ledger) override;
    void EndMessages() override;

private:
    ExportFolder& m_folder;
    std::wstring m_messageFolder;
    // Every file made, kept (closed) until the end: the ledger asks them what they hold.
    std::vector<std::unique_ptr<OutputFile>> m_files;
    std::unique_ptr<TkTxtFile> m_contacts;
    std::unique_ptr<TkTxtFile> m_deletedMessages;
    int m_nNoName = 0;  // "No Name%d" counter, from 0 for each export

    void LiveContact(const ContactView& contact, WriteLedger& ledger);
    void DeletedContact(const ContactView& contact, WriteLedger& ledger);
};
