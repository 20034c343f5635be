// What a record of one table may look like: for every declared column the serial types it
// may hold (strictly, or leniently at a penalty), which columns the run keeps, and what the
// live rows say about NULLs. Built once per run from the table's declaration, the file
// header and the live rows; every carver asks it before it believes a record.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace engine {

struct ColumnInfo {
  std::string name;
  std::string declaredType;
  bool notNull = false;
  bool primaryKey = false;
};

enum class Allowance : uint8_t { kNever = 0, kStrict = 1, kLenient = 2 };

// Text encodings of the file header (offset 56).
enum TextEncoding : uint32_t { kUtf8 = 1, kUtf16le = 2, kUtf16be = 3 };

class TableRules {
 public:
  TableRules() = default;
  // `kept` are the positions of the kept columns (all inside `columns`), the first
  // `deciding` of them the ones a record must fill for it to carry anything;
  // `softNotNull[i]` says the live rows never hold NULL in column i.
  TableRules(const std::vector<ColumnInfo>& columns, const std::vector<int>& kept, size_t deciding,
             const std::vector<bool>& softNotNull, uint32_t schemaFormat, uint32_t textEncoding);

  // An index's records: no rowid alias, the rowid as the last column, and the payload split
  // of index pages.
  void setIndex() { isIndex_ = true; rowidAlias_ = -1; }
  bool isIndex() const { return isIndex_; }

  // Narrows a column that declares no type (the full-text tables' columns) to what the
  // writer stores there: NULL or an integer, or NULL or a text.
  enum class Kind { kInteger, kText };
  void require(int column, Kind kind);
  // Only these integers (or NULL) may stand in the column: ids of a small table, flags.
  void allowIntegers(int column, std::set<int64_t> values);
  bool integerAllowed(int column, int64_t value) const { return allowedIntegers_.empty() || listed(column, value); }

  int columnCount() const { return static_cast<int>(rules_.size()); }
  // A record written before an ALTER TABLE may lack trailing columns, but never a kept one.
  int minColumns() const { return minColumns_; }
  const std::vector<int>& kept() const { return kept_; }
  size_t deciding() const { return deciding_; }
  uint32_t textEncoding() const { return textEncoding_; }
  bool zeroAndOneHaveTypes() const { return schemaFormat_ >= 4; }

  Allowance allowance(int column, uint64_t serialType) const {
    if (column < 0 || column >= columnCount()) return Allowance::kNever;
    const auto& r = rules_[static_cast<size_t>(column)];
    if (serialType < 12) return r[static_cast<size_t>(serialType)];
    return r[serialType % 2 == 0 ? 12 : 13];
  }
  // Whether `byte` can be the first byte of column `column`'s serial-type varint. A
  // multi-byte varint is worth 128 or more: a blob or a text. 0x80 would begin a non-minimal
  // varint, which SQLite never writes.
  bool canBeginType(int column, uint8_t byte) const {
    if (column < 0 || column >= columnCount()) return false;
    if (byte < 0x80) return allowance(column, byte) != Allowance::kNever;
    if (byte == 0x80) return false;
    const auto& r = rules_[static_cast<size_t>(column)];
    return r[12] != Allowance::kNever || r[13] != Allowance::kNever;
  }
  bool softNotNull(int column) const { return softNotNull_[static_cast<size_t>(column)]; }
  bool isRowidAlias(int column) const { return column == rowidAlias_; }

 private:
  // Per column: the allowance of serial types 0 to 11, then [12] any blob, [13] any text.
  std::vector<std::array<Allowance, 14>> rules_;
  std::vector<bool> softNotNull_;
  std::vector<int> kept_;
  size_t deciding_ = 0;
  int minColumns_ = 0;
  int rowidAlias_ = -1;
  bool isIndex_ = false;
  bool listed(int column, int64_t value) const;

  std::vector<std::pair<int, std::set<int64_t>>> allowedIntegers_;
  uint32_t schemaFormat_ = 4;
  uint32_t textEncoding_ = kUtf8;
};

}  // namespace engine
