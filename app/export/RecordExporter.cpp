#include "RecordExporter.h"

#include <utility>

#include "CsvExport.h"
#include "HtmlReport.h"
#include "SmsXmlExport.h"
#include "VCardExport.h"

RecordExporter::RecordExporter(const ExportModel& model, ExportControl& control, std::wstring saveDir,
                               ExportFormats formats)
    : m_model(model),
      m_index(model.index ? *model.index : m_ownIndex),
      m_views(m_index, model.mimetypes),
      m_control(control),
      m_folder(std::move(saveDir)) {
    if (!model.index) {
        m_ownIndex.BuildContacts(model.contacts, model.dataRows, model.mimetypes);
        m_ownIndex.BuildMessages(model.messages, model.contacts);
    }
    if (formats.text) m_sinks.push_back(std::make_unique<TextExport>(m_folder));
    if (formats.vcard) m_sinks.push_back(std::make_unique<VCardExport>(m_folder));
    if (formats.smsXml) m_sinks.push_back(std::make_unique<SmsXmlExport>(m_folder));
    if (formats.csv) m_sinks.push_back(std::make_unique<CsvExport>(m_folder));
    if (formats.html) m_sinks.push_back(std::make_unique<HtmlReport>(m_folder));
}

RecordExporter::~RecordExporter() { Finish(); }

bool RecordExporter::HasDeletedContacts() const {
    return m_model.deletedContacts && !m_model.deletedContacts->empty();
}

bool RecordExporter::HasDeletedSms() const { return m_model.deletedSms && !m_model.deletedSms->empty(); }

int RecordExporter::CountCheckedContacts() const {
    int count = 0;
    for (const ContactRecord* contact = m_model.contacts; contact; contact = contact->next) {
        if (contact->checked) ++count;
    }
    if (HasDeletedContacts()) {
        for (const auto& deleted : *m_model.deletedContacts) {
            if (deleted->record.checked) ++count;
        }
    }
    return count;
}

int RecordExporter::CountCheckedMessages() const {
    int count = 0;
    for (const ConversationRecord* conversation = m_model.conversations; conversation;
         conversation = conversation->next) {
        if (conversation->checked) ++count;
    }
    if (HasDeletedSms()) {
        for (const auto& deleted : *m_model.deletedSms) {
            if (deleted->record.checked) ++count;
        }
    }
    return count;
}

int RecordExporter::ExportContacts(const std::wstring& label, bool nodeChecked) {
    const int count = CountCheckedContacts();
    if (count == 0 || m_sinks.empty()) return count;
    CategoryStart start;
    start.folderName = CategoryFolderName(label, nodeChecked, count);
    start.hasDeleted = HasDeletedContacts();
    for (auto& sink : m_sinks) sink->BeginContacts(start);

    for (const ContactRecord* contact = m_model.contacts; contact; contact = contact->next) {
        m_control.WaitWhilePaused();
        if (m_control.StopRequested()) {
            for (auto& sink : m_sinks) sink->EndContacts();
            return -1;
        }
        if (!contact->checked) continue;
        const ContactView view = m_views.Live(*contact);
        m_ledger.BeginRecord();
        for (auto& sink : m_sinks) sink->Contact(view, m_ledger);
        RecordHandled();
    }

    // The deleted records are few and quick: this part neither pauses nor stops.
    if (start.hasDeleted) {
        for (auto& sink : m_sinks) sink->BeginDeletedContacts();
        for (const auto& deleted : *m_model.deletedContacts) {
            if (!deleted->record.checked) continue;
            const ContactView view = m_views.Deleted(*deleted);
            m_ledger.BeginRecord();
            for (auto& sink : m_sinks) sink->Contact(view, m_ledger);
            RecordHandled();
        }
    }
    for (auto& sink : m_sinks) sink->EndContacts();
    return count;
}

int RecordExporter::ExportMessages(const std::wstring& label, bool nodeChecked) {
    const int count = CountCheckedMessages();
    if (count == 0 || m_sinks.empty()) return count;
    CategoryStart start;
    start.folderName = CategoryFolderName(label, nodeChecked, count);
    start.hasDeleted = HasDeletedSms();
    for (auto& sink : m_sinks) sink->BeginMessages(start);

    for (const ConversationRecord* conversation = m_model.conversations; conversation;
         conversation = conversation->next) {
        m_control.WaitWhilePaused();
        if (m_control.StopRequested()) {
            for (auto& sink : m_sinks) sink->EndMessages();
            return -1;
        }
        if (!conversation->checked) continue;
        const ConversationView view = m_views.Conversation(*conversation);
        const std::vector<MessageView> messages = m_views.Messages(*conversation);
        m_ledger.BeginRecord();
        for (auto& sink : m_sinks) sink->Conversation(view, messages, m_ledger);
        RecordHandled();
    }

    if (start.hasDeleted) {
        for (auto& sink : m_sinks) sink->BeginDeletedMessages();
        for (const auto& deleted : *m_model.deletedSms) {
            if (!deleted->record.checked) continue;
            const MessageView view = m_views.Deleted(*deleted);
            m_ledger.BeginRecord();
            for (auto& sink : m_sinks) sink->DeletedMessage(view, m_ledger);
            RecordHandled();
        }
    }
    for (auto& sink : m_sinks) sink->EndMessages();
    return count;
}

void RecordExporter::Finish() {
    if (m_bFinished) return;
    m_bFinished = true;
    for (auto& sink : m_sinks) sink->Finish();
}

bool RecordExporter::AnyWriteFailed() const { return !m_folder.FirstProblem().empty(); }

std::wstring RecordExporter::FirstProblem() const { return m_folder.FirstProblem(); }

std::wstring RecordExporter::ConversationExportName(const ConversationRecord& conversation) const {
    return m_views.ConversationName(conversation);
}

void RecordExporter::RecordHandled() {
    ++m_nDone;
    m_control.RecordDone(m_nDone);
}
