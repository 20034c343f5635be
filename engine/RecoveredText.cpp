#include "RecoveredText.h"

#include "SqliteParse.h"
#include "TextCodec.h"

namespace engine {

namespace {

const char kNotAvailable[] = "N/A";
const char kLineEnd[] = "\r\n";

// Appends `n` converted bytes with every CR LF made a single LF and every TAB a space.
void appendEscaped(std::string& out, const char* text, size_t n) {
  const size_t fieldStart = out.size();
  // Ends: every round moves past one line break or TAB, or to the end.
  for (size_t i = 0; i < n;) {
    size_t j = i;
    while (j < n && text[j] != '\n' && text[j] != '\t') ++j;
    out.append(text + i, j - i);
    if (j == n) break;
    if (text[j] == '\n') {
      // CR CR LF would leave CR LF after a single replacement; drop every CR before the LF.
      while (out.size() > fieldStart && out.back() == '\r') out.pop_back();
      out.push_back('\n');
    } else {
      out.push_back(' ');
    }
    i = j + 1;
  }
}

// Appends textField(carved) without making it a string of its own.
void appendTextField(std::string& out, const std::string& carved) {
  std::string storage;
  const char* data = nullptr;
  size_t length = 0;
  ansiView(carved, storage, data, length);
  appendEscaped(out, data, length);
}

// Appends a field as textField() writes it, or "N/A" for an empty one.
void appendField(std::string& text, const std::string& value) {
  if (value.empty()) {
    text += kNotAvailable;
    return;
  }
  appendTextField(text, value);
}

}  // namespace

std::string textField(const std::string& carved) {
  std::string field;
  appendTextField(field, carved);
  return field;
}

std::string contactsText(const std::vector<RecoveredContact>& contacts) {
  std::string text;
  for (const RecoveredContact& contact : contacts) {
    std::string name;
    appendField(name, contact.name);
    if (contact.values.empty() && !contact.name.empty()) {
      text += name;
      text += '\t';
      text += kNotAvailable;
      text += kLineEnd;
    }
    for (const RecoveredContactValue& value : contact.values) {
      text += name;
      text += '\t';
      appendField(text, value.value);
      text += kLineEnd;
    }
  }
  return text;
}

std::string messagesText(const std::vector<RecoveredMessage>& messages) {
  static const std::string kNone;
  size_t size = 0;
  for (const RecoveredMessage& m : messages) {
    size += m.contactName.size() + (m.address ? m.address->size() : 0) + (m.body ? m.body->size() : 0) + 13;
  }
  std::string text;
  text.reserve(size);
  for (const RecoveredMessage& m : messages) {
    appendField(text, m.contactName);
    text += '\t';
    appendField(text, m.address ? *m.address : kNone);
    text += '\t';
    appendField(text, m.body ? *m.body : kNone);
    text += kLineEnd;
  }
  return text;
}

}  // namespace engine
