#include "TableRules.h"

#include <algorithm>
#include <cctype>

namespace engine {

namespace {

enum class Affinity { kInteger, kText, kBlob, kReal, kNumeric };

std::string upper(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// The column affinity SQLite derives from a declared type, by the same substring rules.
Affinity affinityOf(const std::string& declaredType) {
  const std::string type = upper(declaredType);
  auto has = [&](const char* word) { return type.find(word) != std::string::npos; };
  if (has("INT")) return Affinity::kInteger;
  if (has("CHAR") || has("CLOB") || has("TEXT")) return Affinity::kText;
  if (type.empty() || has("BLOB")) return Affinity::kBlob;
  if (has("REAL") || has("FLOA") || has("DOUB")) return Affinity::kReal;
  return Affinity::kNumeric;
}

constexpr size_t kBlobSlot = 12;
constexpr size_t kTextSlot = 13;

std::array<Allowance, 14> rulesFor(Affinity affinity) {
  std::array<Allowance, 14> r;
  r.fill(Allowance::kNever);
  auto set = [&](std::initializer_list<size_t> slots, Allowance a) {
    for (const size_t s : slots) r[s] = a;
  };
  const auto S = Allowance::kStrict, L = Allowance::kLenient;
  switch (affinity) {
    case Affinity::kInteger:
      set({0, 1, 2, 3, 4, 5, 6, 8, 9}, S);
      set({7, kTextSlot, kBlobSlot}, L);
      break;
    case Affinity::kReal:
      set({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, S);
      set({kTextSlot, kBlobSlot}, L);
      break;
    case Affinity::kNumeric:
      set({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, kTextSlot}, S);
      set({kBlobSlot}, L);
      break;
    case Affinity::kText:
      set({0, kTextSlot}, S);
      set({1, 2, 3, 4, 5, 6, 7, 8, 9, kBlobSlot}, L);
      break;
    case Affinity::kBlob:
      set({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, kTextSlot, kBlobSlot}, S);
      break;
  }
  return r;
}

}  // namespace

TableRules::TableRules(const std::vector<ColumnInfo>& columns, const std::vector<int>& kept, size_t deciding,
                       const std::vector<bool>& softNotNull, uint32_t schemaFormat, uint32_t textEncoding)
    : softNotNull_(softNotNull),
      kept_(kept),
      deciding_(std::min(deciding, kept.size())),
      schemaFormat_(schemaFormat),
      textEncoding_(textEncoding) {
  softNotNull_.resize(columns.size(), false);
  // The rowid alias: the one primary-key column, declared exactly INTEGER. Its value lives
  // in the cell's rowid, so the record stores NULL in its place.
  int keyColumns = 0, keyColumn = -1;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].primaryKey) {
      ++keyColumns;
      keyColumn = static_cast<int>(i);
    }
  }
  if (keyColumns == 1 && upper(columns[static_cast<size_t>(keyColumn)].declaredType) == "INTEGER") {
    rowidAlias_ = keyColumn;
  }
  for (size_t i = 0; i < columns.size(); ++i) {
    std::array<Allowance, 14> r;
    if (static_cast<int>(i) == rowidAlias_) {
      r.fill(Allowance::kNever);
      r[0] = Allowance::kStrict;
    } else {
      r = rulesFor(affinityOf(columns[i].declaredType));
      if (columns[i].notNull) r[0] = Allowance::kNever;
      // Before schema format 4 the integers 0 and 1 had no types of their own.
      if (schemaFormat_ < 4) r[8] = r[9] = Allowance::kNever;
    }
    r[10] = r[11] = Allowance::kNever;  // reserved by the format
    rules_.push_back(r);
  }
  // A record may lack trailing columns added later, but never a deciding one.
  for (size_t i = 0; i < deciding_; ++i) minColumns_ = std::max(minColumns_, kept_[i] + 1);
  // The rowid alias is NULL in every record; the live rows show it as the rowid.
  if (rowidAlias_ >= 0) softNotNull_[static_cast<size_t>(rowidAlias_)] = false;
}

void TableRules::require(int column, Kind kind) {
  if (column < 0 || column >= columnCount()) return;
  auto& r = rules_[static_cast<size_t>(column)];
  const Allowance keepNull = r[0];
  r.fill(Allowance::kNever);
  r[0] = keepNull;
  if (kind == Kind::kText) {
    r[kTextSlot] = Allowance::kStrict;
  } else {
    for (const size_t t : {1, 2, 3, 4, 5, 6}) r[t] = Allowance::kStrict;
    if (schemaFormat_ >= 4) r[8] = r[9] = Allowance::kStrict;
  }
}

void TableRules::allowIntegers(int column, std::set<int64_t> values) {
  allowedIntegers_.emplace_back(column, std::move(values));
}

bool TableRules::listed(int column, int64_t value) const {
  for (const auto& [c, values] : allowedIntegers_) {
    if (c == column && values.count(value) == 0) return false;
  }
  return true;
}

}  // namespace engine
