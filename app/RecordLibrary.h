// RecsiftLibrary: the record-listing library (recsift.dll), loaded once from the program's
// folder, with its two entry points taken by ordinal. A library that is missing, or that
// lacks an entry point, leaves that entry point null: its category then lists nothing.
#pragma once

#include <windows.h>

#include <string>

#include "RecordModel.h"

class RecsiftLibrary {
public:
    // The library beside the program, or the one at `path`.
    RecsiftLibrary();
    explicit RecsiftLibrary(const std::wstring& path);
    ~RecsiftLibrary();
    RecsiftLibrary(const RecsiftLibrary&) = delete;
    RecsiftLibrary& operator=(const RecsiftLibrary&) = delete;

    RecsiftListContactsFn listContacts = nullptr;  // ordinal 1
    RecsiftListMessagesFn listMessages = nullptr;  // ordinal 3

private:
    HMODULE m_module = nullptr;
};
