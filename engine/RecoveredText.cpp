#include "RecoveredText.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "SqliteParse.h"

namespace engine {

namespace {

const char kNotAvailable[] = "N/A";
const char kLineEnd[] = "\r\n";

bool allDigits(const std::string& value) {
  return std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string textField(const std::string& carved) {
  const std::string converted = utf8ToAnsi(carved);
  std::string field;
  field.reserve(converted.size());
  for (const char c : converted) {
    if (c == '\n') {
      // CR CR LF would leave CR LF after a single replacement; drop every CR before the LF.
      while (!field.empty() && field.back() == '\r') field.pop_back();
      field.push_back('\n');
    } else if (c == '\t') {
      field.push_back(' ');
    } else {
      field.push_back(c);
    }
  }
  return field;
}

std::string buildContactText(const std::vector<ContactPair>& rows) {
  const size_t n = rows.size();
  std::string text;
  std::vector<bool> used(n, false);

  // Rows of one contact with a value, in carving order. Within a group, `nextOther[p]` is
  // the first later member whose value differs from member p's, so runs of equal values are
  // stepped over at once: the pairing costs the lines it writes plus the rows, not the
  // square of the rows, and writes exactly the lines of the pairwise comparison in its order.
  std::unordered_map<std::string, std::vector<size_t>> groups;
  for (size_t i = 0; i < n; ++i) {
    if (!rows[i].second.empty()) groups[rows[i].first].push_back(i);
  }
  std::vector<size_t> slot(n, 0);         // position of row i in its group
  std::vector<size_t> nextOther(n, 0);    // by row: group position of the next different value
  for (auto& entry : groups) {
    const std::vector<size_t>& members = entry.second;
    const size_t count = members.size();
    for (size_t p = 0; p < count; ++p) slot[members[p]] = p;
    for (size_t p = count; p-- > 0;) {
      size_t next = count;
      if (p + 1 < count) {
        next = rows[members[p + 1]].second != rows[members[p]].second ? p + 1 : nextOther[members[p + 1]];
      }
      nextOther[members[p]] = next;
    }
  }

  for (size_t i = 0; i < n; ++i) {
    const std::string& value = rows[i].second;
    if (value.empty()) continue;
    const std::vector<size_t>& members = groups[rows[i].first];
    const bool valueIsNumber = allDigits(value);
    size_t p = slot[i] + 1;
    while (p < members.size()) {
      const size_t k = members[p];
      if (rows[k].second == value) {
        p = nextOther[k];
        continue;
      }
      if (valueIsNumber) {
        text += textField(rows[k].second) + '\t' + textField(value) + kLineEnd;
      } else {
        text += textField(value) + '\t' + textField(rows[k].second) + kLineEnd;
      }
      used[i] = true;
      used[k] = true;
      ++p;
    }
  }

  for (size_t i = 0; i < n; ++i) {
    const std::string& value = rows[i].second;
    if (value.empty() || used[i]) continue;
    if (allDigits(value)) {
      text += std::string(kNotAvailable) + '\t' + textField(value) + kLineEnd;
    } else {
      text += textField(value) + '\t' + kNotAvailable + kLineEnd;
    }
  }
  return text;
}

namespace {

// The live contacts indexed the way the name lookup searches them: the first row holding a
// given data1, and every contact's rows in query order.
class ContactNames {
 public:
  explicit ContactNames(const std::vector<LookupRow>& lookup) : lookup_(lookup) {
    for (size_t j = 0; j < lookup.size(); ++j) {
      firstWithValue_.emplace(lookup[j].second, j);  // keeps the first
      rowsOfContact_[lookup[j].first].push_back(j);
    }
  }

  // The name for a carved address: data1 of the first other row of the contact whose row
  // holds the address; "N/A" when nothing matches.
  std::string nameFor(const std::string& address) const {
    if (lookup_.empty()) return kNotAvailable;
    std::string key = address;
    const size_t prefix = key.find("+86");
    if (prefix != std::string::npos) key.erase(prefix, 3);
    const auto match = firstWithValue_.find(key);
    if (match == firstWithValue_.end()) return kNotAvailable;
    const size_t j = match->second;
    for (const size_t k : rowsOfContact_.at(lookup_[j].first)) {
      if (k != j) return textField(lookup_[k].second);
    }
    return kNotAvailable;
  }

 private:
  const std::vector<LookupRow>& lookup_;
  std::unordered_map<std::string, size_t> firstWithValue_;
  std::unordered_map<std::string, std::vector<size_t>> rowsOfContact_;
};

// The bytes of a carved text field that can reach the text: up to its first zero byte.
bool writesNothing(const std::string& field) { return field.empty() || field[0] == '\0'; }

}  // namespace

std::string buildSmsText(const std::vector<SmsCandidate>& candidates, const std::vector<LookupRow>& lookup) {
  const ContactNames names(lookup);
  std::string text;
  for (const SmsCandidate& sms : candidates) {
    // A candidate with neither address nor body carries nothing of a message: zeroed free
    // space decodes into such records, and a line of "N/A" fields would be a phantom.
    if (writesNothing(sms.address) && writesNothing(sms.body)) continue;
    text += names.nameFor(sms.address);
    text += '\t';
    text += sms.address.empty() ? std::string(kNotAvailable) : textField(sms.address);
    text += '\t';
    text += sms.body.empty() ? std::string(kNotAvailable) : textField(sms.body);
    text += kLineEnd;
  }
  return text;
}

}  // namespace engine

void SqliteParse::saveContactRecover2File(const std::string& /*unused*/) {
  recoveredText += engine::buildContactText(recoveredContacts);
}

void SqliteParse::saveSmsRecover2File(const std::string& /*unused*/) {
  recoveredText += engine::buildSmsText(recoveredSms, contactLookup);
}
