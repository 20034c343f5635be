// The pull end to end against each emulated phone: rooted phones of every kind give copies
// identical to the phone's files and leave the phone as it was; every other phone ends in
// a failure that names its cause with the client's own words.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EmulatedPhone.h"
#include "WindowsTestFiles.h"

namespace {

using testfiles::ReadFile;
using testfiles::TempFolder;

const char kContacts[] = "/data/data/com.android.providers.contacts/databases/contacts2.db";
const char kMessages6[] = "/data/data/com.android.providers.telephony/databases/mmssms.db";
const char kMessages7[] = "/data/user_de/0/com.android.providers.telephony/databases/mmssms.db";

struct PhoneLayout {
  bool android7 = true;  // the messages database in device-protected storage
  bool wal = true;       // both databases with an uncheckpointed log
  bool journal = false;  // the contacts database in the middle of a transaction
};

// Puts both databases and their side files on the phone; returns their phone paths.
std::vector<std::string> FillPhone(EmulatedPhone& phone, const PhoneLayout& layout) {
  const std::string messages = layout.android7 ? kMessages7 : kMessages6;
  std::vector<std::string> paths = {kContacts, messages};
  phone.Put(kContacts, DatabaseBytes(1, 20, layout.wal));
  phone.Put(messages, DatabaseBytes(2, 33, layout.wal));
  if (layout.wal) {
    phone.Put(std::string(kContacts) + "-wal", NoiseBytes(3, 32 + 3 * (24 + 4096)));
    phone.Put(messages + "-wal", NoiseBytes(4, 32 + 5 * (24 + 4096)));
    paths.push_back(std::string(kContacts) + "-wal");
    paths.push_back(messages + "-wal");
  }
  if (layout.journal) {
    phone.Put(std::string(kContacts) + "-journal", NoiseBytes(5, 5000));
    paths.push_back(std::string(kContacts) + "-journal");
  }
  return paths;
}

// The local copy of a phone file: the database's copy path with the side file's suffix.
std::string CopyOf(const std::string& phonePath, const std::string& contactsCopy, const std::string& messagesCopy) {
  const bool contacts = phonePath.find("contacts2.db") != std::string::npos;
  const std::string db = contacts ? "contacts2.db" : "mmssms.db";
  const std::string suffix = phonePath.substr(phonePath.find(db) + db.size());
  return (contacts ? contactsCopy : messagesCopy) + suffix;
}

bool AnyCommandStartsWith(const EmulatedPhone& phone, const std::string& prefix) {
  for (const std::string& command : phone.Commands()) {
    if (command.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

// The copies go to a folder whose name is no ANSI text, as a user's profile may be.
std::string CopyFolder(const TempFolder& dir) { return dir.path() + "\\Kopien K\xC3\xA4the \xE6\x95\xB0\xE6\x8D\xAE"; }

enum class Road { kExecOut, kPhoneFolder, kPlainPull };

struct RootedPhone {
  const char* name;
  const char* scenario;
  PhoneLayout layout;
  const char* modes;        // phone-modes.txt before the pull
  const char* rootCommand;  // the su form that must have answered
  Road road;
};

}  // namespace

TEST(PullPhones, EveryReadablePhoneGivesIdenticalCopiesAndStaysAsItWas) {
  const std::string readable = std::string("0666 radio ") + kContacts + "\r\n0666 radio " + kMessages6 + "\r\n";
  const RootedPhone phones[] = {
      {"Magisk on Android 9, SELinux enforcing", "", {true, true, false}, "", "su -c", Road::kExecOut},
      {"engineering build of Android 7.1", "sdk = 25\nsu = 0 root\n", {true, true, false}, "", "su 0", Road::kExecOut},
      {"Android 6 whose su takes only a user name, permissive", "sdk = 23\nsu = root\nenforcing = no\n",
       {false, false, true}, "", "su root", Road::kExecOut},
      {"Android 4.4: CR LF terminal, no exec-out, no stat", "sdk = 19\nsu = 0 root\n", {false, false, true}, "",
       "su 0", Road::kPhoneFolder},
      {"Android 4.1 with readable databases and no su", "sdk = 16\nsu = none\n", {false, false, false},
       readable.c_str(), "", Road::kPlainPull},
      {"Magisk on Android 8 with a client older than exec-out", "sdk = 26\nclient-exec-out = no\n",
       {true, true, false}, "", "su -c", Road::kPhoneFolder},
      {"a phone whose adbd refuses exec-out", "sdk = 22\nexec-out = no\n", {false, true, false}, "", "su -c",
       Road::kPhoneFolder},
      {"a client whose server starts slower than the quick cut-off", "server-ms = 4500\n", {true, true, false}, "",
       "su -c", Road::kExecOut},
  };
  for (const RootedPhone& p : phones) {
    SCOPED_TRACE(p.name);
    TempFolder dir("phone");
    EmulatedPhone phone(dir.path(), p.scenario);
    const std::vector<std::string> onPhone = FillPhone(phone, p.layout);
    phone.SetModes(p.modes);
    const std::string contacts = CopyFolder(dir) + "\\contacts2.db";
    const std::string messages = CopyFolder(dir) + "\\mmssms.db";
    CreateDirectoryW(Wide(CopyFolder(dir)).c_str(), nullptr);

    const PullRun run = RunPull(dir.path(), contacts, messages);
    ASSERT_TRUE(run.done);
    EXPECT_EQ(run.result.failure, PullFailure::kNone) << run.result.detail;
    EXPECT_TRUE(run.result.contactsWhole);
    EXPECT_TRUE(run.result.messagesWhole);
    EXPECT_EQ(run.result.rootCommand, p.rootCommand);
    EXPECT_EQ(run.result.files.size(), onPhone.size());
    for (const std::string& phonePath : onPhone) {
      EXPECT_TRUE(SameFiles(phone.Local(phonePath), CopyOf(phonePath, contacts, messages))) << phonePath;
    }
    EXPECT_EQ(FileExists(contacts + "-wal"), p.layout.wal);
    EXPECT_EQ(FileExists(contacts + "-journal"), p.layout.journal);
    // Nothing changed on the phone and nothing left behind.
    EXPECT_EQ(phone.Modes(), p.modes);
    EXPECT_FALSE(phone.ChangedAModeOutsideTemp());
    EXPECT_TRUE(phone.TempEntries().empty()) << phone.TempEntries().front();
    EXPECT_TRUE(AnyCommandStartsWith(phone, "start-server"));
    switch (p.road) {
      case Road::kExecOut:
        EXPECT_TRUE(AnyCommandStartsWith(phone, std::string("exec-out ") + p.rootCommand));
        EXPECT_FALSE(AnyCommandStartsWith(phone, "pull"));
        break;
      case Road::kPhoneFolder:
        EXPECT_TRUE(AnyCommandStartsWith(phone, "pull /data/local/tmp/quillfen-retrievo-"));
        break;
      case Road::kPlainPull:
        EXPECT_TRUE(AnyCommandStartsWith(phone, std::string("pull ") + kContacts));
        EXPECT_FALSE(AnyCommandStartsWith(phone, "shell su"));
        break;
    }
  }
}

namespace {

struct FailingPhone {
  const char* name;
  const char* scenario;  // nullptr: no client at all
  std::vector<std::string> missing;
  PullFailure cause;
  const char* words;  // what the detail must hold
  bool contactsWhole;
};

}  // namespace

TEST(PullFailures, EachCauseIsNamedWithTheClientsOwnWords) {
  const FailingPhone phones[] = {
      {"no client program", nullptr, {}, PullFailure::kClientMissing, "quillfen-retrievo-adb-help.exe", false},
      {"no phone", "mode = no-device\n", {}, PullFailure::kNoDevice, "no devices/emulators found", false},
      {"a phone that has not accepted this PC", "mode = unauthorized\n", {}, PullFailure::kUnauthorized,
       "device unauthorized", false},
      {"an offline phone", "mode = offline\n", {}, PullFailure::kOffline, "device offline", false},
      {"a client that never answers", "mode = hang\n", {}, PullFailure::kClientFailed, "start-server", false},
      {"Android 7 without su", "sdk = 25\nsu = none\n", {}, PullFailure::kNotRooted, "su: not found", false},
      {"Android 10 without su", "sdk = 29\nsu = none\n", {}, PullFailure::kNotRooted, "su: inaccessible or not found",
       false},
      {"root refused on the phone", "su-refused = yes\n", {}, PullFailure::kRootRefused, "Permission denied", false},
      {"reading refused even as root", "read-refused = yes\n", {}, PullFailure::kReadRefused, "Permission denied",
       false},
      {"reading refused on an old phone without exec-out", "sdk = 19\nsu = 0 root\nread-refused = yes\n", {},
       PullFailure::kReadRefused, "Permission denied", false},
      {"no databases on the phone", "", {kContacts, kMessages6, kMessages7}, PullFailure::kNotFound,
       "No such file or directory", false},
      {"no messages database", "", {kMessages6, kMessages7}, PullFailure::kNotFound, "No such file or directory", true},
  };
  for (const FailingPhone& p : phones) {
    SCOPED_TRACE(p.name);
    TempFolder dir("failing");
    const std::string contacts = dir.path() + "\\copies\\contacts2.db";
    const std::string messages = dir.path() + "\\copies\\mmssms.db";
    CreateDirectoryW(Wide(dir.path() + "\\copies").c_str(), nullptr);
    PullLimits limits = RealLimits();
    limits.serverMs = 1500;  // the real 15 s would only make the hanging client slower
    std::unique_ptr<EmulatedPhone> phone;
    if (p.scenario) {
      std::string scenario = p.scenario;
      for (const std::string& path : p.missing) scenario += "missing = " + path + "\n";
      phone.reset(new EmulatedPhone(dir.path(), scenario));
      FillPhone(*phone, PhoneLayout());
    }
    const PullRun run = RunPull(dir.path(), contacts, messages, limits);
    ASSERT_TRUE(run.done);
    EXPECT_EQ(run.result.failure, p.cause) << run.result.detail;
    EXPECT_NE(run.result.detail.find(p.words), std::string::npos) << run.result.detail;
    EXPECT_NE(std::wstring(PullFailureText(p.cause)), L"");
    EXPECT_EQ(run.result.contactsWhole, p.contactsWhole);
    EXPECT_FALSE(run.result.messagesWhole);
    EXPECT_EQ(FileExists(contacts), p.contactsWhole);
    EXPECT_FALSE(FileExists(messages));
    EXPECT_FALSE(FileExists(messages + "-wal"));
    if (phone) {
      EXPECT_EQ(phone->Modes(), "");
      EXPECT_TRUE(phone->TempEntries().empty());
      EXPECT_TRUE(WaitForNoClients(dir.path(), 3000));
    }
  }
}

// A file the pull did not make (left by an earlier scan, or planted as a link) is never
// written through or over: that copy fails, the file stays as it was.
TEST(PullCopies, AFileAlreadyAtACopysPathIsLeftAsItWas) {
  TempFolder dir("existing");
  EmulatedPhone phone(dir.path(), "");
  FillPhone(phone, PhoneLayout());
  const std::string contacts = dir.path() + "\\copies\\contacts2.db";
  const std::string messages = dir.path() + "\\copies\\mmssms.db";
  WriteBytes(contacts + "-wal", "not the pull's");
  const PullRun run = RunPull(dir.path(), contacts, messages);
  ASSERT_TRUE(run.done);
  EXPECT_EQ(run.result.failure, PullFailure::kLocalCopy) << run.result.detail;
  EXPECT_NE(run.result.detail.find("contacts2.db-wal"), std::string::npos) << run.result.detail;
  EXPECT_EQ(ReadFile(contacts + "-wal"), "not the pull's");
  EXPECT_FALSE(run.result.contactsWhole);
  EXPECT_FALSE(FileExists(contacts)) << "a database copy without its log was kept";
  EXPECT_TRUE(run.result.messagesWhole);
  EXPECT_TRUE(SameFiles(phone.Local(kMessages7), messages));
}
