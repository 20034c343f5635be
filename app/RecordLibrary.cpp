#include "RecordLibrary.h"

#include <string>

#include "ProgramFolder.h"

// By its full path: the library is never looked for anywhere but beside the program.
RecsiftLibrary::RecsiftLibrary() : RecsiftLibrary(ProgramFolderW() + L"recsift.dll") {}

RecsiftLibrary::RecsiftLibrary(const std::wstring& path) {
    m_module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!m_module) return;
    listContacts = reinterpret_cast<RecsiftListContactsFn>(reinterpret_cast<void*>(
        ::GetProcAddress(m_module, MAKEINTRESOURCEA(kRecsiftListContactsOrdinal))));
    listMessages = reinterpret_cast<RecsiftListMessagesFn>(reinterpret_cast<void*>(
        ::GetProcAddress(m_module, MAKEINTRESOURCEA(kRecsiftListMessagesOrdinal))));
}

RecsiftLibrary::~RecsiftLibrary() {
    if (m_module) ::FreeLibrary(m_module);
}
