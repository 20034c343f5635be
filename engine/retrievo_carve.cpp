// retrievo-carve: runs the recovery engine once from the command line and writes the run's
// text, byte for byte, to standard output; what went wrong, if anything, to standard error.
// With --records it writes the run's typed records instead, one JSON object a line, every
// field the engine carved (null for what it did not).
//
//   retrievo-carve [--records] contacts|sms CONTACTS_DB SMS_DB

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "SqliteParse.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

const char kUsage[] = "usage: retrievo-carve [--records] contacts|sms CONTACTS_DB SMS_DB\n";

bool fileExists(const char* path) {
#ifdef _WIN32
  return _access(path, 0) == 0;
#else
  return access(path, F_OK) == 0;
#endif
}

// JSON text of a UTF-8 string (the engine hands out valid UTF-8 only).
std::string json(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}
std::string json(const std::optional<std::string>& text) { return text ? json(*text) : "null"; }
std::string json(const std::optional<int64_t>& number) { return number ? std::to_string(*number) : "null"; }

std::string recordsOf(const SqliteParse& parse, ePaserType type) {
  std::string out;
  if (type == ePaserContacts) {
    for (const engine::RecoveredContact& c : parse.contacts()) {
      out += "{\"rawContactId\":" + json(c.rawContactId) + ",\"name\":" + json(c.name) +
             ",\"givenName\":" + json(c.givenName) + ",\"familyName\":" + json(c.familyName) + ",\"values\":[";
      for (size_t i = 0; i < c.values.size(); ++i) {
        const engine::RecoveredContactValue& v = c.values[i];
        out += std::string(i ? "," : "") + "{\"dataId\":" + json(v.dataId) + ",\"mimetype\":" + json(v.mimetype) +
               ",\"value\":" + json(v.value) + ",\"typeCode\":" + json(v.typeCode) + ",\"label\":" + json(v.label) +
               ",\"origin\":" + json(std::string(engine::originName(v.origin))) + "}";
      }
      out += "]}\n";
    }
    return out;
  }
  for (const engine::RecoveredMessage& m : parse.messages()) {
    out += "{\"id\":" + json(m.id) + ",\"threadId\":" + json(m.threadId) + ",\"address\":" + json(m.address) +
           ",\"person\":" + json(m.person) + ",\"date\":" + json(m.date) + ",\"dateSent\":" + json(m.dateSent) +
           ",\"type\":" + json(m.type) + ",\"read\":" + json(m.read) + ",\"subject\":" + json(m.subject) +
           ",\"body\":" + json(m.body) + ",\"contactName\":" + json(m.contactName) +
           ",\"origin\":" + json(std::string(engine::originName(m.origin))) + "}\n";
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const bool records = argc > 1 && std::strcmp(argv[1], "--records") == 0;
  if (records) {
    --argc;
    ++argv;
  }
  if (argc != 4) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  ePaserType type;
  if (std::strcmp(argv[1], "contacts") == 0) {
    type = ePaserContacts;
  } else if (std::strcmp(argv[1], "sms") == 0) {
    type = ePaserSms;
  } else {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // Each run needs its own database; the messages run reads the contacts database too,
  // when there is one, to name the senders.
  const char* needed = type == ePaserSms ? argv[3] : argv[2];
  if (!fileExists(needed)) {
    std::fprintf(stderr, "retrievo-carve: %s: no such file\n", needed);
    return 1;
  }

  SqliteParse parse(argv[2], argv[3]);
  parse.startParse(type);
  const std::string text = records ? recordsOf(parse, type) : parse.get_contacts_mem();
  if (!parse.report().problem.empty()) std::fprintf(stderr, "retrievo-carve: %s\n", parse.report().problem.c_str());
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // the text's CR LF must reach the output unchanged
#endif
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) return 1;
  return std::fflush(stdout) == 0 ? 0 : 1;
}
