// Large and slow copies: a big database arrives whole however long it takes while it keeps
// coming, a copy that stops coming is cut off and not kept, a short copy is tried once
// more, and a cancel ends the client at once.
#include <gtest/gtest.h>

#include <string>

#include "EmulatedPhone.h"
#include "WindowsTestFiles.h"

namespace {

using testfiles::TempFolder;

const char kContacts[] = "/data/data/com.android.providers.contacts/databases/contacts2.db";
const char kMessages7[] = "/data/user_de/0/com.android.providers.telephony/databases/mmssms.db";

// Writes a database of `pages` pages of 4096 bytes straight to the phone, a megabyte at a
// time, so that the test never holds it whole.
void PutLargeDatabase(EmulatedPhone& phone, const std::string& phonePath, uint32_t pages) {
  const std::string path = phone.Local(phonePath);
  WriteBytes(path, "");  // makes the folders
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const uint32_t pagesPerChunk = 256;
  for (uint32_t first = 0; first < pages; first += pagesPerChunk) {
    const uint32_t n = pages - first < pagesPerChunk ? pages - first : pagesPerChunk;
    std::string chunk = NoiseBytes(first + 11, 4096u * n);
    if (first == 0) chunk.replace(0, 100, DatabaseHeader(pages, false));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr));
  }
  CloseHandle(h);
}

}  // namespace

TEST(PullLarge, A150MegabyteDatabaseServedSlowlyArrivesWhole) {
  TempFolder dir("large");
  // 16 pieces over 8 s: far beyond the old 3 s cut-off, never idle for long.
  EmulatedPhone phone(dir.path(), "pull-ms = 8000\n");
  const uint32_t pages = 150u * 1024 * 1024 / 4096;
  PutLargeDatabase(phone, kMessages7, pages);
  const std::string messages = dir.path() + "\\mmssms.db";

  const PullRun run = RunPull(dir.path(), "", messages);
  ASSERT_TRUE(run.done);
  EXPECT_EQ(run.result.failure, PullFailure::kNone) << run.result.detail;
  EXPECT_TRUE(run.result.messagesWhole);
  EXPECT_TRUE(SameFiles(phone.Local(kMessages7), messages));
  EXPECT_EQ(run.bytesCopied, static_cast<uint64_t>(pages) * 4096);
  EXPECT_GT(run.seconds, 7.5);
  // The connect page heard of the growth, at most five times a second.
  EXPECT_GE(run.progressMessages, 10);
  EXPECT_LE(run.progressMessages, static_cast<int>(run.seconds * 5) + 2);
  DeleteFileW(Wide(phone.Local(kMessages7)).c_str());
}

// A cable pulled in the middle: the copy stops growing; the client is ended after the idle
// limit (shortened here), tried once more, and nothing is kept. Both roads: the stream and
// the phone folder of phones without exec-out, whose folder is removed all the same.
TEST(PullLarge, ACopyThatStopsComingIsCutOffAndNotKept) {
  for (const char* scenario : {"stall-after = 100000\n", "sdk = 19\nsu = 0 root\nstall-after = 100000\n"}) {
    SCOPED_TRACE(scenario);
    TempFolder dir("stall");
    EmulatedPhone phone(dir.path(), scenario);
    phone.Put(kContacts, DatabaseBytes(1, 100, false));
    PullLimits limits = RealLimits();
    limits.copyIdleMs = 1500;
    const std::string contacts = dir.path() + "\\contacts2.db";
    const PullRun run = RunPull(dir.path(), contacts, "", limits);
    ASSERT_TRUE(run.done);
    EXPECT_EQ(run.result.failure, PullFailure::kIncomplete) << run.result.detail;
    EXPECT_NE(run.result.detail.find("100000 of 409600 bytes"), std::string::npos) << run.result.detail;
    EXPECT_FALSE(run.result.contactsWhole);
    EXPECT_FALSE(FileExists(contacts));
    EXPECT_LT(run.seconds, 20.0);
    EXPECT_TRUE(phone.TempEntries().empty());
    EXPECT_TRUE(WaitForNoClients(dir.path(), 3000));
  }
}

TEST(PullLarge, AShortCopyIsTriedOnceMoreAndArrivesWhole) {
  TempFolder dir("short");
  EmulatedPhone phone(dir.path(), "short-once = yes\n");
  phone.Put(kContacts, DatabaseBytes(1, 50, true));
  phone.Put(std::string(kContacts) + "-wal", NoiseBytes(2, 9000));
  const std::string contacts = dir.path() + "\\contacts2.db";
  const PullRun run = RunPull(dir.path(), contacts, "");
  ASSERT_TRUE(run.done);
  EXPECT_EQ(run.result.failure, PullFailure::kNone) << run.result.detail;
  EXPECT_TRUE(SameFiles(phone.Local(kContacts), contacts));
  EXPECT_TRUE(SameFiles(phone.Local(std::string(kContacts) + "-wal"), contacts + "-wal"));
  int streams = 0;
  for (const std::string& command : phone.Commands()) streams += command.compare(0, 8, "exec-out") == 0;
  EXPECT_EQ(streams, 4) << "each file streamed twice";
}

TEST(PullCancel, ACancelEndsTheClientAtOnceAndKeepsNoCopy) {
  TempFolder dir("cancel");
  EmulatedPhone phone(dir.path(), "pull-ms = 30000\n");
  phone.Put(kContacts, DatabaseBytes(1, 500, false));
  const std::string contacts = dir.path() + "\\contacts2.db";
  double cancelledAt = 0;
  const PullRun run = RunPull(dir.path(), contacts, dir.path() + "\\mmssms.db", RealLimits(),
                              [&](PullStatus& status, double seconds) {
                                if (cancelledAt == 0 && status.bytesCopied > 0) {
                                  cancelledAt = seconds;
                                  status.Cancel();
                                }
                              });
  ASSERT_TRUE(run.done);
  ASSERT_GT(cancelledAt, 0);
  EXPECT_LT(run.seconds - cancelledAt, 1.5);
  EXPECT_EQ(run.result.failure, PullFailure::kCancelled);
  EXPECT_FALSE(FileExists(contacts));
  EXPECT_TRUE(WaitForNoClients(dir.path(), 3000));
}
