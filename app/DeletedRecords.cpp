#include "DeletedRecords.h"

#include <algorithm>
#include <utility>

#include "LocalTime.h"
#include "NarrowText.h"

const char kNotAvailable[] = "N/A";

namespace {

const char kPhoneMime[] = "vnd.android.cursor.item/phone_v2";
const char kEmailMime[] = "vnd.android.cursor.item/email_v2";

// A value found without its mimetype (a copy in an index or full-text table may not say
// what it was) is shown as what it plainly is: an address with "@" as an e-mail, a text of
// digits and the signs numbers are written with as a number. Anything else keeps no
// mimetype: the exports still write it.
std::string MimetypeOf(const engine::RecoveredContactValue& value) {
    if (!value.mimetype.empty()) return value.mimetype;
    if (value.value.find('@') != std::string::npos) return kEmailMime;
    bool digits = false;
    for (const char c : value.value) {
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c != '+' && c != ' ' && c != '-' && c != '(' && c != ')' && c != '.' && c != '#' && c != '*') {
            return std::string();
        }
    }
    return digits ? kPhoneMime : std::string();
}

}  // namespace

std::unique_ptr<DeletedContact> MakeDeletedContact(int position, engine::RecoveredContact contact) {
    auto deleted = std::make_unique<DeletedContact>();
    DeletedContact& d = *deleted;
    d.contact = std::move(contact);
    // The values in the order their rows were made, as a live contact's rows are listed;
    // the engine hands them over in the order it found them.
    std::stable_sort(d.contact.values.begin(), d.contact.values.end(),
                     [](const engine::RecoveredContactValue& a, const engine::RecoveredContactValue& b) {
                         if (!a.dataId || !b.dataId) return a.dataId.has_value() && !b.dataId.has_value();
                         return *a.dataId < *b.dataId;
                     });
    auto text = [&d](std::string value) -> const char* {
        d.texts.push_back(std::move(value));
        return d.texts.back().c_str();
    };

    // The mimetypes first, so that the rows can take their keys; both vectors are sized
    // before any pointer into them is taken.
    std::vector<std::string> names;
    std::vector<int32_t> keys;
    for (const engine::RecoveredContactValue& value : d.contact.values) {
        const std::string name = MimetypeOf(value);
        int32_t key = 0;
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) key = static_cast<int32_t>(i + 1);
        if (key == 0) {
            names.push_back(name);
            key = static_cast<int32_t>(names.size());
        }
        keys.push_back(key);
    }
    d.mimetypes.resize(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        d.mimetypes[i].key = static_cast<int32_t>(i + 1);
        d.mimetypes[i].name = text(names[i]);
        d.mimetypes[i].next = i + 1 < names.size() ? &d.mimetypes[i + 1] : nullptr;
    }

    d.rows.resize(d.contact.values.size());
    for (size_t i = 0; i < d.rows.size(); ++i) {
        const engine::RecoveredContactValue& value = d.contact.values[i];
        ContactDataRow& row = d.rows[i];
        row = ContactDataRow{};
        row.mimetypeKey = keys[i];
        row.contactKey = position;
        row.rowId = value.dataId ? static_cast<int32_t>(*value.dataId) : 0;
        row.data1 = text(value.value);
        row.data2 = value.typeCode ? text(std::to_string(*value.typeCode)) : nullptr;
        row.data3 = value.label.empty() ? nullptr : text(value.label);
        row.next = i + 1 < d.rows.size() ? &d.rows[i + 1] : nullptr;
        d.rowOrder.push_back(&row);
    }

    d.record.contactKey = position;
    d.record.checked = 1;
    d.record.deleted = 1;
    d.record.displayName = text(d.contact.name.empty() ? std::string(kNotAvailable) : d.contact.name);
    d.record.nameSource = kNameSourceStructuredName;
    d.record.next = nullptr;
    return deleted;
}

std::unique_ptr<DeletedSms> MakeDeletedSms(int position, engine::RecoveredMessage message) {
    auto deleted = std::make_unique<DeletedSms>();
    DeletedSms& d = *deleted;
    d.message = std::move(message);
    const engine::RecoveredMessage& m = d.message;
    d.name = m.contactName.empty() ? kNotAvailable : m.contactName;
    d.address = m.address && !m.address->empty() ? *m.address : kNotAvailable;
    if (m.date) d.caption = Utf8FromWide(LocalTimeText(*m.date));

    d.record.threadKey = position;
    d.record.checked = 1;
    d.record.deleted = 1;
    d.record.messageCount = 1;
    d.record.next = nullptr;

    d.bubble.messageKey = m.id ? static_cast<int32_t>(*m.id) : 0;
    d.bubble.threadKey = position;
    d.bubble.address = d.address.c_str();
    d.bubble.caption = d.caption.empty() ? nullptr : d.caption.c_str();
    // Without a carved type the message is shown on the sent side, as a message of unknown
    // direction always was; 1 is Android's "received".
    d.bubble.type = m.type ? static_cast<int32_t>(*m.type) : 2;
    d.bubble.body = m.body ? m.body->c_str() : nullptr;
    d.bubble.next = nullptr;
    d.bubbleOrder.push_back(&d.bubble);
    return deleted;
}
