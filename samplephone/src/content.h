#pragma once

// What the sample phone holds: its contacts and conversations as plain values, and which
// of them the owner deletes. The writer turns this into provider rows; nothing here knows
// about SQLite.

#include <cstdint>
#include <string>
#include <vector>

namespace samplephone {

// Type codes of phone_v2 rows (data2).
enum PhoneType { kPhoneHome = 1, kPhoneMobile = 2, kPhoneWork = 3, kPhoneOther = 7,
                 kPhoneCompanyMain = 10, kPhoneWorkMobile = 17 };
// Type codes of email_v2 rows (data2).
enum EmailType { kEmailHome = 1, kEmailWork = 2, kEmailOther = 3 };
// sms.type
enum MessageType { kReceived = 1, kSent = 2 };

struct PhoneNumber {
  std::string number;  // as the owner typed it: spaces, dashes and "+86" kept
  int type = kPhoneMobile;
};

struct EmailAddress {
  std::string address;
  int type = kEmailHome;
};

struct Contact {
  std::string given;   // structured name; both empty means the contact has no name row
  std::string family;
  bool westernOrder = true;  // "Given Family" (true) or "FamilyGiven" as CJK names are shown
  std::vector<PhoneNumber> phones;
  std::vector<EmailAddress> emails;
  std::string company;  // organization row when not empty: data1 company, data4 title, data5 department
  std::string title;
  std::string department;
  std::string note;
  bool starred = false;
};

struct Message {
  int64_t date = 0;  // ms since the epoch
  int type = kReceived;
  std::string body;
};

struct Conversation {
  std::string address;  // the other party as the network delivers it
  int contact = -1;     // index into Phone::contacts, or -1 for a number not in the phone book
  std::vector<Message> messages;
};

// One data row of a live contact that is deleted on its own.
struct DataRowRef {
  enum Kind { kPhone, kEmail, kOrganization, kNote };
  int contact = 0;
  Kind kind = kPhone;
  int index = 0;  // which phone or e-mail of the contact
};

struct MessageRef {
  int conversation = 0;
  int message = 0;
};

struct Deletions {
  std::vector<int> contacts;         // raw contacts deleted with all their data rows
  std::vector<DataRowRef> dataRows;  // single rows of contacts that stay
  std::vector<int> conversations;    // whole threads
  std::vector<MessageRef> messages;  // single messages of threads that stay
};

struct Phone {
  std::vector<Contact> contacts;
  std::vector<Conversation> conversations;
  Deletions deletions;
};

// The hand-written phone: about 30 contacts, 15 conversations, a known part deleted.
Phone standardPhone();

// A synthetic phone of the given size from a fixed-seed generator; a third of the
// messages and a fifth of the contacts are deleted. The messages are spread over
// `conversationCount` conversations (a tenth of them with numbers not in the phone book),
// or, when it is 0, over one conversation for every other contact and a tenth more.
Phone largePhone(int contactCount, int messageCount, int conversationCount = 0);

// Replaces the deletions with "everything": every contact and every conversation.
void deleteEverything(Phone& phone);

}  // namespace samplephone
