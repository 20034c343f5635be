// SmsXmlExport: sms.xml in the export folder, every checked message (those of the checked
// conversations and the checked deleted ones) in the XML backup format that Android's SMS
// backup-and-restore apps read and write, UTF-8:
//   <smses count="N">
//     <sms protocol="0" address="..." date="ms" type="1|2" ... readable_date="..." contact_name="..." />
//   </smses>
// A live message's date is read back from its local-time caption (to the second); a deleted
// one has its carved date and type where the record holds them (date 0 and type 1 where not).
// The count is written when the file is complete, so it always says how many messages it holds.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ExportFolder.h"
#include "ExportSink.h"

// A text as the value of an XML attribute in UTF-8: & < > " ' as entities, TAB, CR and LF as
// character references, and what XML 1.0 cannot carry (other control characters, U+FFFE,
// U+FFFF) as U+FFFD.
std::string XmlAttribute(const std::wstring& text);
// The <sms .../> element of one message, with its line end.
std::string SmsElement(const MessageView& message);

class SmsXmlExport : public ExportSink {
public:
    explicit SmsXmlExport(ExportFolder& folder);

    void Contact(const ContactView&, WriteLedger&) override {}
    void BeginMessages(const CategoryStart& start) override;
    void Conversation(const ConversationView& conversation, const std::vector<MessageView>& messages,
                      WriteLedger& ledger) override;
    void DeletedMessage(const MessageView& message, WriteLedger& ledger) override;
    void EndMessages() override;

private:
    ExportFolder& m_folder;
    std::vector<std::unique_ptr<OutputFile>> m_files;  // kept until the end for the ledger
    OutputFile* m_file = nullptr;
    uint64_t m_countOffset = 0;  // where the count's reserved room starts
    int64_t m_count = 0;
};
