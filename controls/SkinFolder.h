// The folder of skin pictures: the program folder followed by "\image\". Every control
// loads its pictures from here by file name.
#pragma once

#include <string>

namespace controls {

// Sets the folder (ending in a backslash); the start-up code calls this once.
void SetImageFolder(const std::wstring& folder);
const std::wstring& ImageFolder();
// The full path of a skin picture.
std::wstring ImagePath(const wchar_t* fileName);
// The program's folder plus "\image\".
std::wstring DefaultImageFolder();

}  // namespace controls
