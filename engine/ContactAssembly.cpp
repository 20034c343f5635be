#include "ContactAssembly.h"

#include <algorithm>

#include "RecordKeys.h"

namespace engine {

namespace {

const char kNameMimetype[] = "vnd.android.cursor.item/name";

std::optional<int64_t> integerOf(const std::string& text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::stoll(text);
}

// A text as the full-text table keeps it: each line break a blank.
std::string flattened(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i] == '\n' || text[i] == '\r' ? ' ' : text[i];
  }
  return out;
}

// Whether flattened(text) == flat, without building it.
bool flattensTo(const std::string& text, const std::string& flat) {
  size_t j = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    const char c = text[i] == '\n' || text[i] == '\r' ? ' ' : text[i];
    if (j >= flat.size() || flat[j] != c) return false;
    ++j;
  }
  return j == flat.size();
}

}  // namespace

std::string phoneKey(std::string_view number) {
  std::string d;
  for (const char c : number) {
    if (c >= '0' && c <= '9') d += c;
  }
  if (d.size() >= 12 && d.compare(0, 2, "86") == 0) d.erase(0, 2);
  if (!d.empty() && d[0] == '0') d.erase(0, 1);
  return d;
}

bool looksLikeNumber(std::string_view value) {
  size_t digits = 0;
  for (const char c : value) {
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c != '+' && c != ' ' && c != '-' && c != '(' && c != ')') {
      return false;
    }
  }
  return digits >= 3;
}

void ContactAssembly::addCopy(ContactCopy copy) {
  if (writesNothing(copy.value) || isLive(copy)) return;
  copies_.push_back(std::move(copy));
}

bool ContactAssembly::isLive(const ContactCopy& copy) const {
  if (copy.dataId && live_.dataIds.contains(static_cast<uint64_t>(*copy.dataId))) return true;
  if (live_.values.contains(copy.value)) return true;
  return looksLikeNumber(copy.value) && live_.numbers.contains(phoneKey(copy.value));
}

// A value read where its length was only inferred may be a piece of a longer one: cut
// short where SQLite reused the end of its free block, or read from inside it.
bool ContactAssembly::partOfKnown(const std::string& value) {
  if (known_ == nullptr) indexKnown();
  return known_->partOfLonger(value);
}

bool ContactAssembly::holds(const RecoveredContact& contact, const std::string& value) const {
  const bool number = looksLikeNumber(value);
  const std::string key = number ? phoneKey(value) : std::string();
  const std::string flat = flattened(value);
  if (flattensTo(contact.name, flat)) return true;
  return std::any_of(contact.values.begin(), contact.values.end(), [&](const RecoveredContactValue& v) {
    return flattensTo(v.value, flat) || (number && looksLikeNumber(v.value) && phoneKey(v.value) == key);
  });
}

// The contact a copy belongs to: its raw contact's, found through whatever links it; a
// copy that links to none stands alone.
RecoveredContact* ContactAssembly::contactFor(const ContactCopy& copy) {
  std::optional<int64_t> raw = copy.rawContactId;
  if (!raw && copy.dataId) {
    const auto found = rawOfData_.find(*copy.dataId);
    if (found != rawOfData_.end()) raw = found->second;
  }
  if (!raw && copy.contactId) {
    const auto carved = rawOfContact_.find(*copy.contactId);
    const auto live = live_.rawOfContact.find(*copy.contactId);
    if (carved != rawOfContact_.end()) {
      raw = carved->second;
    } else if (live != live_.rawOfContact.end()) {
      raw = live->second;
    }
  }
  std::string key;
  if (raw) {
    key = std::to_string(*raw);
  } else if (copy.contactId) {
    key = "contact " + std::to_string(*copy.contactId);
  } else {
    return nullptr;
  }
  auto [slot, added] = byKey_.emplace(key, contacts_.size());
  if (added) {
    contacts_.emplace_back();
    contacts_.back().rawContactId = raw;
  }
  return &contacts_[slot->second];
}

// Every value known, live or carved, indexed for the values whose length was inferred:
// built the first time one of them needs it.
void ContactAssembly::indexKnown() {
  size_t carved = 0;
  for (const RecoveredContact& c : contacts_) carved += 1 + c.values.size();
  carvedKnown_.reserve(carved);  // never grows after this: the views below stay valid
  for (const RecoveredContact& c : contacts_) {
    carvedKnown_.push_back(c.name);
    for (const RecoveredContactValue& v : c.values) carvedKnown_.push_back(v.value);
  }
  std::vector<std::string_view> known;
  known.reserve(carved + copies_.size() + live_.values.size());
  known.insert(known.end(), carvedKnown_.begin(), carvedKnown_.end());
  for (const ContactCopy& copy : copies_) known.push_back(copy.value);
  for (size_t i = 0; i < live_.values.size(); ++i) known.push_back(live_.values.at(i));
  std::vector<std::string_view> pieces;
  for (const ContactCopy& copy : copies_) {
    if (copy.lengthInferred) pieces.push_back(copy.value);
  }
  known_ = std::make_unique<PieceIndex>(std::move(known), pieces);
}

std::vector<RecoveredContact> ContactAssembly::finish() {
  // The rows of table "data": a contact whose every value is live was only renumbered;
  // other rows are dropped when they repeat a live row or one already kept.
  std::unordered_map<std::string, bool> everyValueLive;
  for (const CarvedDataRow& row : rows_) {
    const bool live = live_.values.contains(row.data1);
    auto [entry, added] = everyValueLive.emplace(row.rawContactId, live);
    if (!added) entry->second = entry->second && live;
  }
  KeySet taken;
  std::vector<CarvedDataRow> kept;
  for (CarvedDataRow& row : rows_) {
    if (everyValueLive[row.rawContactId]) continue;
    const uint64_t key = keyOf(row.rawContactId, row.data1);
    if (live_.rows.contains(key) || !taken.insert(key)) continue;
    const auto raw = integerOf(row.rawContactId);
    if (row.dataId && raw) rawOfData_.emplace(*row.dataId, *raw);
    kept.push_back(std::move(row));
  }
  contacts_ = groupContacts(kept);
  for (size_t i = 0; i < contacts_.size(); ++i) {
    if (contacts_[i].rawContactId) byKey_.emplace(std::to_string(*contacts_[i].rawContactId), i);
  }
  for (const RecoveredContact& c : contacts_) {
    recovered_.insert(flattened(c.name));
    for (const RecoveredContactValue& v : c.values) recovered_.insert(flattened(v.value));
  }

  for (const ContactCopy& copy : copies_) {
    // A single character read where its length was only inferred tells nothing reliable.
    const size_t characters = static_cast<size_t>(std::count_if(
        copy.value.begin(), copy.value.end(), [](char ch) { return (static_cast<uint8_t>(ch) & 0xC0) != 0x80; }));
    if (copy.lengthInferred && (characters < 2 || partOfKnown(copy.value))) continue;
    RecoveredContact* contact = contactFor(copy);
    if (contact == nullptr) {
      // Linked to no contact: a person of its own, unless the value is known already.
      if (recovered_.count(flattened(copy.value)) != 0) continue;
      contacts_.emplace_back();
      contact = &contacts_.back();
    } else if (holds(*contact, copy.value)) {
      continue;
    }
    if (copy.isName || copy.mimetype == kNameMimetype) {
      if (!contact->name.empty()) continue;
      contact->name = copy.value;
    } else {
      RecoveredContactValue value;
      value.dataId = copy.dataId;
      value.mimetype = copy.mimetype;
      value.value = copy.value;
      value.origin = copy.origin;
      contact->values.push_back(std::move(value));
    }
    recovered_.insert(flattened(copy.value));
  }
  // A contact that got nothing but a name from a copy whose person is live says nothing new.
  contacts_.erase(std::remove_if(contacts_.begin(), contacts_.end(),
                                 [](const RecoveredContact& c) { return c.name.empty() && c.values.empty(); }),
                  contacts_.end());
  return std::move(contacts_);
}

}  // namespace engine
