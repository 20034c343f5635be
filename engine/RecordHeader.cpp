#include "RecordHeader.h"

namespace engine {

SerialType readSerialType(const uint8_t* p, const uint8_t* end) {
  auto byteAt = [&](size_t i) -> uint8_t { return i < static_cast<size_t>(end - p) ? p[i] : 0; };
  const uint8_t b0 = byteAt(0);
  if (b0 < 0x80) return {b0, 1};
  const uint8_t b1 = byteAt(1);
  if (b1 < 0x80) return {static_cast<uint32_t>(b0 & 0x7F) << 7 | b1, 2};
  const uint8_t b2 = byteAt(2);
  if (b2 < 0x80) {
    return {static_cast<uint32_t>(b0 & 0x7F) << 14 | static_cast<uint32_t>(b1 & 0x7F) << 7 | b2, 3};
  }
  // Full SQLite varint: eight 7-bit groups, then a ninth byte of 8 bits.
  uint64_t value = 0;
  uint32_t length = 0;
  for (;;) {
    const uint8_t b = byteAt(length);
    ++length;
    if (length == 9) {
      value = value << 8 | b;
      break;
    }
    value = value << 7 | (b & 0x7F);
    if (b < 0x80) break;
  }
  const uint32_t clamped = value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
  return {clamped, length};
}

int calculateDataWidth(uint32_t t) {
  if (t <= 4) return static_cast<int>(t);
  if (t == 5) return 6;
  if (t == 6 || t == 7) return 8;
  if (t <= 11) return 0;
  if (t % 2 == 0) return static_cast<int>((t - 12) / 2);
  return static_cast<int>((t - 13) / 2);
}

int checkDataType(uint32_t t) {
  if (t >= 2 && t <= 5) return kClassInteger;
  if (t == 7) return kClassReal;
  if (t >= 12) return t % 2 == 0 ? kClassBlob : kClassText;
  return static_cast<int>(t);
}

}  // namespace engine
