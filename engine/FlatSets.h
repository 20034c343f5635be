// The flat tables a run keeps its keys in: a set of 64-bit keys, numbers under 64-bit keys,
// and a set of texts. Each is one open-addressed table (linear probing, never more than
// half full) with no allocation per entry, so that the hundred thousand live rows of a
// large phone cost a few allocations and lookups touch one or two cache lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "RecordKeys.h"

namespace engine {

// A set of 64-bit keys (hashes or row ids) in one flat table: no allocation per key, and
// a lookup touches one or two cache lines.
class KeySet {
 public:
  void reserve(size_t count) {
    size_t capacity = 16;
    while (capacity < 2 * count) capacity *= 2;
    if (capacity > slots_.size()) rehash(capacity);
  }
  // True when `key` was not in the set yet.
  bool insert(uint64_t key) {
    if (key == 0) {
      const bool added = !hasZero_;
      hasZero_ = true;
      return added;
    }
    if (2 * (used_ + 1) > slots_.size()) rehash(slots_.empty() ? 16 : 2 * slots_.size());
    uint64_t& slot = find(key);
    if (slot == key) return false;
    slot = key;
    ++used_;
    return true;
  }
  bool contains(uint64_t key) const {
    if (key == 0) return hasZero_;
    if (slots_.empty()) return false;
    return const_cast<KeySet*>(this)->find(key) == key;
  }
  size_t size() const { return used_ + (hasZero_ ? 1 : 0); }

 private:
  // The slot holding `key`, or the empty one where it would go (0 marks an empty slot).
  uint64_t& find(uint64_t key) {
    const size_t mask = slots_.size() - 1;
    // Ends: the table is never more than half full, so an empty slot comes.
    for (size_t i = static_cast<size_t>((key * keys::kPrime1) >> 32) & mask;; i = (i + 1) & mask) {
      if (slots_[i] == key || slots_[i] == 0) return slots_[i];
    }
  }
  void rehash(size_t capacity) {
    std::vector<uint64_t> old(capacity, 0);
    old.swap(slots_);
    for (const uint64_t key : old) {
      if (key != 0) find(key) = key;
    }
  }

  std::vector<uint64_t> slots_;
  size_t used_ = 0;
  bool hasZero_ = false;
};

// Numbers (of records, say) under 64-bit keys in one flat table, several under one key: the
// caller tells which of them it looks for, so that a key shared by different texts misleads
// nobody.
class KeyIndex {
 public:
  void reserve(size_t count) {
    size_t capacity = 16;
    while (capacity < 2 * count) capacity *= 2;
    if (capacity > slots_.size()) rehash(capacity);
  }
  void add(uint64_t key, uint32_t value) {
    if (2 * (used_ + 1) > slots_.size()) rehash(slots_.empty() ? 16 : 2 * slots_.size());
    place(key, value);
    ++used_;
  }
  // Whether `match` holds for one of the numbers under `key`.
  template <typename Match>
  bool any(uint64_t key, Match match) const {
    if (slots_.empty()) return false;
    const size_t mask = slots_.size() - 1;
    // Ends: the table is never more than half full, so an empty slot comes.
    for (size_t i = start(key, mask); slots_[i].value != kEmpty; i = (i + 1) & mask) {
      if (slots_[i].key == key && match(slots_[i].value)) return true;
    }
    return false;
  }

 private:
  static constexpr uint32_t kEmpty = UINT32_MAX;
  struct Slot {
    uint64_t key = 0;
    uint32_t value = kEmpty;
  };
  static size_t start(uint64_t key, size_t mask) { return static_cast<size_t>((key * keys::kPrime1) >> 32) & mask; }
  void place(uint64_t key, uint32_t value) {
    const size_t mask = slots_.size() - 1;
    size_t i = start(key, mask);
    while (slots_[i].value != kEmpty) i = (i + 1) & mask;
    slots_[i] = {key, value};
  }
  void rehash(size_t capacity) {
    std::vector<Slot> old(capacity);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.value != kEmpty) place(slot.key, slot.value);
    }
  }

  std::vector<Slot> slots_;
  size_t used_ = 0;
};

// A set of texts kept one after the other in one buffer, in the order they came, with a
// flat index by their keys: no allocation per text, and a pass over all of them reads
// memory in order.
class TextSet {
 public:
  // False when `text` was in the set already.
  bool insert(std::string_view text) {
    const uint64_t key = fieldKey(text.data(), text.size());
    if (containsKey(key, text)) return false;
    index_.add(key, static_cast<uint32_t>(spans_.size()));
    spans_.push_back({bytes_.size(), text.size()});
    bytes_.append(text.data(), text.size());
    return true;
  }
  bool contains(std::string_view text) const { return containsKey(fieldKey(text.data(), text.size()), text); }
  size_t size() const { return spans_.size(); }
  // The i-th text; valid until the next insert.
  std::string_view at(size_t i) const { return std::string_view(bytes_).substr(spans_[i].first, spans_[i].second); }

 private:
  bool containsKey(uint64_t key, std::string_view text) const {
    return index_.any(key, [&](uint32_t i) { return at(i) == text; });
  }

  std::string bytes_;
  std::vector<std::pair<size_t, size_t>> spans_;  // where each text starts, and its length
  KeyIndex index_;
};

}  // namespace engine
