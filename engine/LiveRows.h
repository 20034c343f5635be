// The engine's own reader of live rows: every cell of a table's leaf pages, its payload
// assembled through its overflow chain, its record decoded. A page whose cells cannot all
// be read is reported, since its rows cannot be told apart from deleted ones.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace engine {

class PageMap;
class PageSource;

// One record, decoded in place: the serial types and where each column's content starts.
class RecordView {
 public:
  // Reads the header of the record in `payload`; false when it is not a sound record.
  bool parse(const uint8_t* payload, size_t size);
  int columnCount() const { return static_cast<int>(count_); }
  // A column the record does not have (written before an ALTER TABLE) reads as absent.
  bool has(int i) const { return i >= 0 && i < columnCount(); }
  uint64_t type(int i) const { return has(i) ? columns_[static_cast<size_t>(i)].type : 0; }
  // Calls visit(i, type) for each column the record has, in order.
  template <typename Visit>
  void forEachType(Visit visit) const {
    for (size_t i = 0; i < count_; ++i) visit(i, columns_[i].type);
  }
  bool isNull(int i) const { return type(i) == 0; }
  bool isInteger(int i) const;
  int64_t integer(int i) const;
  // SQLite's text form of the value: digits for integers, UTF-8 for text (converted from
  // UTF-16 when `encoding` says so), raw bytes for blobs, empty for NULL.
  std::string text(int i, uint32_t encoding) const;
  // The stored bytes of a text or blob column (nothing for NULL) without copying them;
  // false for other types and for text stored in UTF-16.
  bool bytes(int i, uint32_t encoding, const char*& data, size_t& length) const;

 private:
  struct Column {
    uint64_t type;
    uint32_t offset;  // where its content starts in the payload
  };
  const uint8_t* payload_ = nullptr;
  std::vector<Column> columns_;  // the first count_ are this record's; the room is kept between records
  size_t count_ = 0;
};

class LiveRowReader {
 public:
  using Visitor = std::function<void(int64_t rowid, const RecordView& record)>;

  // Reads the leaves of tree number `tree`; claims their overflow pages in `map`.
  LiveRowReader(PageSource& source, PageMap& map, uint16_t tree);

  // Calls `row` for each cell of the table leaf `pgno` in cell order; false when a cell
  // could not be read (the others are delivered all the same).
  bool readLeaf(uint32_t pgno, const Visitor& row);

 private:
  // The payload of the table-leaf cell at `cell`: in place when it lies whole in the page,
  // else assembled through its overflow chain into payload_.
  bool assemble(const uint8_t* page, uint32_t cell, int64_t& rowid, const uint8_t*& payload, size_t& size);

  PageSource& source_;
  PageMap& map_;
  uint16_t tree_;
  std::vector<uint8_t> page_, overflowPage_, payload_;
  RecordView record_;
};

}  // namespace engine
