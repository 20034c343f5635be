#include "Bytes.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace engine {

std::string realText(const uint8_t* content) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", realValue(content));
  return text;
}

size_t readLongVarint(const uint8_t* p, const uint8_t* end, uint64_t& value) {
  value = 0;
  // Ends: at most nine bytes are looked at.
  for (size_t i = 0; i < 9; ++i) {
    if (p + i >= end) return 0;
    const uint8_t b = p[i];
    if (i == 8) {
      value = value << 8 | b;
      return 9;
    }
    value = value << 7 | (b & 0x7F);
    if (b < 0x80) return i + 1;
  }
  return 0;
}

size_t varintLength(uint64_t value) {
  size_t n = 1;
  while (n < 9 && value >= (uint64_t{1} << (7 * n))) ++n;
  return n;
}

size_t writeVarint(uint64_t v, uint8_t* out) {
  const size_t n = varintLength(v);
  if (n == 9) {
    out[8] = static_cast<uint8_t>(v);
    v >>= 8;
    for (size_t i = 8; i-- > 0;) {
      out[i] = static_cast<uint8_t>((v & 0x7F) | 0x80);
      v >>= 7;
    }
    return 9;
  }
  for (size_t i = n; i-- > 0;) {
    out[i] = static_cast<uint8_t>((v & 0x7F) | (i + 1 < n ? 0x80 : 0));
    v >>= 7;
  }
  return n;
}

namespace {

bool isControl(uint8_t c) { return c < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

// What a byte that starts a multi-byte sequence demands: the sequence's length (0: no such
// byte starts one) and the range of its second byte (the others are 0x80 to 0xBF).
struct LeadByte {
  uint8_t length = 0, lowest = 0x80, highest = 0xBF;
};

constexpr std::array<LeadByte, 256> leadBytes() {
  std::array<LeadByte, 256> table{};
  for (int c = 0xC2; c <= 0xDF; ++c) table[static_cast<size_t>(c)].length = 2;
  for (int c = 0xE0; c <= 0xEF; ++c) table[static_cast<size_t>(c)].length = 3;
  for (int c = 0xF0; c <= 0xF4; ++c) table[static_cast<size_t>(c)].length = 4;
  table[0xE0].lowest = 0xA0;   // no overlong form
  table[0xED].highest = 0x9F;  // no surrogate
  table[0xF0].lowest = 0x90;   // no overlong form
  table[0xF4].highest = 0x8F;  // nothing above U+10FFFF
  return table;
}

constexpr std::array<LeadByte, 256> kLeadBytes = leadBytes();

// One function for both checks, so that the plain check pays nothing for the other.
template <bool kWatchControl>
bool checkUtf8(const uint8_t* p, size_t n, bool& control) {
  size_t i = 0;
  while (i < n) {
    const uint8_t c = p[i];
    if (c < 0x80) {
      if (kWatchControl && isControl(c)) control = true;
      ++i;
      // An ASCII run goes on eight bytes at a time (none below 0x20 when control
      // characters are watched): most of what people write is plain ASCII.
      while (n - i >= 8) {
        uint64_t word;
        std::memcpy(&word, p + i, sizeof word);
        const uint64_t high = word & 0x8080808080808080ull;
        const uint64_t low = kWatchControl ? (word - 0x2020202020202020ull) & ~word & 0x8080808080808080ull : 0;
        if ((high | low) != 0) break;
        i += 8;
      }
      continue;
    }
    const LeadByte lead = kLeadBytes[c];
    if (lead.length == 0 || lead.length > n - i) return false;
    if (p[i + 1] < lead.lowest || p[i + 1] > lead.highest) return false;
    if (lead.length >= 3 && (p[i + 2] & 0xC0) != 0x80) return false;
    if (lead.length == 4 && (p[i + 3] & 0xC0) != 0x80) return false;
    i += lead.length;
  }
  return true;
}

}  // namespace

bool isValidUtf8(const uint8_t* p, size_t n) {
  bool control = false;
  return checkUtf8<false>(p, n, control);
}

bool isValidUtf8(const uint8_t* p, size_t n, bool& control) {
  control = false;
  return checkUtf8<true>(p, n, control);
}

}  // namespace engine

namespace engine {

bool utf16ToUtf8(const uint8_t* p, size_t n, bool bigEndian, std::string* utf8) {
  if (n % 2 != 0) return false;
  auto unit = [&](size_t i) -> uint32_t {
    return bigEndian ? (static_cast<uint32_t>(p[i]) << 8 | p[i + 1]) : (static_cast<uint32_t>(p[i + 1]) << 8 | p[i]);
  };
  std::string out;
  for (size_t i = 0; i < n; i += 2) {
    uint32_t cp = unit(i);
    if (cp >= 0xDC00 && cp <= 0xDFFF) return false;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (n - i < 4) return false;
      const uint32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    if (utf8 == nullptr) continue;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | cp >> 18);
      out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  if (utf8 != nullptr) *utf8 += out;
  return true;
}

}  // namespace engine
