// The record model shared by the program and the record-listing library (recsift.dll).
//
// The library hands its lists over as plain memory, so every struct below is a wire layout:
// 32-bit little-endian integers, 32-bit pointers, byte offsets fixed and asserted for the
// 32-bit Windows build; the 64-bit build has the same fields with natural alignment, asserted
// as well. Texts are NUL-terminated narrow strings in the ANSI code page; a
// null text pointer means "no text". Every list is singly linked through `next` and ends
// with a null pointer. The library owns its lists: the program reads them and writes only
// the checked flags.
//
// Deleted records are made by the program in the layouts of ContactRecord (32 bytes) and
// ConversationRecord (44 bytes) with the deleted flag set and the carved line as text.
#pragma once

#include <cstddef>
#include <cstdint>

// Display-name source codes of Android's raw_contacts.display_name_source.
enum : int32_t {
  kNameSourceUndefined = 0,
  kNameSourceEmail = 10,
  kNameSourcePhone = 20,
  kNameSourceOrganization = 30,
  kNameSourceNickname = 35,
  kNameSourceStructuredName = 40,
};

// First list of the contacts listing: one entry per aggregated contact (Android's
// "contacts" table). The program only sets and clears `checked`.
struct ContactAux {
  int32_t contactId;          // 0   contacts._id
  uint8_t checked;            // 4   written by the program
  uint8_t reserved[3];        // 5
  int32_t nameRawContactId;   // 8   contacts.name_raw_contact_id
  int32_t starred;            // 12  contacts.starred
  const char* lookupKey;      // 16  contacts.lookup
  int32_t timesContacted;     // 20  contacts.times_contacted
  int32_t hasPhoneNumber;     // 24  contacts.has_phone_number
  ContactAux* next;           // 28
};

// Second list of the contacts listing: one entry per raw contact. A deleted contact made by
// the program uses the first 32 bytes with `deleted` = 1 and `displayName` = its own copy of
// the carved line (name, TAB, number).
struct ContactRecord {
  int32_t contactKey;         // 0   raw_contacts._id; ContactDataRow::contactKey refers to it
  uint32_t checked;           // 4   written by the program (1 checked, 0 not)
  int32_t personKey;          // 8   the key MessageRecord::personKey refers to (sms.person)
  uint32_t deleted;           // 12  0 in every listed record, 1 in deleted records
  const char* displayName;    // 16  raw_contacts.display_name, may be null
  int32_t nameSource;         // 20  raw_contacts.display_name_source (40 = structured name)
  int32_t aggregateId;        // 24  raw_contacts.contact_id (ContactAux::contactId)
  ContactRecord* next;        // 28
};

// Third list of the contacts listing: one entry per row of Android's "data" table. The
// fifteen generic columns keep Android's numbering: dataN sits at 20 + 4 * (N - 1).
struct ContactDataRow {
  int32_t mimetypeKey;        // 0   data.mimetype_id (MimetypeEntry::key)
  int32_t contactKey;         // 4   data.raw_contact_id (ContactRecord::contactKey)
  int32_t rowId;              // 8   data._id
  int32_t isPrimary;          // 12  data.is_primary
  int32_t isSuperPrimary;     // 16  data.is_super_primary
  const char* data1;          // 20  the value: number, organisation name, e-mail address
  const char* data2;          // 24  type code as decimal text
  const char* data3;          // 28  custom label
  const char* data4;          // 32  organisation title
  const char* data5;          // 36  organisation department
  const char* data6;          // 40  organisation job description
  const char* data7;          // 44
  const char* data8;          // 48
  const char* data9;          // 52
  const char* data10;         // 56
  const char* data11;         // 60
  const char* data12;         // 64
  const char* data13;         // 68
  const char* data14;         // 72
  const char* data15;         // 76  null when the column holds a blob (photos)
  ContactDataRow* next;       // 80
};

// Fourth list of the contacts listing: Android's "mimetypes" table.
struct MimetypeEntry {
  int32_t key;                // 0   mimetypes._id
  const char* name;           // 4   e.g. "vnd.android.cursor.item/phone_v2"
  MimetypeEntry* next;        // 8
};

// First list of the SMS listing: one entry per conversation. A deleted message made by the
// program uses all 44 bytes with `deleted` = 1 and `deletedText` = its own copy of the carved
// line (name, TAB, address, TAB, body).
struct ConversationRecord {
  int32_t threadKey;          // 0   threads._id / sms.thread_id
  uint8_t checked;            // 4   written by the program
  uint8_t reserved[3];        // 5
  int32_t messageCount;       // 8   number of listed messages with this thread key
  int32_t read;               // 12  threads.read
  const char* recipientIds;   // 16  threads.recipient_ids
  const char* snippet;        // 20  threads.snippet
  const char* dateText;       // 24  threads.date as local time "YYYY-MM-DD HH:MM:SS"
  int32_t threadType;         // 28  threads.type
  uint32_t deleted;           // 32  0 in every listed record, 1 in deleted records
  const char* deletedText;    // 36  only in deleted records
  ConversationRecord* next;   // 40
};

// Second list of the SMS listing: one entry per row of Android's "sms" table, oldest first.
struct MessageRecord {
  int32_t messageKey;         // 0   sms._id
  int32_t threadKey;          // 4   sms.thread_id
  const char* address;        // 8   sms.address, the other party's number
  int32_t personKey;          // 12  sms.person, 0 for none
  const char* caption;        // 16  sms.date as local time "YYYY-MM-DD HH:MM:SS"
  int32_t read;               // 20  sms.read
  int32_t status;             // 24  sms.status
  int32_t locked;             // 28  sms.locked
  int32_t type;               // 32  sms.type: 1 received, anything else sent
  int32_t seen;               // 36  sms.seen
  const char* body;           // 40  sms.body
  const char* serviceCenter;  // 44  sms.service_center
  MessageRecord* next;        // 48
};

// Third list of the SMS listing: Android's "canonical_addresses" table, which
// threads.recipient_ids refers to. The program does not read it.
struct SmsAux {
  int32_t key;                // 0   canonical_addresses._id
  const char* address;        // 4   canonical_addresses.address
  SmsAux* next;               // 8
};

// The two entry points of recsift.dll, imported by ordinal. Both take the path of a database
// copy in the ANSI code page and the addresses of the list heads, which they set to the new
// lists (or null); they return 1 when the database could be opened, 0 otherwise. The lists of
// one entry point stay valid until its next call or until the library is unloaded.
#if defined(_WIN32)
#define RECSIFT_CALL __cdecl
#else
#define RECSIFT_CALL
#endif
enum : int { kRecsiftListContactsOrdinal = 1, kRecsiftListMessagesOrdinal = 3 };
typedef int(RECSIFT_CALL* RecsiftListContactsFn)(const char* contactsDbPath, ContactAux** aux,
                                                 ContactRecord** contacts,
                                                 ContactDataRow** dataRows,
                                                 MimetypeEntry** mimetypes);
typedef int(RECSIFT_CALL* RecsiftListMessagesFn)(const char* smsDbPath,
                                                 ConversationRecord** conversations,
                                                 MessageRecord** messages, SmsAux** aux);

// Offsets that do not depend on the pointer size hold on every build.
static_assert(offsetof(ContactAux, contactId) == 0, "ContactAux layout");
static_assert(offsetof(ContactAux, checked) == 4, "ContactAux layout");
static_assert(sizeof(ContactAux::checked) == 1, "ContactAux checked flag is 8 bits");
static_assert(offsetof(ContactRecord, contactKey) == 0, "ContactRecord layout");
static_assert(offsetof(ContactRecord, checked) == 4, "ContactRecord layout");
static_assert(offsetof(ContactRecord, personKey) == 8, "ContactRecord layout");
static_assert(offsetof(ContactRecord, deleted) == 12, "ContactRecord layout");
static_assert(offsetof(ContactRecord, displayName) == 16, "ContactRecord layout");
static_assert(offsetof(ContactDataRow, mimetypeKey) == 0, "ContactDataRow layout");
static_assert(offsetof(ContactDataRow, contactKey) == 4, "ContactDataRow layout");
static_assert(offsetof(MimetypeEntry, key) == 0, "MimetypeEntry layout");
static_assert(offsetof(ConversationRecord, threadKey) == 0, "ConversationRecord layout");
static_assert(offsetof(ConversationRecord, checked) == 4, "ConversationRecord layout");
static_assert(sizeof(ConversationRecord::checked) == 1, "ConversationRecord checked is 8 bits");
static_assert(offsetof(ConversationRecord, recipientIds) == 16, "ConversationRecord layout");
static_assert(offsetof(MessageRecord, threadKey) == 4, "MessageRecord layout");
static_assert(offsetof(MessageRecord, address) == 8, "MessageRecord layout");

// The full wire layouts, with 32-bit pointers; a native 64-bit build skips these.
#define RECORD_MODEL_ASSERT_32(cond, msg) static_assert(sizeof(void*) != 4 || (cond), msg)
RECORD_MODEL_ASSERT_32(offsetof(ContactAux, next) == 28, "ContactAux next at 28");
RECORD_MODEL_ASSERT_32(sizeof(ContactAux) == 32, "ContactAux is 32 bytes");
RECORD_MODEL_ASSERT_32(offsetof(ContactRecord, nameSource) == 20, "ContactRecord name source at 20");
RECORD_MODEL_ASSERT_32(offsetof(ContactRecord, aggregateId) == 24, "ContactRecord layout");
RECORD_MODEL_ASSERT_32(offsetof(ContactRecord, next) == 28, "ContactRecord next at 28");
RECORD_MODEL_ASSERT_32(sizeof(ContactRecord) == 32, "a deleted contact is a 32-byte ContactRecord");
RECORD_MODEL_ASSERT_32(offsetof(ContactDataRow, data2) == 24, "ContactDataRow type code at 24");
RECORD_MODEL_ASSERT_32(offsetof(ContactDataRow, data5) == 36, "ContactDataRow data5 at 36");
RECORD_MODEL_ASSERT_32(offsetof(ContactDataRow, data6) == 40, "ContactDataRow data6 at 40");
RECORD_MODEL_ASSERT_32(offsetof(ContactDataRow, data15) == 76, "ContactDataRow data15 at 76");
RECORD_MODEL_ASSERT_32(offsetof(ContactDataRow, next) == 80, "ContactDataRow next at 80");
RECORD_MODEL_ASSERT_32(sizeof(ContactDataRow) == 84, "ContactDataRow is 84 bytes");
RECORD_MODEL_ASSERT_32(offsetof(MimetypeEntry, next) == 8, "MimetypeEntry next at 8");
RECORD_MODEL_ASSERT_32(sizeof(MimetypeEntry) == 12, "MimetypeEntry is 12 bytes");
RECORD_MODEL_ASSERT_32(offsetof(ConversationRecord, snippet) == 20, "ConversationRecord layout");
RECORD_MODEL_ASSERT_32(offsetof(ConversationRecord, dateText) == 24, "ConversationRecord layout");
RECORD_MODEL_ASSERT_32(offsetof(ConversationRecord, threadType) == 28, "ConversationRecord layout");
RECORD_MODEL_ASSERT_32(offsetof(ConversationRecord, deleted) == 32, "ConversationRecord deleted at 32");
RECORD_MODEL_ASSERT_32(offsetof(ConversationRecord, deletedText) == 36, "ConversationRecord text at 36");
RECORD_MODEL_ASSERT_32(offsetof(ConversationRecord, next) == 40, "ConversationRecord next at 40");
RECORD_MODEL_ASSERT_32(sizeof(ConversationRecord) == 44, "a deleted SMS is a 44-byte ConversationRecord");
RECORD_MODEL_ASSERT_32(offsetof(MessageRecord, personKey) == 12, "MessageRecord person key at 12");
RECORD_MODEL_ASSERT_32(offsetof(MessageRecord, caption) == 16, "MessageRecord caption at 16");
RECORD_MODEL_ASSERT_32(offsetof(MessageRecord, type) == 32, "MessageRecord type at 32");
RECORD_MODEL_ASSERT_32(offsetof(MessageRecord, body) == 40, "MessageRecord body at 40");
RECORD_MODEL_ASSERT_32(offsetof(MessageRecord, next) == 48, "MessageRecord next at 48");
RECORD_MODEL_ASSERT_32(sizeof(MessageRecord) == 52, "MessageRecord is 52 bytes");
RECORD_MODEL_ASSERT_32(offsetof(SmsAux, next) == 8, "SmsAux next at 8");
RECORD_MODEL_ASSERT_32(offsetof(ContactDataRow, data1) == 20, "ContactDataRow layout");
RECORD_MODEL_ASSERT_32(offsetof(MimetypeEntry, name) == 4, "MimetypeEntry layout");
RECORD_MODEL_ASSERT_32(offsetof(SmsAux, address) == 4, "SmsAux layout");
#undef RECORD_MODEL_ASSERT_32

// The 64-bit build keeps the same fields in the same order with natural alignment: pointers
// take 8 bytes on 8-byte boundaries.
#define RECORD_MODEL_ASSERT_64(cond, msg) static_assert(sizeof(void*) != 8 || (cond), msg)
RECORD_MODEL_ASSERT_64(offsetof(ContactAux, lookupKey) == 16 && offsetof(ContactAux, next) == 32 &&
                           sizeof(ContactAux) == 40, "ContactAux, 64-bit");
RECORD_MODEL_ASSERT_64(offsetof(ContactRecord, displayName) == 16 && offsetof(ContactRecord, nameSource) == 24 &&
                           offsetof(ContactRecord, next) == 32 && sizeof(ContactRecord) == 40,
                       "ContactRecord, 64-bit");
RECORD_MODEL_ASSERT_64(offsetof(ContactDataRow, data1) == 24 && offsetof(ContactDataRow, data2) == 32 &&
                           offsetof(ContactDataRow, data15) == 136 && offsetof(ContactDataRow, next) == 144 &&
                           sizeof(ContactDataRow) == 152, "ContactDataRow, 64-bit");
RECORD_MODEL_ASSERT_64(offsetof(MimetypeEntry, name) == 8 && sizeof(MimetypeEntry) == 24, "MimetypeEntry, 64-bit");
RECORD_MODEL_ASSERT_64(offsetof(ConversationRecord, recipientIds) == 16 &&
                           offsetof(ConversationRecord, threadType) == 40 &&
                           offsetof(ConversationRecord, deleted) == 44 &&
                           offsetof(ConversationRecord, deletedText) == 48 &&
                           offsetof(ConversationRecord, next) == 56 && sizeof(ConversationRecord) == 64,
                       "ConversationRecord, 64-bit");
RECORD_MODEL_ASSERT_64(offsetof(MessageRecord, personKey) == 16 && offsetof(MessageRecord, caption) == 24 &&
                           offsetof(MessageRecord, type) == 44 && offsetof(MessageRecord, body) == 56 &&
                           offsetof(MessageRecord, next) == 72 && sizeof(MessageRecord) == 80,
                       "MessageRecord, 64-bit");
RECORD_MODEL_ASSERT_64(offsetof(SmsAux, address) == 8 && sizeof(SmsAux) == 24, "SmsAux, 64-bit");
#undef RECORD_MODEL_ASSERT_64
