// Entry points of recsift.dll, exported by ordinal (see recsift.def): 1 lists the contacts of
// a contacts2.db copy, 3 the SMS of an mmssms.db copy.
//
// How it works: each entry point keeps the arena of its latest listing. A new call of the
// same entry point first releases the previous arena (the caller forgets those heads), then
// builds the new lists into a fresh one. Unloading the library releases both. The caller
// runs one listing at a time (the program's load thread), so the arenas are not locked.
// No exception leaves the library: a failure gives empty lists.
#include <windows.h>

#include <new>
#include <type_traits>

#include "ListArena.h"
#include "Listing.h"

namespace {

ListArena* g_contactsArena = nullptr;
ListArena* g_messagesArena = nullptr;

template <typename T>
void SetHead(T** where, T* head) {
  if (where != nullptr) *where = head;
}

}  // namespace

extern "C" int RECSIFT_CALL RecsiftListContacts(const char* contactsDbPath, ContactAux** aux,
                                                ContactRecord** contacts,
                                                ContactDataRow** dataRows,
                                                MimetypeEntry** mimetypes) {
  ContactsListing listing;
  bool ok = false;
  delete g_contactsArena;
  g_contactsArena = new (std::nothrow) ListArena;
  if (g_contactsArena != nullptr) {
    try {
      ok = ListContacts(*g_contactsArena, contactsDbPath, &listing);
    } catch (...) {
      listing = ContactsListing();
      ok = false;
    }
  }
  SetHead(aux, listing.aux);
  SetHead(contacts, listing.contacts);
  SetHead(dataRows, listing.dataRows);
  SetHead(mimetypes, listing.mimetypes);
  return ok ? 1 : 0;
}

extern "C" int RECSIFT_CALL RecsiftListMessages(const char* smsDbPath,
                                                ConversationRecord** conversations,
                                                MessageRecord** messages, SmsAux** aux) {
  MessagesListing listing;
  bool ok = false;
  delete g_messagesArena;
  g_messagesArena = new (std::nothrow) ListArena;
  if (g_messagesArena != nullptr) {
    try {
      ok = ListMessages(*g_messagesArena, smsDbPath, &listing);
    } catch (...) {
      listing = MessagesListing();
      ok = false;
    }
  }
  SetHead(conversations, listing.conversations);
  SetHead(messages, listing.messages);
  SetHead(aux, listing.aux);
  return ok ? 1 : 0;
}

// Type checks: the exports match the call forms the program imports them by.
static_assert(std::is_same<decltype(&RecsiftListContacts), RecsiftListContactsFn>::value,
              "ordinal 1 call form");
static_assert(std::is_same<decltype(&RecsiftListMessages), RecsiftListMessagesFn>::value,
              "ordinal 3 call form");

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID reserved) {
  // On FreeLibrary (reserved null) the listings are released; at process exit the system
  // takes the memory back and other threads may be gone mid-call, so nothing is touched.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    delete g_contactsArena;
    g_contactsArena = nullptr;
    delete g_messagesArena;
    g_messagesArena = nullptr;
  }
  return TRUE;
}
