#include "MessageRecovery.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_set>

#include "CarvingRun.h"
#include "MessageAssembly.h"
#include "RecordKeys.h"

namespace engine {

ContactNames::ContactNames(std::vector<Row> rows) : rows_(std::move(rows)) {
  // The row that names a row: the first other row of its contact.
  std::unordered_map<std::string_view, std::pair<size_t, size_t>> firstTwo;  // of each contact
  firstWithValue_.reserve(rows_.size());
  firstTwo.reserve(rows_.size());
  for (size_t j = 0; j < rows_.size(); ++j) {
    firstWithValue_.emplace(rows_[j].second, j);  // keeps the first
    auto [entry, added] = firstTwo.emplace(rows_[j].first, std::make_pair(j, kNoName));
    if (!added && entry->second.second == kNoName) entry->second.second = j;
  }
  namedBy_.resize(rows_.size());
  for (size_t j = 0; j < rows_.size(); ++j) {
    const auto& [first, second] = firstTwo.at(rows_[j].first);
    namedBy_[j] = j == first ? second : first;
  }
}

std::string ContactNames::nameFor(const std::string& address) const {
  std::string key = address;
  const size_t prefix = key.find("+86");
  if (prefix != std::string::npos) key.erase(prefix, 3);
  const auto match = firstWithValue_.find(key);
  if (match == firstWithValue_.end()) return std::string();
  const size_t named = namedBy_[match->second];
  return named == kNoName ? std::string() : rows_[named].second;
}

std::vector<ContactNames::Row> MessageRecovery::readContactRows(std::unique_ptr<PageSource> contacts,
                                                                const std::string& name) {
  std::vector<ContactNames::Row> rows;
  if (contacts == nullptr) return rows;
  OpenDatabase db;
  std::string problem;
  if (!db.open(std::move(contacts), name, limits_, problem)) return rows;
  const int data = db.table("data");
  if (data < 0) return rows;
  const int rawContactId = Schema::columnOf(db.tree(data), "raw_contact_id");
  const int data1 = Schema::columnOf(db.tree(data), "data1");
  if (rawContactId < 0 || data1 < 0) return rows;
  const uint32_t encoding = db.source().header().textEncoding;
  readLiveRows(db, data, limits_, [&](int64_t, const RecordView& record) {
    rows.emplace_back(record.text(rawContactId, encoding), record.text(data1, encoding));
  });
  return rows;
}

namespace {

// Kept columns by name: their positions in `tree` (absent ones left out) and, for each
// name, its place among the kept values (-1 when absent).
struct Kept {
  std::vector<int> positions;
  std::vector<int> slots;
  const CarvedValue* value(const Record& record, size_t name) const {
    return slots[name] < 0 ? nullptr : &record.kept[static_cast<size_t>(slots[name])];
  }
  // The text of a kept column, moved out of the record: each is taken once.
  std::optional<std::string> take(Record& record, size_t name) const {
    if (slots[name] < 0) return std::nullopt;
    CarvedValue& v = record.kept[static_cast<size_t>(slots[name])];
    if (v.isNull()) return std::nullopt;
    return v.takeTextForm();
  }
  std::optional<int64_t> integer(const Record& record, size_t name) const {
    const CarvedValue* v = value(record, name);
    return v == nullptr ? std::nullopt : v->asInteger();
  }
};

Kept keep(const std::vector<int>& positions) {
  Kept kept;
  for (const int position : positions) {
    kept.slots.push_back(position < 0 ? -1 : static_cast<int>(kept.positions.size()));
    if (position >= 0) kept.positions.push_back(position);
  }
  return kept;
}

// Reads every live row of table `name` when the database has it.
void readTable(OpenDatabase& db, const char* name, const RunLimits& limits, const LiveRowReader::Visitor& row) {
  const int tree = db.table(name);
  if (tree >= 0) readLiveRows(db, tree, limits, row);
}

}  // namespace

void MessageRecovery::run(std::unique_ptr<PageSource> messagesSource, const std::string& messagesName,
                          std::unique_ptr<PageSource> contacts, const std::string& contactsName) {
  OpenDatabase db;
  if (!db.open(std::move(messagesSource), messagesName, limits_, report_.problem)) {
    report_.cancelled = limits_.cancelled();
    return;
  }
  const int sms = db.table("sms");
  if (sms < 0) {
    report_.problem = messagesName + " has no table sms.";
    return;
  }
  const TreeInfo& table = db.tree(sms);
  auto column = [&](const char* name) { return Schema::columnOf(table, name); };
  const int address = column("address"), body = column("body"), id = column("_id");
  if (address < 0 || body < 0) {
    report_.problem = "Table sms of " + messagesName + " has no address or no body column.";
    return;
  }
  const uint32_t encoding = db.source().header().textEncoding;
  const uint32_t schemaFormat = db.source().header().schemaFormat;

  // The live messages, threads and addresses: what a carved record must not repeat, and
  // what gives a body found without its row an address.
  // The bodies themselves are needed only to tell a body an index cut short from the whole.
  bool bodyIndex = false;
  for (const TreeInfo& tree : db.schema().trees) {
    bodyIndex = bodyIndex || (tree.isIndex && tree.table == "sms" && Schema::columnOf(tree, "body") >= 0);
  }
  LiveMessages live;
  NullWatch nulls(table.columns.size());
  const uint64_t noField = fieldKey("", 0);
  // The keys are gathered first and put into their sets once their number is known.
  struct LiveKeys {
    uint64_t row, body, id;
  };
  std::vector<LiveKeys> keys;
  const LiveRead read = readLiveRows(db, sms, limits_, [&](int64_t rowid, const RecordView& record) {
    const char *a = nullptr, *b = nullptr;
    size_t aLength = 0, bLength = 0;
    LiveKeys k;
    if (record.bytes(address, encoding, a, aLength) && record.bytes(body, encoding, b, bLength)) {
      const uint64_t bodyField = fieldKey(b, bLength);
      k.row = pairKey(fieldKey(a, aLength), bodyField);
      k.body = pairKey(bodyField, noField);
      if (bodyIndex) live.bodies.emplace_back(b, bLength);
    } else {
      const std::string liveBody = record.text(body, encoding);
      k.row = keyOf(record.text(address, encoding), liveBody);
      k.body = keyOf(liveBody);
      if (bodyIndex) live.bodies.push_back(liveBody);
    }
    k.id = static_cast<uint64_t>(id >= 0 && record.isInteger(id) ? record.integer(id) : rowid);
    keys.push_back(k);
    nulls.see(record);
  });
  live.rows.reserve(keys.size());
  live.bodyKeys.reserve(keys.size());
  live.ids.reserve(keys.size());
  for (const LiveKeys& k : keys) {
    live.rows.insert(k.row);
    live.bodyKeys.insert(k.body);
    live.ids.insert(k.id);
  }
  keys = std::vector<LiveKeys>();
  if (!read.complete) {
    report_.liveRowsComplete = false;
    report_.problem = "Some live messages of " + messagesName +
                      " could not be read (damaged pages); the pages that hold them were not searched.";
  }
  const int threads = db.table("threads");
  const int recipientIds = threads < 0 ? -1 : Schema::columnOf(db.tree(threads), "recipient_ids");
  if (recipientIds >= 0) {
    readLiveRows(db, threads, limits_, [&](int64_t rowid, const RecordView& record) {
      live.threadRecipients[rowid] = record.text(recipientIds, encoding);
    });
  }
  const int canonical = db.table("canonical_addresses");
  const int canonicalAddress = canonical < 0 ? -1 : Schema::columnOf(db.tree(canonical), "address");
  if (canonicalAddress >= 0) {
    readTable(db, "canonical_addresses", limits_, [&](int64_t rowid, const RecordView& record) {
      live.addresses[rowid] = record.text(canonicalAddress, encoding);
    });
  }
  const ContactNames names(readContactRows(std::move(contacts), contactsName));

  CarvingRun carving(db, limits_);
  // The table itself: the two columns that decide whether a record carries a message, then
  // the rest.
  enum { kAddress, kBody, kId, kThreadId, kPerson, kDate, kDateSent, kType, kRead, kSubject };
  const Kept smsKept = keep({address, body, id, column("thread_id"), column("person"), column("date"),
                             column("date_sent"), column("type"), column("read"), column("subject")});
  const size_t smsStructure =
      carving.add(sms, TableRules(table.columns, smsKept.positions, 2, nulls.neverNull(), schemaFormat, encoding));

  // The full-text copy of the bodies: index_text, with source_id (the message's _id) and
  // table_to_use (1 for a message of table "sms").
  enum { kText, kSource, kTableToUse };
  Kept fullTextKept;
  size_t fullTextStructure = SIZE_MAX;
  for (size_t t = 0; t < db.schema().trees.size(); ++t) {
    const TreeInfo& tree = db.schema().trees[t];
    if (tree.isIndex || !endsWith(tree.name, "_content") || fullTextStructure != SIZE_MAX) continue;
    const int text = Schema::columnEndingWith(tree, "index_text"), source = Schema::columnEndingWith(tree, "source_id");
    const int tableToUse = Schema::columnEndingWith(tree, "table_to_use");
    if (text < 0 || source < 0) continue;
    fullTextKept = keep({text, source, tableToUse});
    TableRules rules(tree.columns, fullTextKept.positions, 1, {}, schemaFormat, encoding);
    rules.require(text, TableRules::Kind::kText);
    for (size_t c = 0; c < tree.columns.size(); ++c) {
      if (static_cast<int>(c) != text && !tree.columns[c].primaryKey) rules.require(static_cast<int>(c), TableRules::Kind::kInteger);
    }
    if (tableToUse >= 0) rules.allowIntegers(tableToUse, {1, 2});
    fullTextStructure = carving.add(static_cast<int>(t), rules);
  }

  // The threads' snippets.
  enum { kSnippet, kRecipients, kThreadDate, kThreadRowid };
  Kept threadKept;
  size_t threadStructure = SIZE_MAX;
  if (threads >= 0 && Schema::columnOf(db.tree(threads), "snippet") >= 0) {
    const TreeInfo& tree = db.tree(threads);
    threadKept = keep({Schema::columnOf(tree, "snippet"), recipientIds, Schema::columnOf(tree, "date"),
                       Schema::columnOf(tree, "_id")});
    threadStructure = carving.add(threads, TableRules(tree.columns, threadKept.positions, 1, {}, schemaFormat, encoding));
  }

  // The indexes on "sms": every column they hold, the message's _id last.
  struct IndexStructure {
    size_t number;
    Kept kept;  // by the sms column names below, then the rowid
  };
  const char* const indexed[] = {"address", "body", "thread_id", "date", "type"};
  std::vector<IndexStructure> indexes;
  for (size_t t = 0; t < db.schema().trees.size(); ++t) {
    const TreeInfo& tree = db.schema().trees[t];
    if (!tree.isIndex || tree.table != "sms") continue;
    std::vector<int> positions;
    bool any = false;
    for (const char* name : indexed) {
      const int position = Schema::columnOf(tree, name);
      positions.push_back(position);
      any = any || position >= 0;
    }
    // An index without text only joins a body found without its row to its thread, which
    // only the full-text table gives.
    const bool text = positions[0] >= 0 || positions[1] >= 0;
    if (!any || (!text && fullTextStructure == SIZE_MAX)) continue;
    positions.push_back(static_cast<int>(tree.columns.size()) - 1);
    IndexStructure index{0, keep(positions)};
    TableRules rules(tree.columns, index.kept.positions, index.kept.positions.size(), {}, schemaFormat, encoding);
    rules.setIndex();
    index.number = carving.add(static_cast<int>(t), rules);
    indexes.push_back(std::move(index));
  }

  MessageAssembly assembly(live);
  // Deleted messages seldom outnumber the live ones; the room only grows past that if so,
  // and is never made for more than 65,536 at first (a 32-bit program's address space).
  assembly.expectRows(std::min<size_t>(live.ids.size(), size_t{1} << 16));
  carving.carve(read.unreadableLeaves, read.complete, [&](size_t structure, Record& record, Origin origin) {
    if (structure == smsStructure) {
      RecoveredMessage m;
      m.address = smsKept.take(record, kAddress);
      m.body = smsKept.take(record, kBody);
      m.id = smsKept.integer(record, kId);
      if (!m.id && record.rowid) m.id = record.rowid;
      m.threadId = smsKept.integer(record, kThreadId);
      m.person = smsKept.integer(record, kPerson);
      m.date = smsKept.integer(record, kDate);
      m.dateSent = smsKept.integer(record, kDateSent);
      m.type = smsKept.integer(record, kType);
      m.read = smsKept.integer(record, kRead);
      m.subject = smsKept.take(record, kSubject);
      m.origin = origin;
      assembly.addRow(std::move(m));
    } else if (structure == fullTextStructure) {
      const auto tableToUse = fullTextKept.integer(record, kTableToUse);
      if (tableToUse && *tableToUse != 1) return;  // the text of a multimedia message
      MessageCopy copy;
      copy.body = fullTextKept.take(record, kText);
      copy.id = fullTextKept.integer(record, kSource);
      copy.lengthInferred = record.lengthInferred;
      copy.origin = Origin::kFullText;
      assembly.addCopy(std::move(copy));
    } else if (structure == threadStructure) {
      ThreadSnippet snippet;
      snippet.body = threadKept.take(record, kSnippet).value_or(std::string());
      snippet.recipients = threadKept.take(record, kRecipients).value_or(std::string());
      snippet.date = threadKept.integer(record, kThreadDate);
      snippet.threadId = threadKept.integer(record, kThreadRowid);
      if (!snippet.threadId) snippet.threadId = record.rowid;
      assembly.addSnippet(std::move(snippet));
    } else {
      for (const IndexStructure& index : indexes) {
        if (index.number != structure) continue;
        MessageCopy copy;
        copy.address = index.kept.take(record, 0);
        copy.body = index.kept.take(record, 1);
        copy.threadId = index.kept.integer(record, 2);
        copy.date = index.kept.integer(record, 3);
        copy.type = index.kept.integer(record, 4);
        copy.id = record.rowid;
        copy.lengthInferred = record.lengthInferred;
        copy.origin = Origin::kIndex;
        if (copy.body) {
          assembly.addCopy(std::move(copy));
        } else if (record.strong) {
          // An entry without text only joins; read from scratch it proves too little.
          assembly.addFacts(copy);
        }
      }
    }
  });
  messages_ = assembly.finish();
  for (RecoveredMessage& m : messages_) m.contactName = m.address ? names.nameFor(*m.address) : std::string();
  report_.cancelled = limits_.cancelled();
}

}  // namespace engine
