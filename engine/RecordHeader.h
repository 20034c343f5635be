// Decoding rules of SQLite record headers shared by every page reader of the engine:
// big-endian integers, serial-type varints, and the width and storage class of a serial type.
#pragma once

#include <cstddef>
#include <cstdint>

namespace engine {

// Storage-class codes of checkDataType().
enum StorageClass { kClassInteger = 1, kClassBlob = 2, kClassReal = 3, kClassText = 4 };

inline uint32_t readBigEndian16(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 8 | p[1];
}

inline uint32_t readBigEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

struct SerialType {
  uint32_t type = 0;  // values above 2^32 - 1 are clamped to 2^32 - 1
  uint32_t length = 0;  // bytes the varint occupies, 1 to 9
};

// Reads the serial-type varint at p. Never looks at or beyond `end`: a varint cut short
// by `end` reads the missing bytes as zero (which ends it), as a zero-cleared buffer would.
SerialType readSerialType(const uint8_t* p, const uint8_t* end);

// Content bytes of a column of serial type t (reserved types 10 and 11 count as 0).
int calculateDataWidth(uint32_t t);

// Storage class of serial type t; types outside the four classes yield t itself.
int checkDataType(uint32_t t);

// The single-byte form of the text class test: an odd serial type of 13 or more.
inline bool isTextTypeByte(uint8_t b) { return b >= 13 && (b & 1) != 0; }

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut sequence.
bool isValidUtf8(const uint8_t* p, size_t n);

}  // namespace engine
