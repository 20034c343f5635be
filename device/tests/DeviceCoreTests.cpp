// What the real client and phone print, read for the pull's decisions, and the check that
// a database copy is whole: tables of real outputs and of damaged copies.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ClientWords.h"
#include "CopyCheck.h"

TEST(ClientWords, RealOutputsAreReadForTheirCause) {
  struct Case {
    const char* output;
    ClientSays says;
    const char* line;
  };
  const Case cases[] = {
      {"adb: no devices/emulators found\n", ClientSays::kNoDevice, "adb: no devices/emulators found"},
      {"error: device not found\r\n", ClientSays::kNoDevice, "error: device not found"},
      {"adb: device unauthorized.\nThis adb server's $ADB_VENDOR_KEYS is not set\nTry 'adb kill-server' if that "
       "seems wrong.\nOtherwise check for a confirmation dialog on your device.\n",
       ClientSays::kUnauthorized, "adb: device unauthorized."},
      {"error: device offline\n", ClientSays::kOffline, "error: device offline"},
      {"* daemon not running; starting now at tcp:5037\n* failed to start daemon\nadb: cannot connect to daemon\n",
       ClientSays::kServerFailed, "adb: cannot connect to daemon"},
      {"/system/bin/sh: su: not found\r\n", ClientSays::kSuMissing, "/system/bin/sh: su: not found"},
      {"/system/bin/sh: su: inaccessible or not found\n", ClientSays::kSuMissing,
       "/system/bin/sh: su: inaccessible or not found"},
      {"su: invalid uid/gid '-c'\n", ClientSays::kSuSyntax, "su: invalid uid/gid '-c'"},
      {"Permission denied\n", ClientSays::kPermissionDenied, "Permission denied"},
      {"adb: error: failed to stat remote object '/data/x': Permission denied\n", ClientSays::kPermissionDenied,
       "adb: error: failed to stat remote object '/data/x': Permission denied"},
      {"remote object '/data/x' does not exist\n", ClientSays::kNoSuchFile, "remote object '/data/x' does not exist"},
      {"stat: '/data/x': No such file or directory\n", ClientSays::kNoSuchFile,
       "stat: '/data/x': No such file or directory"},
      {"error: closed\n", ClientSays::kExecOutMissing, "error: closed"},
      // A device word wins over what the command said, wherever it stands.
      {"cat: /data/x: Permission denied\nadb: device offline\n", ClientSays::kOffline, "adb: device offline"},
      // A tool that is missing is no missing su.
      {"/system/bin/sh: stat: not found\n", ClientSays::kNothingKnown, "/system/bin/sh: stat: not found"},
      {"", ClientSays::kNothingKnown, ""},
  };
  for (const Case& c : cases) {
    const ClientWords words = ReadClientWords(c.output);
    EXPECT_EQ(words.says, c.says) << c.output;
    EXPECT_EQ(words.line, c.line) << c.output;
  }
}

TEST(ClientWords, NumbersSizesAndRootAreReadFromEveryToolbox) {
  uint64_t v = 0;
  EXPECT_TRUE(ParseNumber("157286400\r\n", &v));
  EXPECT_EQ(v, 157286400u);
  EXPECT_FALSE(ParseNumber("/system/bin/sh: stat: not found\r\n", &v));
  EXPECT_FALSE(ParseNumber("12 34\n", &v));
  EXPECT_FALSE(ParseNumber("", &v));
  const std::pair<const char*, uint64_t> listings[] = {
      {"-rw-rw---- 1 radio radio 409600 2019-01-31 12:00 /data/x/mmssms.db\n", 409600},       // toybox
      {"-rw-rw---- radio    radio      409600 2015-01-31 12:00 mmssms.db\r\n", 409600},       // toolbox
      {"-rw-rw----    1 radio    radio       409600 Jan 31 12:00 /data/x/mmssms.db\n", 409600}, // busybox
  };
  for (const auto& listing : listings) {
    v = 0;
    EXPECT_TRUE(ParseListingSize(listing.first, &v)) << listing.first;
    EXPECT_EQ(v, listing.second) << listing.first;
  }
  EXPECT_FALSE(ParseListingSize("ls: /data/x: No such file or directory\n", &v));
  EXPECT_TRUE(AnswersAsRoot("uid=0(root) gid=0(root) groups=0(root) context=u:r:magisk:s0\r\n"));
  EXPECT_FALSE(AnswersAsRoot("uid=2000(shell) gid=2000(shell)\n"));
  EXPECT_FALSE(AnswersAsRoot("uid=01(x)"));
  EXPECT_FALSE(AnswersAsRoot("su: invalid uid/gid '-c'\n"));
  EXPECT_TRUE(ParsePulledBytes("/data/x: 1 file pulled, 0 skipped. 10.0 MB/s (409600 bytes in 0.039s)\n", &v));
  EXPECT_EQ(v, 409600u);
}

namespace {

std::vector<uint8_t> Header(uint32_t pageSize, bool wal, uint32_t pageCount, bool countValid) {
  std::vector<uint8_t> h(100, 0);
  std::memcpy(h.data(), "SQLite format 3", 16);
  h[16] = static_cast<uint8_t>(pageSize == 65536 ? 0 : pageSize >> 8);
  h[17] = static_cast<uint8_t>(pageSize == 65536 ? 1 : pageSize);
  h[18] = h[19] = wal ? 2 : 1;
  h[27] = 7;                 // change counter
  h[95] = countValid ? 7 : 6;  // version-valid-for
  for (int i = 0; i < 4; ++i) h[28 + i] = static_cast<uint8_t>(pageCount >> (24 - 8 * i));
  return h;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t n) {
  bytes.resize(n);
  return bytes;
}

}  // namespace

TEST(CopyCheck, OnlyWholeDatabasesCount) {
  struct Case {
    const char* name;
    std::vector<uint8_t> head;
    uint64_t size;
    bool journal;
    bool whole;
  };
  const Case cases[] = {
      {"rollback, all pages", Header(4096, false, 10, true), 40960, false, true},
      {"rollback, last page missing", Header(4096, false, 10, true), 36864, false, false},
      {"cut inside a page", Header(4096, false, 10, true), 40000, false, false},
      {"stale count, whole pages", Header(4096, false, 10, false), 36864, false, true},
      {"write-ahead log: whole pages, count behind", Header(4096, true, 10, true), 49152, false, true},
      {"write-ahead log cut inside a page", Header(4096, true, 10, true), 49000, false, false},
      {"hot journal beside it: whole pages", Header(4096, false, 10, true), 45056, true, true},
      {"65536-byte pages", Header(65536, false, 2, true), 131072, false, true},
      {"nothing arrived", Header(4096, false, 10, true), 0, false, false},
      {"an error message instead", std::vector<uint8_t>(100, 'c'), 4096, false, false},
      {"header cut short", Cut(Header(4096, false, 1, true), 50), 50, false, false},
  };
  for (const Case& c : cases) {
    std::string why;
    EXPECT_EQ(IsWholeDatabase(c.head.data(), c.head.size(), c.size, c.journal, &why), c.whole) << c.name;
    EXPECT_EQ(why.empty(), c.whole) << c.name << ": " << why;
  }
}
