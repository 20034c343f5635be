#include <cstring>
#include <string>

#include "RecordHeader.h"
#include "SqliteParse.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace engine {

bool isValidUtf8(const uint8_t* p, size_t n) {
  size_t i = 0;
  while (i < n) {
    const unsigned char c = p[i];
    size_t extra = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (extra > n - i - 1) return false;
    if (p[i + 1] < low || p[i + 1] > high) return false;
    for (size_t k = 2; k <= extra; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

}  // namespace engine

std::string utf8ToAnsi(const std::string& bytes) {
  const size_t length = ::strnlen(bytes.data(), bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  if (length == 0 || !engine::isValidUtf8(p, length)) return std::string();
#ifdef _WIN32
  const int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(length), nullptr, 0);
  if (wideLength <= 0) return std::string();
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(length), &wide[0], wideLength);
  const int ansiLength = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (ansiLength <= 0) return std::string();
  std::string ansi(static_cast<size_t>(ansiLength), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, &ansi[0], ansiLength, nullptr, nullptr);
  return ansi;
#else
  return std::string(bytes.data(), length);
#endif
}
