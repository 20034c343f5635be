#include <cstring>
#include <string>

#include "Bytes.h"
#include "SqliteParse.h"
#include "TextCodec.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace engine {

void ansiView(const std::string& bytes, std::string& storage, const char*& data, size_t& length) {
  data = bytes.data();
  length = ::strnlen(bytes.data(), bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  if (length == 0 || !isValidUtf8(p, length)) {
    length = 0;
    return;
  }
#ifdef _WIN32
  const int textLength = static_cast<int>(length);
  length = 0;
  const int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), textLength, nullptr, 0);
  if (wideLength <= 0) return;
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), textLength, &wide[0], wideLength);
  const int ansiLength = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (ansiLength <= 0) return;
  storage.assign(static_cast<size_t>(ansiLength), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, &storage[0], ansiLength, nullptr, nullptr);
  data = storage.data();
  length = storage.size();
#else
  (void)storage;
#endif
}

}  // namespace engine

std::string utf8ToAnsi(const std::string& bytes) {
  std::string storage;
  const char* data = nullptr;
  size_t length = 0;
  engine::ansiView(bytes, storage, data, length);
  return std::string(data, length);
}
