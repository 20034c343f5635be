// The one test every carved record must pass, whatever carver found it: its serial types
// are allowed for their columns, its integers are stored the way SQLite stores them, its
// texts are valid, and its cell (computed as SQLite lays cells out) ends inside its area.
// Lenient types and NULs inside text cost penalty points; how many a record may have, and
// whether NULLs in columns that the live rows always fill are believed, depends on how
// much the place it was found in already proves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "TableRules.h"

namespace engine {

// Zero bytes kept after the usable part of every page buffer, so a varint or a look-ahead
// that starts inside the page never leaves the allocation.
constexpr size_t kPageSlack = 32;

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
};

struct Record {
  size_t cellStart = 0;
  size_t cellEnd = 0;  // one past the cell's last local byte (its overflow number included)
  int penalty = 0;
  std::vector<std::string> kept;  // in the order of TableRules::kept()
  bool keptNonEmpty = false;      // some kept field holds a byte other than zero before its end
};

// Bytes of the minimal varint encoding of `value`.
size_t varintLength(uint64_t value);
// The payload length of a record: header length plus the content widths.
uint64_t payloadLength(uint64_t headerLength, const std::vector<uint64_t>& types);
uint64_t contentWidth(uint64_t serialType);

class RecordValidator {
 public:
  RecordValidator(const TableRules& rules, uint32_t usable, OverflowSource* overflow);

  const TableRules& rules() const { return rules_; }
  uint32_t usable() const { return usable_; }

  // Reads serial types from `pos` up to exactly `end`, each allowed for its column.
  bool readTypesUntil(const uint8_t* page, size_t pos, size_t end, std::vector<uint64_t>& types) const;
  // Reads exactly `count` serial types from `pos`, each allowed for its column (starting at
  // column `firstColumn`), ending at or before `limit`; `end` receives where they ended.
  bool readTypesCount(const uint8_t* page, size_t pos, size_t limit, int firstColumn, int count,
                      std::vector<uint64_t>& types, size_t& end) const;

  // The bytes of the cell's local payload, as SQLite splits a payload of `payload` bytes.
  uint64_t localSize(uint64_t payload) const;

  // Checks the record and fills `out` (all but cellStart). False when it fails.
  bool validate(const uint8_t* page, const RecordShape& shape, const Demands& demands, Record& out);

 private:
  bool checkValue(uint64_t serialType, const uint8_t* bytes, int& penalty) const;
  std::string keptValue(uint64_t serialType, const uint8_t* bytes) const;
  bool followOverflow(uint32_t first, uint64_t bytesWanted, std::vector<uint8_t>& into);

  const TableRules& rules_;
  uint32_t usable_;
  OverflowSource* overflow_;
  std::vector<uint8_t> payload_;   // a whole payload assembled from an overflow chain
  std::vector<uint8_t> pageCopy_;  // one overflow page
  std::vector<uint64_t> offsets_;  // where each column's content starts in the payload
};

}  // namespace engine
