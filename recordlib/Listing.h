// The two listings of recsift.dll: the live records of a pulled contacts2.db and mmssms.db,
// built into one arena as the linked lists of the record model.
#pragma once

#include "RecordModel.h"

class ListArena;

struct ContactsListing {
  ContactAux* aux = nullptr;
  ContactRecord* contacts = nullptr;
  ContactDataRow* dataRows = nullptr;
  MimetypeEntry* mimetypes = nullptr;
};

struct MessagesListing {
  ConversationRecord* conversations = nullptr;
  MessageRecord* messages = nullptr;
  SmsAux* aux = nullptr;
};

// Fill `out` from the database at `ansiPath`; false when it cannot be opened (the lists are
// then empty). Tables or columns the database lacks give empty lists or empty fields.
bool ListContacts(ListArena& arena, const char* ansiPath, ContactsListing* out);
bool ListMessages(ListArena& arena, const char* ansiPath, MessagesListing* out);
