#include "DeletedRecords.h"

#include <utility>

std::vector<std::string> SplitRecordLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.emplace_back(text, start, end - start);
        start = end + 2;
    }
    return lines;
}

int CountRecordLines(const std::string& text) {
    int count = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", end + 2)) {
        ++count;
    }
    return count;
}

std::unique_ptr<DeletedContact> MakeDeletedContact(int position, std::string line) {
    auto contact = std::make_unique<DeletedContact>();
    contact->line = std::move(line);
    contact->record.contactKey = position;
    contact->record.checked = 1;
    contact->record.deleted = 1;
    contact->record.displayName = contact->line.c_str();
    contact->record.next = nullptr;
    return contact;
}

std::unique_ptr<DeletedSms> MakeDeletedSms(int position, std::string line) {
    auto sms = std::make_unique<DeletedSms>();
    sms->line = std::move(line);
    sms->record.threadKey = position;
    sms->record.checked = 1;
    sms->record.deleted = 1;
    sms->record.deletedText = sms->line.c_str();
    sms->record.next = nullptr;
    return sms;
}
