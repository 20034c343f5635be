// How the engine reads the integers of the file format: big-endian fields and the one
// varint reader every decoder uses, plus the widths of serial types and the text check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace engine {

inline uint32_t readBigEndian16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }

inline uint32_t readBigEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
         p[3];
}

// The varint at `p` (1 to 9 bytes: seven bits per byte, most significant group first, the
// ninth byte giving all eight). Reads nothing at or beyond `end`; returns the number of
// bytes it took, or 0 when `end` cuts the varint short. The one-byte case, by far the most
// common, is decided inline.
size_t readLongVarint(const uint8_t* p, const uint8_t* end, uint64_t& value);
inline size_t readVarint(const uint8_t* p, const uint8_t* end, uint64_t& value) {
  if (p < end && p[0] < 0x80) {
    value = p[0];
    return 1;
  }
  return readLongVarint(p, end, value);
}

// Bytes of the shortest varint of `value`, and that varint written to `out` (9 bytes room).
size_t varintLength(uint64_t value);
size_t writeVarint(uint64_t value, uint8_t* out);

// Content bytes of a column of serial type `t` (the reserved types 10 and 11 count as 0).
inline uint64_t contentWidth(uint64_t t) {
  static const uint8_t kFixed[12] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0, 0, 0};
  return t < 12 ? kFixed[t] : (t - 12) / 2;
}

inline bool isTextType(uint64_t t) { return t >= 13 && (t & 1) != 0; }
inline bool isIntegerType(uint64_t t) { return (t >= 1 && t <= 6) || t == 8 || t == 9; }

// The signed integer stored in `width` big-endian bytes (1, 2, 3, 4, 6 or 8).
inline int64_t readSignedBigEndian(const uint8_t* p, size_t width) {
  uint64_t v = (width > 0 && (p[0] & 0x80)) ? ~uint64_t{0} : 0;
  for (size_t i = 0; i < width; ++i) v = v << 8 | p[i];
  return static_cast<int64_t>(v);
}

// The integer value of a column of integer serial type `t` (1 to 6, 8, 9).
inline int64_t integerValue(uint64_t t, const uint8_t* content) {
  if (t == 8) return 0;
  if (t == 9) return 1;
  return readSignedBigEndian(content, static_cast<size_t>(contentWidth(t)));
}

// The big-endian 8-byte real (serial type 7) at `content`, and the text SQLite gives for it.
inline double realValue(const uint8_t* content) {
  uint64_t bits = 0;
  for (size_t k = 0; k < 8; ++k) bits = bits << 8 | content[k];
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
std::string realText(const uint8_t* content);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut sequence.
bool isValidUtf8(const uint8_t* p, size_t n);
// The same check in the same pass as the search for control characters other than TAB, LF
// and CR: `control` tells whether the text holds one.
bool isValidUtf8(const uint8_t* p, size_t n, bool& control);

}  // namespace engine

namespace engine {

// Appends UTF-16 text (every surrogate paired) to `utf8`; false, with nothing appended,
// when the text is not valid UTF-16. `utf8` may be null to check only.
bool utf16ToUtf8(const uint8_t* p, size_t n, bool bigEndian, std::string* utf8);

}  // namespace engine
