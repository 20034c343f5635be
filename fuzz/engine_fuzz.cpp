// Fuzz entry point of the recovery engine. The first byte chooses what the rest is:
//   0: a contacts2.db, carved by a contacts run;
//   1: an mmssms.db, carved by a messages run (beside a small sound contacts2.db);
//   2: a piece of free space handed straight to the four buffer carvers, after three bytes
//      that choose the column positions.
// Whole runs need a schema SQLite accepts, so the seeds are real databases and most
// mutations land in the pages the engine reads itself.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <sqlite3.h>

#include "Carving.h"
#include "SqliteParse.h"

namespace {

std::string workDir;

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void carveBuffer(const uint8_t* data, size_t size) {
  if (size < 3) return;
  const int count = 1 + data[0] % 24;
  const int first = data[1] % 32;
  const int second = data[2] % 32;
  data += 3;
  size -= 3;
  engine::CarveBuffer buffer;
  const size_t length = std::min(size, engine::CarveBuffer::kCapacity);
  std::memcpy(buffer.prepare(length), data, length);
  std::vector<engine::ContactPair> contacts;
  std::vector<engine::SmsCandidate> messages;
  const engine::ContactColumns contactColumns{first, second, count};
  const engine::SmsColumns smsColumns{first, second, (first + second) % 32, count};
  engine::carveContactFreeblock(buffer, length, contactColumns, contacts);
  engine::carveContactArea(buffer, length, contactColumns, contacts);
  engine::carveSmsFreeblock(buffer, length, smsColumns, messages);
  engine::carveSmsArea(buffer, length, smsColumns, messages);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  char pattern[] = "/tmp/retrievo-fuzz-XXXXXX";
  workDir = mkdtemp(pattern);
  // The contacts database beside the fuzzed messages database: one live contact.
  sqlite3* db = nullptr;
  sqlite3_open((workDir + "/contacts2.sound.db").c_str(), &db);
  sqlite3_exec(db,
               "CREATE TABLE data (_id INTEGER PRIMARY KEY, raw_contact_id INTEGER, data1 TEXT);"
               "INSERT INTO data VALUES (1, 1, 'Alice'), (2, 1, '5550100');",
               nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0] % 3;
  ++data;
  --size;
  if (mode == 2) {
    carveBuffer(data, size);
    return 0;
  }
  const std::string contacts = workDir + "/contacts2.db";
  const std::string sms = workDir + "/mmssms.db";
  for (const char* side : {"-wal", "-shm", "-journal"}) {
    unlink((contacts + side).c_str());
    unlink((sms + side).c_str());
  }
  if (mode == 0) {
    writeFile(contacts, data, size);
    SqliteParse parse(contacts, sms);
    parse.startParse(ePaserContacts);
    (void)parse.get_contacts_mem();
  } else {
    std::ifstream sound(workDir + "/contacts2.sound.db", std::ios::binary);
    std::ofstream(contacts, std::ios::binary | std::ios::trunc) << sound.rdbuf();
    writeFile(sms, data, size);
    SqliteParse parse(contacts, sms);
    parse.startParse(ePaserSms);
    (void)parse.get_contacts_mem();
  }
  return 0;
}
