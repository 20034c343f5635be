// make-sample-phone: writes a sample phone's contacts2.db and mmssms.db, with a known part
// of their rows deleted, and expected-deleted.tsv listing those rows. The same command
// line always writes the same bytes.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "content.h"
#include "expected.h"
#include "writer.h"

namespace {

const char* const kUsage =
    "usage: make-sample-phone [options] OUTDIR\n"
    "  --all-deleted        delete every contact and every message\n"
    "  --secure-delete      delete with secure_delete on (freed space zeroed)\n"
    "  --large              a large synthetic phone (default 100000 messages, 5000 contacts)\n"
    "  --messages N         messages of the large phone (implies --large)\n"
    "  --contacts N         contacts of the large phone (implies --large)\n"
    "  --conversations N    conversations the large phone's messages are spread over (implies --large)\n"
    "  --wal                write-ahead-log mode: the newest rows and deletions only in <db>-wal\n"
    "  --full-text          the providers' full-text tables (words, search_index)\n"
    "  --schema-format N    1 (as Android 2.x) or 4 (default)\n"
    "  --page-size N        512 to 65536, a power of two (default 4096)\n";

struct Arguments {
  std::string outDir;
  bool allDeleted = false;
  bool large = false;
  int messages = 100000;
  int contacts = 5000;
  int conversations = 0;  // 0: as many as the contacts give (half of them, and a tenth more)
  samplephone::WriteOptions write;
};

bool parseCount(const char* text, int low, int high, int& value) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < low || v > high) return false;
  value = static_cast<int>(v);
  return true;
}

bool parse(int argc, char** argv, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--all-deleted") {
      args.allDeleted = true;
    } else if (a == "--secure-delete") {
      args.write.secureDelete = true;
    } else if (a == "--large") {
      args.large = true;
    } else if (a == "--messages" && hasValue) {
      if (!parseCount(argv[++i], 0, 10000000, args.messages)) return false;
      args.large = true;
    } else if (a == "--contacts" && hasValue) {
      if (!parseCount(argv[++i], 0, 1000000, args.contacts)) return false;
      args.large = true;
    } else if (a == "--conversations" && hasValue) {
      if (!parseCount(argv[++i], 1, 1000000, args.conversations)) return false;
      args.large = true;
    } else if (a == "--wal") {
      args.write.wal = true;
    } else if (a == "--full-text") {
      args.write.fullText = true;
    } else if (a == "--schema-format" && hasValue) {
      if (!parseCount(argv[++i], 1, 4, args.write.schemaFormat)) return false;
      if (args.write.schemaFormat != 1 && args.write.schemaFormat != 4) return false;
    } else if (a == "--page-size" && hasValue) {
      int size = 0;
      if (!parseCount(argv[++i], 512, 65536, size) || (size & (size - 1)) != 0) return false;
      args.write.pageSize = size;
    } else if (!a.empty() && a[0] != '-' && args.outDir.empty()) {
      args.outDir = a;
    } else {
      return false;
    }
  }
  return !args.outDir.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (!parse(argc, argv, args)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  try {
    namespace fs = std::filesystem;
    fs::path dir(args.outDir);
    fs::create_directories(dir);
    const fs::path contactsDb = dir / "contacts2.db";
    const fs::path messagesDb = dir / "mmssms.db";
    // SQLite must create both files afresh: a leftover file, journal or log would be reused.
    for (const fs::path& p : {contactsDb, messagesDb}) {
      fs::remove(p);
      for (const char* side : {"-journal", "-wal", "-shm"}) fs::remove(p.string() + side);
    }

    samplephone::Phone phone =
        args.large ? samplephone::largePhone(args.contacts, args.messages, args.conversations)
                   : samplephone::standardPhone();
    if (args.allDeleted) samplephone::deleteEverything(phone);

    samplephone::ContactsResult contacts = samplephone::writeContacts(phone, contactsDb.string(), args.write);
    samplephone::MessagesResult messages = samplephone::writeMessages(phone, messagesDb.string(), args.write);
    samplephone::writeExpected((dir / "expected-deleted.tsv").string(), contactsDb.string(), contacts,
                               messagesDb.string(), messages);
    std::printf("%s: %lu contacts (%lu data rows deleted), %lu conversations (%lu messages deleted)\n",
                dir.string().c_str(), static_cast<unsigned long>(phone.contacts.size()),
                static_cast<unsigned long>(contacts.deleted.size()),
                static_cast<unsigned long>(phone.conversations.size()),
                static_cast<unsigned long>(messages.deleted.size()));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-sample-phone: %s\n", e.what());
    return 1;
  }
}
