// What a record of one table may look like: for every declared column the serial types it
// may hold (strictly, or leniently at a penalty), which columns the run keeps, and what the
// live rows say about NULLs. Built once per run from the table's declaration, the file
// header and the live rows; every carver asks it before it believes a record.
#pragma once

#include <array>
#include <cstdint>
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
  // `kept` are the positions of the kept columns (all inside `columns`); `softNotNull[i]`
  // says the live rows never hold NULL in column i (only meaningful with enough rows).
  TableRules(const std::vector<ColumnInfo>& columns, const std::vector<int>& kept,
             const std::vector<bool>& softNotNull, uint32_t schemaFormat, uint32_t textEncoding);

  int columnCount() const { return static_cast<int>(rules_.size()); }
  // A record written before an ALTER TABLE may lack trailing columns, but never a kept one.
  int minColumns() const { return minColumns_; }
  const std::vector<int>& kept() const { return kept_; }
  uint32_t textEncoding() const { return textEncoding_; }
  bool zeroAndOneHaveTypes() const { return schemaFormat_ >= 4; }

  Allowance allowance(int column, uint64_t serialType) const;
  // Whether `byte` can be the first byte of column `column`'s serial-type varint.
  bool canBeginType(int column, uint8_t byte) const;
  bool softNotNull(int column) const { return softNotNull_[static_cast<size_t>(column)]; }
  bool isRowidAlias(int column) const { return column == rowidAlias_; }

 private:
  // Per column: the allowance of serial types 0 to 11, then [12] any blob, [13] any text.
  std::vector<std::array<Allowance, 14>> rules_;
  std::vector<bool> softNotNull_;
  std::vector<int> kept_;
  int minColumns_ = 0;
  int rowidAlias_ = -1;
  uint32_t schemaFormat_ = 4;
  uint32_t textEncoding_ = kUtf8;
};

}  // namespace engine
