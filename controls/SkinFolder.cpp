#include "SkinFolder.h"

#include <windows.h>

#include "ProgramFolder.h"

namespace controls {

namespace {
std::wstring& Folder() {
    static std::wstring folder;
    return folder;
}
}  // namespace

void SetImageFolder(const std::wstring& folder) { Folder() = folder; }

const std::wstring& ImageFolder() { return Folder(); }

std::wstring ImagePath(const wchar_t* fileName) { return Folder() + fileName; }

std::wstring DefaultImageFolder() { return ProgramFolderW() + L"image\\"; }

}  // namespace controls
