#include "MessageAssembly.h"

#include <algorithm>
#include <set>

#include "RecordKeys.h"

namespace engine {

bool MessageAssembly::addRow(RecoveredMessage message) {
  // A text whose bytes were overwritten with zeros carries nothing.
  if (message.address && writesNothing(*message.address)) message.address.reset();
  if (message.body && writesNothing(*message.body)) message.body.reset();
  static const std::string kNone;
  const std::string& address = message.address ? *message.address : kNone;
  const std::string& body = message.body ? *message.body : kNone;
  if (writesNothing(address) && writesNothing(body)) return false;
  const uint64_t key = keyOf(address, body);
  if (live_.rows.contains(key) || !taken_.insert(key)) return false;
  if (message.id && live_.ids.contains(static_cast<uint64_t>(*message.id))) return false;
  messages_.push_back(std::move(message));
  return true;
}

void MessageAssembly::addFacts(const MessageCopy& facts) {
  if (!facts.id || live_.ids.contains(static_cast<uint64_t>(*facts.id))) return;
  MessageCopy& known = facts_[*facts.id];
  if (!known.threadId) known.threadId = facts.threadId;
  if (!known.date) known.date = facts.date;
  if (!known.type) known.type = facts.type;
}

void MessageAssembly::addCopy(MessageCopy copy) {
  if (copy.id && live_.ids.contains(static_cast<uint64_t>(*copy.id))) return;  // a copy of a live message
  if (!copy.body || writesNothing(*copy.body) || live_.bodyKeys.contains(keyOf(*copy.body))) return;
  copies_.push_back(std::move(copy));
}

void MessageAssembly::addSnippet(ThreadSnippet snippet) {
  if (snippet.threadId && !snippet.recipients.empty()) snippetRecipients_[*snippet.threadId] = snippet.recipients;
  if (writesNothing(snippet.body) || live_.bodyKeys.contains(keyOf(snippet.body))) return;
  snippets_.push_back(std::move(snippet));
}

// A value cut short where SQLite reused the end of its free block still reads as a valid
// record; such a value is a prefix of the whole one, found elsewhere or live.
bool MessageAssembly::prefixOfKnown(const std::string& body) {
  if (!sorted_) {
    sortedBodies_.insert(sortedBodies_.end(), live_.bodies.begin(), live_.bodies.end());
    for (const RecoveredMessage& m : messages_) {
      if (m.body) sortedBodies_.push_back(*m.body);
    }
    for (const MessageCopy& copy : copies_) sortedBodies_.push_back(*copy.body);
    std::sort(sortedBodies_.begin(), sortedBodies_.end());
    sorted_ = true;
  }
  // Ends: the entries that start with `body` follow it in sorted order.
  for (auto it = std::lower_bound(sortedBodies_.begin(), sortedBodies_.end(), body);
       it != sortedBodies_.end() && it->compare(0, body.size(), body) == 0; ++it) {
    if (it->size() > body.size()) return true;
  }
  return false;
}

// The address of a thread with one recipient, through canonical_addresses.
std::string MessageAssembly::addressOfRecipients(const std::string& recipients) const {
  if (recipients.empty() || recipients.size() > 18) return std::string();
  int64_t id = 0;
  for (const char c : recipients) {
    if (c < '0' || c > '9') return std::string();  // several recipients, or not a list of ids
    id = id * 10 + (c - '0');
  }
  const auto address = live_.addresses.find(id);
  return address == live_.addresses.end() ? std::string() : address->second;
}

std::string MessageAssembly::addressOfThread(int64_t threadId) const {
  const auto live = live_.threadRecipients.find(threadId);
  if (live != live_.threadRecipients.end()) return addressOfRecipients(live->second);
  const auto carved = snippetRecipients_.find(threadId);
  return carved == snippetRecipients_.end() ? std::string() : addressOfRecipients(carved->second);
}

std::optional<size_t> MessageAssembly::messageWithId(int64_t id) const {
  std::optional<size_t> found;
  byId_.any(static_cast<uint64_t>(id), [&](uint32_t m) {
    found = m;
    return true;
  });
  return found;
}

// The first message kept with an _id keeps it.
void MessageAssembly::noteId(int64_t id, size_t message) {
  if (!messageWithId(id)) byId_.add(static_cast<uint64_t>(id), static_cast<uint32_t>(message));
}

bool MessageAssembly::knownBody(const std::string& body) const {
  return bodies_.any(fieldKey(body.data(), body.size()), [&](uint32_t m) { return *messages_[m].body == body; });
}

// Makes the message at `message` known by its body and its _id.
void MessageAssembly::index(size_t message) {
  const RecoveredMessage& m = messages_[message];
  if (m.body) bodies_.add(fieldKey(m.body->data(), m.body->size()), static_cast<uint32_t>(message));
  if (m.id) noteId(*m.id, message);
}

void MessageAssembly::keep(RecoveredMessage message) {
  messages_.push_back(std::move(message));
  index(messages_.size() - 1);
}

std::vector<RecoveredMessage> MessageAssembly::finish() {
  // The rows stay where they are; the copies and snippets may join them.
  const size_t most = messages_.size() + copies_.size() + snippets_.size();
  messages_.reserve(most);
  bodies_.reserve(most);
  byId_.reserve(most);
  for (size_t i = 0; i < messages_.size(); ++i) index(i);

  auto fill = [&](RecoveredMessage& m) {
    if (!m.id) return;
    const auto known = facts_.find(*m.id);
    if (known == facts_.end()) return;
    if (!m.threadId) m.threadId = known->second.threadId;
    if (!m.date) m.date = known->second.date;
    if (!m.type) m.type = known->second.type;
  };
  for (MessageCopy& copy : copies_) {
    const std::string& body = *copy.body;
    // The same message found in its row: the copy gives it the body it lost, if any.
    const std::optional<size_t> joined = copy.id ? messageWithId(*copy.id) : std::nullopt;
    if (joined) {
      RecoveredMessage& row = messages_[*joined];
      if (!row.body) {
        row.body = body;
        index(*joined);
      }
      continue;
    }
    if (knownBody(body)) {
      for (size_t i = 0; i < messages_.size(); ++i) {
        RecoveredMessage& same = messages_[i];
        if (same.body != body || same.id) continue;
        same.id = copy.id;
        if (copy.id) noteId(*copy.id, i);
        break;
      }
      continue;
    }
    if (copy.lengthInferred && prefixOfKnown(body)) continue;
    RecoveredMessage m;
    m.id = copy.id;
    m.body = body;
    m.address = copy.address;
    m.threadId = copy.threadId;
    m.date = copy.date;
    m.type = copy.type;
    m.origin = copy.origin;
    fill(m);
    if (!m.address && m.threadId) {
      const std::string address = addressOfThread(*m.threadId);
      if (!address.empty()) m.address = address;
    }
    const uint64_t key = keyOf(m.address.value_or(std::string()), body);
    if (live_.rows.contains(key) || !taken_.insert(key)) continue;
    keep(std::move(m));
  }
  for (ThreadSnippet& snippet : snippets_) {
    // The snippet is the thread's newest body: often a copy of a message recovered or live.
    if (knownBody(snippet.body)) continue;
    RecoveredMessage m;
    m.body = snippet.body;
    m.threadId = snippet.threadId;
    m.date = snippet.date;
    m.origin = Origin::kOtherTable;
    std::string address = snippet.threadId ? addressOfThread(*snippet.threadId) : std::string();
    if (address.empty()) address = addressOfRecipients(snippet.recipients);
    if (!address.empty()) m.address = address;
    if (!taken_.insert(keyOf(address, snippet.body))) continue;
    keep(std::move(m));
  }
  for (RecoveredMessage& m : messages_) fill(m);
  return std::move(messages_);
}

}  // namespace engine
