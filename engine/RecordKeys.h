// Keys of the sets a run keeps: the fields that decide whether a carved record repeats a
// live row or one already kept, hashed so that every live row of a large phone fits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace engine {

namespace keys {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ull;
constexpr uint64_t kPrime4 = 0x85EBCA77C2B2AE63ull;

inline uint64_t rotate(uint64_t v, int bits) { return v << bits | v >> (64 - bits); }

// One multiply-rotate round per eight bytes: a fraction of the cost of a byte-wise hash.
inline uint64_t mix(uint64_t h, uint64_t word) {
  h ^= rotate(word * kPrime2, 31) * kPrime1;
  return rotate(h, 27) * kPrime1 + kPrime4;
}

inline uint64_t mixField(uint64_t h, const char* field, size_t length) {
  h = mix(h, length);
  size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    uint64_t word;
    std::memcpy(&word, field + i, sizeof word);
    h = mix(h, word);
  }
  if (i < length) {
    uint64_t word = 0;  // the length mixed in first tells the padding from zero bytes
    std::memcpy(&word, field + i, length - i);
    h = mix(h, word);
  }
  return h;
}

// Spreads every input bit over the whole key.
inline uint64_t finish(uint64_t h) {
  h ^= h >> 33;
  h *= kPrime2;
  h ^= h >> 29;
  h *= kPrime3;
  return h ^ (h >> 32);
}

}  // namespace keys

// The key of one field, and of two fields from theirs: a field that takes part in several
// keys is hashed once.
inline uint64_t fieldKey(const char* field, size_t length) {
  return keys::finish(keys::mixField(keys::kPrime3, field, length));
}
inline uint64_t pairKey(uint64_t first, uint64_t second) {
  return keys::finish(keys::mix(keys::mix(keys::kPrime4, first), second));
}

// A 64-bit hash of the fields, each preceded by its length.
inline uint64_t keyOf(const char* first, size_t firstLength, const char* second, size_t secondLength) {
  return pairKey(fieldKey(first, firstLength), fieldKey(second, secondLength));
}

inline uint64_t keyOf(const std::string& first, const std::string& second = std::string()) {
  return keyOf(first.data(), first.size(), second.data(), second.size());
}

// What a carved text can put into a record: its bytes up to the first zero byte.
inline bool writesNothing(const std::string& field) { return field.empty() || field[0] == '\0'; }

}  // namespace engine
