// The one test every carved record must pass, whatever carver found it: its serial types
// are allowed for their columns, its integers are stored the way SQLite stores them, its
// texts are valid, and its cell (computed as SQLite lays cells out) ends inside its area.
// Lenient types and NULs inside text cost penalty points; how many a record may have, and
// whether NULLs in columns that the live rows always fill are believed, depends on how
// much the place it was found in already proves.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Bytes.h"
#include "DatabaseHeader.h"
#include "TableRules.h"

namespace engine {

// Pages that a deleted row's overflow chain may run through: only pages of the database
// freelist, where SQLite puts the overflow pages of a row it deletes.
class OverflowSource {
 public:
  virtual ~OverflowSource() = default;
  virtual bool isFreelistLeaf(uint32_t pgno) const = 0;
  // Copies the first `length` bytes of page `pgno`; false when the file lacks them.
  virtual bool readPagePrefix(uint32_t pgno, uint8_t* dst, size_t length) = 0;
};

// What a record must prove.
struct Demands {
  int maxPenalty = 1;
  bool noSoftNull = false;  // no NULL where the live rows never hold one
  bool allColumns = false;  // no record shorter than the table
};

// An intact cell or a freeblock's true head with a checked header length: strong. A
// record whose header length is lost, or a cell behind an older freeblock header: weak.
// A page that belongs to no tree proves nothing, so its records meet the strictest demands.
enum class Evidence { kStrong, kWeak };
Demands demandsFor(Evidence evidence, bool pageInTree);

// Where a candidate record lies in its page buffer. The header-length varint is at
// `recordStart` (it may have been overwritten; its value is `headerLength` all the same),
// the serial types are `types`, the content follows from `contentStart`.
struct RecordShape {
  size_t recordStart = 0;
  uint64_t headerLength = 0;
  size_t contentStart = 0;
  const std::vector<uint64_t>* types = nullptr;
  size_t areaEnd = 0;  // the cell must end at or before this offset
  bool exactEnd = false;  // it must end exactly there
};

// One carved column value.
struct CarvedValue {
  uint64_t serialType = 0;  // 0: NULL
  int64_t integer = 0;      // the value of an integer type
  std::string text;         // a real in SQLite's text form, UTF-8 text, a blob's bytes; empty for integers
  bool isNull() const { return serialType == 0; }
  // SQLite's text form of the value: the digits of an integer (made only when asked for:
  // most carved integers are never shown as text), else `text`.
  std::string textForm() const { return isIntegerType(serialType) ? std::to_string(integer) : text; }
  // The same, moved out of the value (whose text is then gone).
  std::string takeTextForm() { return isIntegerType(serialType) ? std::to_string(integer) : std::move(text); }
  // The integer the value stands for: an integer type, or a text of digits (Android keeps
  // type codes in TEXT columns).
  std::optional<int64_t> asInteger() const;
};

struct Record {
  size_t cellStart = 0;
  size_t cellEnd = 0;  // one past the cell's last local byte (its overflow number included)
  int penalty = 0;
  int softNulls = 0;             // NULLs where the live rows never hold one
  bool strong = false;           // an intact cell or a head whose header length was checked
  bool lengthInferred = false;   // a text's length came from where the cell ends, not its type
  std::optional<int64_t> rowid;  // when the cell's rowid (or an index's last column) was read
  std::vector<CarvedValue> kept;  // in the order of TableRules::kept()
  bool keptNonEmpty = false;      // some kept text holds a byte other than zero before its end
};

// The payload length of a record: header length plus the content widths.
uint64_t payloadLength(uint64_t headerLength, const std::vector<uint64_t>& types);

// A serial type as records store it: a varint of at most 4 bytes, without leading zero
// groups, ending before `end`. Returns its length, 0 when there is none at `pos`.
inline size_t readSerialType(const uint8_t* page, size_t pos, size_t end, uint64_t& type) {
  if (pos >= end) return 0;
  if (page[pos] < 0x80) {
    type = page[pos];
    return 1;
  }
  if (page[pos] == 0x80) return 0;  // SQLite writes varints without leading zero groups
  return readVarint(page + pos, page + std::min(end, pos + 4), type);
}

class RecordValidator {
 public:
  RecordValidator(const TableRules& rules, uint32_t usable, OverflowSource* overflow);

  const TableRules& rules() const { return rules_; }
  uint32_t usable() const { return usable_; }

  // Reads serial types from `pos` up to exactly `end`, each allowed for its column.
  bool readTypesUntil(const uint8_t* page, size_t pos, size_t end, std::vector<uint64_t>& types) const;

  // The bytes of the cell's local payload, as SQLite splits a payload of `payload` bytes.
  uint64_t localSize(uint64_t payload) const;
  // Where a cell whose record starts at `recordStart` ends, as validate() computes it.
  uint64_t cellEndOf(size_t recordStart, uint64_t payload) const {
    const uint64_t local = localSize(payload);
    return recordStart + local + (local < payload ? 4 : 0);
  }

  // Whether a content of serial type `t` at `bytes` can stand in `column` at all (a text
  // that is valid, an integer stored as SQLite stores it and allowed there): what validate()
  // demands of it whatever the rest of the record.
  bool contentFits(int column, uint64_t t, const uint8_t* bytes) const;

  // Checks the record and fills `out` (all but cellStart). False when it fails.
  bool validate(const uint8_t* page, const RecordShape& shape, const Demands& demands, Record& out);

 private:
  bool checkValue(uint64_t serialType, const uint8_t* bytes, int& penalty) const;
  bool checkText(const uint8_t* bytes, size_t n, int& penalty) const;
  void keptValue(uint64_t serialType, const uint8_t* bytes, CarvedValue& value) const;
  bool followOverflow(uint32_t first, uint64_t bytesWanted, std::vector<uint8_t>& into);

  const TableRules& rules_;
  uint32_t usable_;
  OverflowSource* overflow_;
  std::vector<uint8_t> payload_;   // a whole payload assembled from an overflow chain
  std::vector<uint8_t> pageCopy_;  // one overflow page
  std::vector<uint64_t> offsets_;  // where each column's content starts in the payload
};

}  // namespace engine
