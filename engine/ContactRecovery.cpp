#include "ContactRecovery.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "CarvingRun.h"
#include "ContactAssembly.h"
#include "RecordKeys.h"

namespace engine {

namespace {

const char kNameMimetype[] = "vnd.android.cursor.item/name";

// mimetypes._id (its rowid) -> mimetype, from the live rows.
std::unordered_map<int64_t, std::string> readMimetypes(OpenDatabase& db, const RunLimits& limits) {
  std::unordered_map<int64_t, std::string> names;
  const int table = db.table("mimetypes");
  if (table < 0) return names;
  const int mimetype = Schema::columnOf(db.tree(table), "mimetype");
  if (mimetype < 0) return names;
  const uint32_t encoding = db.source().header().textEncoding;
  readLiveRows(db, table, limits, [&](int64_t rowid, const RecordView& record) {
    names[rowid] = record.text(mimetype, encoding);
  });
  return names;
}

}  // namespace

std::vector<RecoveredContact> groupContacts(const std::vector<CarvedDataRow>& rows) {
  std::vector<RecoveredContact> contacts;
  std::unordered_map<std::string, size_t> byRawContact;
  for (const CarvedDataRow& row : rows) {
    auto [slot, added] = byRawContact.emplace(row.rawContactId, contacts.size());
    if (added) {
      contacts.emplace_back();
      RecoveredContact& contact = contacts.back();
      CarvedValue id;
      id.serialType = 13;
      id.text = row.rawContactId;
      contact.rawContactId = id.asInteger();
    }
    RecoveredContact& contact = contacts[slot->second];
    if (row.mimetype == kNameMimetype) {
      if (contact.name.empty()) {
        contact.name = row.data1;
        contact.givenName = row.data2Text;
        contact.familyName = row.data3;
      }
      continue;
    }
    RecoveredContactValue value;
    value.dataId = row.dataId;
    value.mimetype = row.mimetype;
    value.value = row.data1;
    value.typeCode = row.data2;
    value.label = row.data3;
    value.origin = row.origin;
    contact.values.push_back(std::move(value));
  }
  return contacts;
}

namespace {

// A structure the run carves besides table "data", with the kept columns it reads.
struct Source {
  enum Kind { kDataIndex, kPhoneLookup, kRawContacts, kFullText } kind;
  size_t number = 0;
  std::vector<int> slots;  // by field: position among the kept values, -1 when absent
  const CarvedValue* field(const Record& record, size_t i) const {
    return i >= slots.size() || slots[i] < 0 ? nullptr : &record.kept[static_cast<size_t>(slots[i])];
  }
  std::optional<int64_t> integer(const Record& record, size_t i) const {
    const CarvedValue* v = field(record, i);
    return v == nullptr ? std::nullopt : v->asInteger();
  }
  std::string text(const Record& record, size_t i) const {
    const CarvedValue* v = field(record, i);
    return v == nullptr || v->isNull() ? std::string() : v->textForm();
  }
};

// Positions of `wanted` that exist (the rest marked -1 in `slots`).
std::vector<int> keptOf(const std::vector<int>& wanted, std::vector<int>& slots) {
  std::vector<int> positions;
  for (const int position : wanted) {
    slots.push_back(position < 0 ? -1 : static_cast<int>(positions.size()));
    if (position >= 0) positions.push_back(position);
  }
  return positions;
}

const char kPhoneMimetype[] = "vnd.android.cursor.item/phone_v2";

// One line of the full-text table's content: an e-mail address, "company (title)", or else
// the text of a note or another value.
ContactCopy contentLine(const std::string& line) {
  ContactCopy copy;
  copy.origin = Origin::kFullText;
  copy.value = line;
  const size_t open = line.rfind(" (");
  if (line.find('@') != std::string::npos && line.find(' ') == std::string::npos) {
    copy.mimetype = "vnd.android.cursor.item/email_v2";
  } else if (open != std::string::npos && open > 0 && line.back() == ')') {
    copy.mimetype = "vnd.android.cursor.item/organization";
    copy.value = line.substr(0, open);
  }
  return copy;
}

}  // namespace

void ContactRecovery::run(std::unique_ptr<PageSource> source, const std::string& contactsName) {
  OpenDatabase db;
  if (!db.open(std::move(source), contactsName, limits_, report_.problem)) {
    report_.cancelled = limits_.cancelled();
    return;
  }
  const int data = db.table("data");
  if (data < 0) {
    report_.problem = contactsName + " has no table data.";
    return;
  }
  const TreeInfo& table = db.tree(data);
  auto column = [&](const char* name) { return Schema::columnOf(table, name); };
  const int rawContactId = column("raw_contact_id"), data1 = column("data1"), dataId = column("_id");
  const int mimetypeId = column("mimetype_id");
  if (rawContactId < 0 || data1 < 0) {
    report_.problem = "Table data of " + contactsName + " has no raw_contact_id or no data1 column.";
    return;
  }
  const uint32_t encoding = db.source().header().textEncoding;
  const uint32_t schemaFormat = db.source().header().schemaFormat;
  const std::unordered_map<int64_t, std::string> mimetypes = readMimetypes(db, limits_);
  std::set<int64_t> mimetypeIds;
  for (const auto& entry : mimetypes) mimetypeIds.insert(entry.first);

  LiveContacts live;
  NullWatch nulls(table.columns.size());
  // SQLite's text form of a column, read in place where it can be.
  auto textOf = [&](const RecordView& record, int position, std::string& storage, char (&digits)[24]) {
    const char* bytes = nullptr;
    size_t length = 0;
    if (record.bytes(position, encoding, bytes, length)) return std::string_view(bytes, length);
    if (record.isInteger(position)) {
      const auto end = std::to_chars(digits, digits + sizeof digits, record.integer(position)).ptr;
      return std::string_view(digits, static_cast<size_t>(end - digits));
    }
    storage = record.text(position, encoding);
    return std::string_view(storage);
  };
  const LiveRead read = readLiveRows(db, data, limits_, [&](int64_t rowid, const RecordView& record) {
    std::string valueStorage, idStorage;
    char valueDigits[24], idDigits[24];
    const std::string_view value = textOf(record, data1, valueStorage, valueDigits);
    const std::string_view id = textOf(record, rawContactId, idStorage, idDigits);
    live.rows.insert(keyOf(id.data(), id.size(), value.data(), value.size()));
    live.values.insert(value);
    live.dataIds.insert(static_cast<uint64_t>(dataId >= 0 && record.isInteger(dataId) ? record.integer(dataId) : rowid));
    if (looksLikeNumber(value)) live.numbers.insert(phoneKey(value));
    nulls.see(record);
  });
  if (!read.complete) {
    report_.liveRowsComplete = false;
    report_.problem = "Some live contact rows of " + contactsName +
                      " could not be read (damaged pages); the pages that hold them were not searched.";
  }
  const int rawContacts = db.table("raw_contacts");
  const int rawContactOf = rawContacts < 0 ? -1 : Schema::columnOf(db.tree(rawContacts), "contact_id");
  if (rawContacts >= 0) {
    readLiveRows(db, rawContacts, limits_, [&](int64_t rowid, const RecordView& record) {
      live.rawIds.insert(static_cast<uint64_t>(rowid));
      if (rawContactOf >= 0 && record.isInteger(rawContactOf)) {
        live.rawOfContact.emplace(record.integer(rawContactOf), rowid);
        live.contactIds.insert(static_cast<uint64_t>(record.integer(rawContactOf)));
      }
    });
  }
  const int phoneLookup = db.table("phone_lookup");
  const int liveNumber = phoneLookup < 0 ? -1 : Schema::columnOf(db.tree(phoneLookup), "normalized_number");
  if (liveNumber >= 0) {
    readLiveRows(db, phoneLookup, limits_, [&](int64_t, const RecordView& record) {
      live.numbers.insert(phoneKey(record.text(liveNumber, encoding)));
    });
  }

  CarvingRun carving(db, limits_);
  std::vector<int> rowSlots;
  const std::vector<int> rowKept =
      keptOf({rawContactId, data1, dataId, mimetypeId, column("data2"), column("data3")}, rowSlots);
  const size_t rowStructure =
      carving.add(data, TableRules(table.columns, rowKept, 2, nulls.neverNull(), schemaFormat, encoding));
  const Source rowSource{Source::kDataIndex, rowStructure, rowSlots};

  // Every other structure that holds a copy, with its fields in this order:
  //   index on data:      value, mimetype id, data id (the rowid)
  //   phone_lookup:       number, raw contact, data id
  //   raw_contacts:       display name, contact id, raw contact (rowid)
  //   full-text table:    name, content, tokens, contact id
  std::vector<Source> sources;
  auto addSource = [&](Source::Kind kind, size_t t, const std::vector<int>& wanted, size_t deciding, bool index) {
    const TreeInfo& tree = db.schema().trees[t];
    Source src{kind, 0, {}};
    const std::vector<int> kept = keptOf(wanted, src.slots);
    if (kept.empty() || src.slots[0] < 0) return;
    TableRules rules(tree.columns, kept, deciding, {}, schemaFormat, encoding);
    if (index) rules.setIndex();
    if (kind == Source::kDataIndex && src.slots[1] >= 0 && !mimetypeIds.empty()) {
      rules.allowIntegers(wanted[1], mimetypeIds);
    }
    if (kind == Source::kFullText) {
      for (size_t c = 0; c < tree.columns.size(); ++c) {
        if (tree.columns[c].primaryKey) continue;
        const bool text = static_cast<int>(c) == wanted[0] || static_cast<int>(c) == wanted[1] ||
                          static_cast<int>(c) == wanted[2];
        rules.require(static_cast<int>(c), text ? TableRules::Kind::kText : TableRules::Kind::kInteger);
      }
    }
    src.number = carving.add(static_cast<int>(t), rules);
    sources.push_back(src);
  };
  for (size_t t = 0; t < db.schema().trees.size(); ++t) {
    const TreeInfo& tree = db.schema().trees[t];
    const int last = static_cast<int>(tree.columns.size()) - 1;
    auto at = [&](const char* name) { return Schema::columnOf(tree, name); };
    if (tree.isIndex && tree.table == "data" && at("data1") >= 0) {
      addSource(Source::kDataIndex, t, {at("data1"), at("mimetype_id"), last}, 1, true);
    } else if (tree.table == "phone_lookup" && at("normalized_number") >= 0) {
      addSource(Source::kPhoneLookup, t, {at("normalized_number"), at("raw_contact_id"), at("data_id")}, 1,
                tree.isIndex);
    } else if (!tree.isIndex && tree.name == "raw_contacts" && at("display_name") >= 0) {
      addSource(Source::kRawContacts, t, {at("display_name"), at("contact_id"), at("_id")}, 1, false);
    } else if (tree.isIndex && tree.table == "raw_contacts" && (at("display_name") >= 0 || at("sort_key") >= 0)) {
      addSource(Source::kRawContacts, t, {at("display_name") >= 0 ? at("display_name") : at("sort_key"), -1, last},
                1, true);
    } else if (!tree.isIndex && endsWith(tree.name, "_content") && Schema::columnEndingWith(tree, "content") >= 0 &&
               Schema::columnEndingWith(tree, "tokens") >= 0) {
      int content = -1;
      for (size_t c = 0; c < tree.columns.size(); ++c) {
        if (endsWith(tree.columns[c].name, "content") && tree.columns[c].name != "docid") content = static_cast<int>(c);
      }
      addSource(Source::kFullText, t,
                {Schema::columnEndingWith(tree, "name"), content, Schema::columnEndingWith(tree, "tokens"),
                 Schema::columnEndingWith(tree, "contact_id")},
                3, false);
    }
  }

  ContactAssembly assembly(live);
  carving.carve(read.unreadableLeaves, read.complete, [&](size_t structure, Record& record, Origin origin) {
    if (structure == rowStructure) {
      CarvedDataRow row;
      row.rawContactId = rowSource.text(record, 0);
      row.data1 = rowSource.text(record, 1);
      if (writesNothing(row.data1)) return;
      row.dataId = rowSource.integer(record, 2);
      if (!row.dataId) row.dataId = record.rowid;
      if (const auto id = rowSource.integer(record, 3)) {
        const auto name = mimetypes.find(*id);
        if (name != mimetypes.end()) row.mimetype = name->second;
      }
      row.data2 = rowSource.integer(record, 4);
      row.data2Text = rowSource.text(record, 4);
      row.data3 = rowSource.text(record, 5);
      row.origin = origin;
      assembly.addRow(std::move(row));
      return;
    }
    for (const Source& src : sources) {
      if (src.number != structure) continue;
      ContactCopy copy;
      copy.lengthInferred = record.lengthInferred;
      copy.value = src.text(record, 0);
      switch (src.kind) {
        case Source::kDataIndex: {
          copy.dataId = record.rowid;
          const auto id = src.integer(record, 1);
          const auto name = id ? mimetypes.find(*id) : mimetypes.end();
          if (name != mimetypes.end()) copy.mimetype = name->second;
          assembly.addCopy(std::move(copy));
          break;
        }
        case Source::kPhoneLookup:
          copy.rawContactId = src.integer(record, 1);
          copy.dataId = src.integer(record, 2);
          copy.mimetype = kPhoneMimetype;
          copy.origin = Origin::kOtherTable;
          if (copy.rawContactId && copy.dataId) assembly.linkData(*copy.dataId, *copy.rawContactId);
          assembly.addCopy(std::move(copy));
          break;
        case Source::kRawContacts: {
          copy.rawContactId = src.integer(record, 2);
          if (!copy.rawContactId) copy.rawContactId = record.rowid;
          const auto contact = src.integer(record, 1);
          if (contact && copy.rawContactId) assembly.linkContact(*contact, *copy.rawContactId);
          if (copy.rawContactId && live.rawIds.contains(static_cast<uint64_t>(*copy.rawContactId))) break;  // a live person's name
          copy.isName = true;
          copy.origin = Origin::kOtherTable;
          assembly.addCopy(std::move(copy));
          break;
        }
        case Source::kFullText: {
          const auto contact = src.integer(record, 3);
          const std::optional<int64_t> contactId = contact ? contact : record.rowid;
          const bool livePerson = contactId && live.contactIds.contains(static_cast<uint64_t>(*contactId));
          auto add = [&](ContactCopy c) {
            c.contactId = contactId;
            c.origin = Origin::kFullText;
            assembly.addCopy(std::move(c));
          };
          if (!livePerson && !copy.value.empty()) {
            ContactCopy name;
            name.value = copy.value;
            name.isName = true;
            add(name);
          }
          const std::string content = src.text(record, 1);
          for (size_t start = 0; start < content.size();) {
            const size_t end = std::min(content.find('\n', start), content.size());
            if (end > start) add(contentLine(content.substr(start, end - start)));
            start = end + 1;
          }
          const std::string tokens = src.text(record, 2);
          for (size_t start = 0; start < tokens.size();) {
            const size_t end = std::min(tokens.find(' ', start), tokens.size());
            ContactCopy number;
            number.value = tokens.substr(start, end - start);
            number.mimetype = kPhoneMimetype;
            if (looksLikeNumber(number.value)) add(number);
            start = end + 1;
          }
          break;
        }
      }
    }
  });
  contacts_ = assembly.finish();
  report_.cancelled = limits_.cancelled();
}

}  // namespace engine
