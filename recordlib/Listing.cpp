#include "Listing.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "AndroidDb.h"
#include "ListArena.h"

namespace {

const char kStructuredNameMimetype[] = "vnd.android.cursor.item/name";

int32_t ColumnInt(sqlite3_stmt* stmt, int col) { return sqlite3_column_int(stmt, col); }

// Text of a date column (milliseconds since 1970) as local time; null for no date.
char* ColumnLocalTime(ListArena& arena, sqlite3_stmt* stmt, int col) {
  if (sqlite3_column_type(stmt, col) == SQLITE_NULL) return nullptr;
  const std::string text = FormatLocalTime(sqlite3_column_int64(stmt, col));
  return arena.copyText(text.data(), text.size());
}

}  // namespace

bool ListContacts(ListArena& arena, const char* ansiPath, ContactsListing* out) {
  *out = ContactsListing();
  AndroidDb db;
  if (!arena.ok() || !db.open(ansiPath)) return false;

  // mimetypes: key and name; the structured-name key is remembered for the name fallback.
  std::set<int32_t> structuredNameKeys;
  {
    ListTail<MimetypeEntry> tail(&out->mimetypes);
    db.select("mimetypes", {"_id", "mimetype"}, {{"_id", false}}, [&](sqlite3_stmt* s) {
      MimetypeEntry* e = arena.make<MimetypeEntry>();
      if (e == nullptr) return;
      e->key = ColumnInt(s, 0);
      e->name = ColumnAnsiText(arena, s, 1);
      const unsigned char* raw = sqlite3_column_text(s, 1);
      if (raw && std::strcmp(reinterpret_cast<const char*>(raw), kStructuredNameMimetype) == 0) {
        structuredNameKeys.insert(e->key);
      }
      tail.append(e);
    });
  }

  // data: one row each, data1..data15 in Android's numbering.
  std::vector<int32_t> keysInData;  // contact keys in order of first appearance
  std::set<int32_t> seenInData;
  std::map<int32_t, const char*> structuredNames;  // contact key -> first non-empty name
  {
    ListTail<ContactDataRow> tail(&out->dataRows);
    db.select("data",
              {"_id", "mimetype_id", "raw_contact_id", "is_primary", "is_super_primary", "data1",
               "data2", "data3", "data4", "data5", "data6", "data7", "data8", "data9", "data10",
               "data11", "data12", "data13", "data14", "data15"},
              {{"_id", false}}, [&](sqlite3_stmt* s) {
                ContactDataRow* r = arena.make<ContactDataRow>();
                if (r == nullptr) return;
                r->rowId = ColumnInt(s, 0);
                r->mimetypeKey = ColumnInt(s, 1);
                r->contactKey = ColumnInt(s, 2);
                r->isPrimary = ColumnInt(s, 3);
                r->isSuperPrimary = ColumnInt(s, 4);
                const char** texts[] = {&r->data1,  &r->data2,  &r->data3,  &r->data4,
                                        &r->data5,  &r->data6,  &r->data7,  &r->data8,
                                        &r->data9,  &r->data10, &r->data11, &r->data12,
                                        &r->data13, &r->data14, &r->data15};
                for (int i = 0; i < 15; ++i) *texts[i] = ColumnAnsiText(arena, s, 5 + i);
                if (seenInData.insert(r->contactKey).second) keysInData.push_back(r->contactKey);
                if (structuredNameKeys.count(r->mimetypeKey) && r->data1 && *r->data1 &&
                    !structuredNames.count(r->contactKey)) {
                  structuredNames[r->contactKey] = r->data1;
                }
                tail.append(r);
              });
  }

  // raw_contacts: one ContactRecord per raw contact. Android's legacy "people" id, which
  // sms.person holds, is the raw contact's _id, so the contact and person keys are equal.
  {
    ListTail<ContactRecord> tail(&out->contacts);
    const std::set<std::string> rawColumns = db.columns("raw_contacts");
    const bool haveSource = rawColumns.count("display_name_source") != 0;
    auto finish = [&](ContactRecord* c) {
      // Without a stored name source, do as Android does when it computes one: a structured
      // name makes the display name (source 40).
      if (!haveSource) {
        auto it = structuredNames.find(c->contactKey);
        if (it != structuredNames.end()) {
          c->nameSource = kNameSourceStructuredName;
          if (c->displayName == nullptr) c->displayName = it->second;
        }
      }
      tail.append(c);
    };
    if (rawColumns.count("_id")) {
      db.select("raw_contacts", {"_id", "contact_id", "display_name", "display_name_source"},
                {{"_id", false}}, [&](sqlite3_stmt* s) {
                  ContactRecord* c = arena.make<ContactRecord>();
                  if (c == nullptr) return;
                  c->contactKey = ColumnInt(s, 0);
                  c->personKey = c->contactKey;
                  c->aggregateId = ColumnInt(s, 1);
                  c->displayName = ColumnAnsiText(arena, s, 2);
                  c->nameSource = ColumnInt(s, 3);
                  finish(c);
                });
    } else {
      // No raw_contacts table: the contacts are the owners named by the data rows.
      for (int32_t key : keysInData) {
        ContactRecord* c = arena.make<ContactRecord>();
        if (c == nullptr) break;
        c->contactKey = key;
        c->personKey = key;
        finish(c);
      }
    }
  }

  // contacts: the aggregated contacts.
  {
    ListTail<ContactAux> tail(&out->aux);
    db.select("contacts",
              {"_id", "name_raw_contact_id", "starred", "lookup", "times_contacted",
               "has_phone_number"},
              {{"_id", false}}, [&](sqlite3_stmt* s) {
                ContactAux* a = arena.make<ContactAux>();
                if (a == nullptr) return;
                a->contactId = ColumnInt(s, 0);
                a->nameRawContactId = ColumnInt(s, 1);
                a->starred = ColumnInt(s, 2);
                a->lookupKey = ColumnAnsiText(arena, s, 3);
                a->timesContacted = ColumnInt(s, 4);
                a->hasPhoneNumber = ColumnInt(s, 5);
                tail.append(a);
              });
  }
  return true;
}

bool ListMessages(ListArena& arena, const char* ansiPath, MessagesListing* out) {
  *out = MessagesListing();
  AndroidDb db;
  if (!arena.ok() || !db.open(ansiPath)) return false;

  // sms, oldest first, so a conversation reads from top to bottom.
  struct ThreadInfo {
    int32_t count = 0;
    int64_t newest = 0;
    const char* newestText = nullptr;
  };
  std::map<int32_t, ThreadInfo> threadsWithSms;
  {
    ListTail<MessageRecord> tail(&out->messages);
    db.select("sms",
              {"_id", "thread_id", "address", "person", "date", "read", "status", "locked", "type",
               "seen", "body", "service_center"},
              {{"date", false}, {"_id", false}}, [&](sqlite3_stmt* s) {
                MessageRecord* m = arena.make<MessageRecord>();
                if (m == nullptr) return;
                m->messageKey = ColumnInt(s, 0);
                m->threadKey = ColumnInt(s, 1);
                m->address = ColumnAnsiText(arena, s, 2);
                m->personKey = ColumnInt(s, 3);
                m->caption = ColumnLocalTime(arena, s, 4);
                m->read = ColumnInt(s, 5);
                m->status = ColumnInt(s, 6);
                m->locked = ColumnInt(s, 7);
                m->type = ColumnInt(s, 8);
                m->seen = ColumnInt(s, 9);
                m->body = ColumnAnsiText(arena, s, 10);
                m->serviceCenter = ColumnAnsiText(arena, s, 11);
                ThreadInfo& t = threadsWithSms[m->threadKey];
                ++t.count;
                const int64_t date = sqlite3_column_int64(s, 4);
                if (t.newestText == nullptr || date >= t.newest) {
                  t.newest = date;
                  t.newestText = m->caption;
                }
                tail.append(m);
              });
  }

  // Conversations: the threads that hold SMS, newest first as the phone lists them, then any
  // thread of an SMS that the threads table lacks (or all of them when it is missing).
  {
    ListTail<ConversationRecord> tail(&out->conversations);
    std::set<int32_t> listed;
    db.select("threads",
              {"_id", "date", "message_count", "recipient_ids", "snippet", "read", "type"},
              {{"date", true}, {"_id", true}}, [&](sqlite3_stmt* s) {
                const int32_t key = ColumnInt(s, 0);
                auto it = threadsWithSms.find(key);
                if (it == threadsWithSms.end() || !listed.insert(key).second) return;
                ConversationRecord* c = arena.make<ConversationRecord>();
                if (c == nullptr) return;
                c->threadKey = key;
                c->messageCount = it->second.count;
                c->recipientIds = ColumnAnsiText(arena, s, 3);
                c->snippet = ColumnAnsiText(arena, s, 4);
                c->read = ColumnInt(s, 5);
                c->threadType = ColumnInt(s, 6);
                c->dateText = ColumnLocalTime(arena, s, 1);
                tail.append(c);
              });
    std::vector<std::pair<int32_t, const ThreadInfo*>> rest;
    for (const auto& t : threadsWithSms) {
      if (!listed.count(t.first)) rest.emplace_back(t.first, &t.second);
    }
    std::stable_sort(rest.begin(), rest.end(), [](const auto& a, const auto& b) {
      return a.second->newest != b.second->newest ? a.second->newest > b.second->newest
                                                  : a.first > b.first;
    });
    for (const auto& t : rest) {
      ConversationRecord* c = arena.make<ConversationRecord>();
      if (c == nullptr) break;
      c->threadKey = t.first;
      c->messageCount = t.second->count;
      c->dateText = t.second->newestText;
      tail.append(c);
    }
  }

  // canonical_addresses: the addresses threads.recipient_ids refers to.
  {
    ListTail<SmsAux> tail(&out->aux);
    db.select("canonical_addresses", {"_id", "address"}, {{"_id", false}}, [&](sqlite3_stmt* s) {
      SmsAux* a = arena.make<SmsAux>();
      if (a == nullptr) return;
      a->key = ColumnInt(s, 0);
      a->address = ColumnAnsiText(arena, s, 1);
      tail.append(a);
    });
  }
  return true;
}
