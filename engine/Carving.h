// Carving of deleted records out of one piece of free space that has already been read
// into a zero-cleared buffer: a freeblock's record area or a leaf page's unallocated gap.
// The functions see only the buffer, so tests and fuzzers can hand them bytes directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace engine {

// One carved message: the raw content bytes of the three kept columns.
struct SmsCandidate {
  std::string address;
  std::string person;
  std::string body;
};

using ContactPair = std::pair<std::string, std::string>;  // (raw_contact_id bytes, data1 bytes)

// The buffer one carving call fills: room for the largest freeblock or gap a 16-bit size
// field can describe, plus zero slack so that a varint or a look-ahead byte just past the
// filled length never leaves the allocation.
class CarveBuffer {
 public:
  static constexpr size_t kCapacity = 65535;
  static constexpr size_t kSlack = 16;

  CarveBuffer() : bytes_(kCapacity + kSlack, 0) {}

  // Zeroes what the previous fill wrote and returns room for `length` bytes (at most
  // kCapacity). Clearing only the used part keeps the "bytes beyond the fill read as zero"
  // rule without clearing 64 KiB for every small freeblock.
  uint8_t* prepare(size_t length);

  const uint8_t* data() const { return bytes_.data(); }
  const uint8_t* end() const { return bytes_.data() + bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
  size_t dirty_ = 0;
};

// Columns of table "data" that the contacts carvers keep, and the column count.
struct ContactColumns {
  int rawContactId;
  int data1;
  int count;
};

// Columns of table "sms" that the SMS carvers keep, and the column count.
struct SmsColumns {
  int address;
  int person;
  int body;
  int count;
};

// Records packed in a freeblock's record area of `length` bytes, decoded without any test
// of their content.
void carveContactFreeblock(const CarveBuffer& buffer, size_t length, const ContactColumns& columns,
                           std::vector<ContactPair>& out);
void carveSmsFreeblock(const CarveBuffer& buffer, size_t length, const SmsColumns& columns,
                       std::vector<SmsCandidate>& out);

// Records in an unallocated gap of `length` bytes, taken only where the serial types match
// the fixed pattern of the table.
void carveContactArea(const CarveBuffer& buffer, size_t length, const ContactColumns& columns,
                      std::vector<ContactPair>& out);
void carveSmsArea(const CarveBuffer& buffer, size_t length, const SmsColumns& columns,
                  std::vector<SmsCandidate>& out);

}  // namespace engine
