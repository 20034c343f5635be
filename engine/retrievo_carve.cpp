// retrievo-carve: runs the recovery engine once from the command line and writes the run's
// text, byte for byte, to standard output.
//
//   retrievo-carve contacts|sms CONTACTS_DB SMS_DB

#include <cstdio>
#include <cstring>
#include <string>

#include "SqliteParse.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

const char kUsage[] = "usage: retrievo-carve contacts|sms CONTACTS_DB SMS_DB\n";

bool fileExists(const char* path) {
#ifdef _WIN32
  return _access(path, 0) == 0;
#else
  return access(path, F_OK) == 0;
#endif
}

}  // namespace

int main(int argc, char** argv) {
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
  // The contacts run reads only the contacts database; the messages run needs both, the
  // contacts one to name the senders.
  const char* needed[2] = {argv[2], type == ePaserSms ? argv[3] : nullptr};
  for (const char* path : needed) {
    if (path != nullptr && !fileExists(path)) {
      std::fprintf(stderr, "retrievo-carve: %s: no such file\n", path);
      return 1;
    }
  }

  SqliteParse parse(argv[2], argv[3]);
  parse.startParse(type);
  const std::string text = parse.get_contacts_mem();
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // the text's CR LF must reach the output unchanged
#endif
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) return 1;
  return std::fflush(stdout) == 0 ? 0 : 1;
}
