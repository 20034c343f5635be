// Damaged files: every run must end quickly, read nothing outside what it read, and give a
// defined result. A tree that can no longer be followed hides live rows: the run says so,
// and carves nothing from pages whose live rows it could not read, so a live message never
// comes out as deleted. The files start as a sound messages database written by SQLite;
// each case breaks one structure the engine reads itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>

#include "PhoneFixture.h"
#include "SqliteParse.h"

using namespace enginetest;

namespace {

uint32_t be16(const std::vector<uint8_t>& f, size_t at) { return static_cast<uint32_t>(f.at(at)) << 8 | f.at(at + 1); }

void put16(std::vector<uint8_t>& f, size_t at, uint32_t v) {
  f.at(at) = static_cast<uint8_t>(v >> 8);
  f.at(at + 1) = static_cast<uint8_t>(v);
}

void put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
  put16(f, at, v >> 16);
  put16(f, at + 2, v & 0xFFFF);
}

// Where the structures of the sound file are.
struct Layout {
  uint32_t pageSize = 0;
  uint32_t root = 0;
  std::vector<uint32_t> leaves;
  uint32_t chainPage = 0;             // a leaf with at least two freeblocks
  std::vector<uint32_t> chain;        // their offsets
  size_t at(uint32_t page, uint32_t offset = 0) const { return static_cast<size_t>(page - 1) * pageSize + offset; }
};

Layout layoutOf(const std::string& path, const std::vector<uint8_t>& file) {
  Layout layout;
  layout.pageSize = pageSizeOf(file);
  layout.root = rootPageOf(path, "sms");
  layout.leaves = leafPagesOf(path, "sms");
  for (uint32_t page : layout.leaves) {
    std::vector<uint32_t> chain;
    for (uint32_t fb = be16(file, layout.at(page, 1)); fb != 0; fb = be16(file, layout.at(page, fb))) chain.push_back(fb);
    if (chain.size() >= 2) {
      layout.chainPage = page;
      layout.chain = chain;
      break;
    }
  }
  return layout;
}

struct Damage {
  const char* name;
  std::function<void(std::vector<uint8_t>&, const Layout&)> apply;
  // kSoundRows: only rows of the sound file, none twice. kHidden: the same, and the run
  // says that live rows could not be read.
  enum Expect { kSameLines, kSoundRows, kHidden, kNothing, kAnything } expect;
};

class DamagedFile : public ::testing::Test {
 protected:
  void SetUp() override {
    phone_ = std::make_unique<Phone>(dir_);
    std::vector<Message> list;
    for (int id = 1; id <= 150; ++id) list.push_back({id, "5550100", longBody(id)});
    phone_->addMessages(list);
    phone_->deleteMessages("_id % 7 = 3 OR _id IN (40, 41, 42, 43)");
    sound_ = readFile(phone_->smsPath());
    layout_ = layoutOf(phone_->smsPath(), sound_);
    soundText_ = phone_->run(ePaserSms);
  }

  // Runs the messages run over a damaged copy; the run must end within a second.
  std::string runOn(const std::vector<uint8_t>& bytes, engine::RunReport* report = nullptr) {
    writeFile(phone_->smsPath(), bytes);
    const auto start = std::chrono::steady_clock::now();
    SqliteParse parse(phone_->contactsPath(), phone_->smsPath());
    parse.startParse(ePaserSms);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    writeFile(phone_->smsPath(), sound_);
    if (report != nullptr) *report = parse.report();
    return parse.get_contacts_mem();
  }

  TempDir dir_;
  std::unique_ptr<Phone> phone_;
  std::vector<uint8_t> sound_;
  Layout layout_;
  std::string soundText_;
};

}  // namespace

TEST_F(DamagedFile, TheSoundFileHasWhatTheCasesBreak) {
  ASSERT_GT(layout_.leaves.size(), 3u);
  ASSERT_NE(layout_.root, layout_.leaves.front());
  ASSERT_GE(layout_.chain.size(), 2u);
  ASSERT_GE(linesOf(soundText_).size(), 20u);
}

TEST_F(DamagedFile, EveryCaseEndsWithADefinedResult) {
  const uint32_t firstCell = be16(sound_, layout_.at(layout_.root, 12));
  const Damage cases[] = {
      {"interior cell points back to the root",
       [&](auto& f, const Layout& l) { put32(f, l.at(l.root, firstCell), l.root); }, Damage::kHidden},
      {"right-most child is the root itself", [](auto& f, const Layout& l) { put32(f, l.at(l.root, 8), l.root); },
       Damage::kHidden},
      {"every child is the same leaf",
       [&](auto& f, const Layout& l) {
         const uint32_t cells = be16(f, l.at(l.root, 3));
         for (uint32_t i = 0; i < cells; ++i) put32(f, l.at(l.root, be16(f, l.at(l.root, 12 + 2 * i))), l.leaves[0]);
         put32(f, l.at(l.root, 8), l.leaves[0]);
       },
       Damage::kHidden},
      {"child beyond the file", [](auto& f, const Layout& l) { put32(f, l.at(l.root, 8), 0x7FFFFFF0); },
       Damage::kHidden},
      {"children 0 and 1",
       [&](auto& f, const Layout& l) {
         put32(f, l.at(l.root, 8), 0);
         put32(f, l.at(l.root, firstCell), 1);
       },
       Damage::kHidden},
      {"interior cell count beyond the page", [](auto& f, const Layout& l) { put16(f, l.at(l.root, 3), 0xFFFF); },
       Damage::kAnything},
      {"interior cell pointer outside the page", [](auto& f, const Layout& l) { put16(f, l.at(l.root, 12), 0xFFFE); },
       Damage::kHidden},
      {"root is an index page", [](auto& f, const Layout& l) { f.at(l.at(l.root)) = 2; }, Damage::kHidden},
      {"freeblock chain loops onto itself",
       [](auto& f, const Layout& l) { put16(f, l.at(l.chainPage, l.chain[1]), l.chain[1]); }, Damage::kSoundRows},
      {"freeblock chain loops back to its head",
       [](auto& f, const Layout& l) { put16(f, l.at(l.chainPage, l.chain[1]), l.chain[0]); }, Damage::kSoundRows},
      {"freeblock chain ends where it should", [](auto&, const Layout&) {}, Damage::kSameLines},
      {"freeblock chain leaves the page",
       [](auto& f, const Layout& l) { put16(f, l.at(l.chainPage, l.chain[0]), l.pageSize - 2); }, Damage::kSoundRows},
      {"first freeblock inside the page header", [](auto& f, const Layout& l) { put16(f, l.at(l.chainPage, 1), 3); },
       Damage::kSoundRows},
      {"freeblock size runs past the page",
       [](auto& f, const Layout& l) { put16(f, l.at(l.chainPage, l.chain[0] + 2), 0xFFFF); }, Damage::kAnything},
      {"freeblock sizes below their header",
       [](auto& f, const Layout& l) {
         put16(f, l.at(l.chainPage, l.chain[0] + 2), 0);
         put16(f, l.at(l.chainPage, l.chain[1] + 2), 4);
       },
       Damage::kSoundRows},
      {"freeblock size 4 with a header-length byte",
       [](auto& f, const Layout& l) {
         put16(f, l.at(l.chainPage, l.chain[0] + 2), 4);
         f.at(l.at(l.chainPage, l.chain[0] + 4)) = 0x40;
       },
       Damage::kSoundRows},
      {"content start of 0 on every leaf",
       [](auto& f, const Layout& l) {
         for (uint32_t p : l.leaves) put16(f, l.at(p, 5), 0);
       },
       Damage::kAnything},
      {"content start inside the pointer array",
       [](auto& f, const Layout& l) {
         for (uint32_t p : l.leaves) put16(f, l.at(p, 5), 10);
       },
       Damage::kAnything},
      {"leaf cell count beyond the page",
       [](auto& f, const Layout& l) {
         for (uint32_t p : l.leaves) put16(f, l.at(p, 3), 0xFFFF);
       },
       Damage::kAnything},
      {"page size 0", [](auto& f, const Layout&) { put16(f, 16, 0); }, Damage::kNothing},
      {"page size 1000", [](auto& f, const Layout&) { put16(f, 16, 1000); }, Damage::kNothing},
      {"page size 256", [](auto& f, const Layout&) { put16(f, 16, 256); }, Damage::kNothing},
      {"page size 1, read as 65536", [](auto& f, const Layout&) { put16(f, 16, 1); }, Damage::kAnything},
      {"file cut inside the last leaf",
       [](auto& f, const Layout& l) { f.resize(l.at(l.leaves.back(), l.pageSize / 2)); }, Damage::kAnything},
      {"reserved bytes leave less than 480 usable",
       [](auto& f, const Layout&) {
         put16(f, 16, 512);
         f.at(20) = 255;
       },
       Damage::kNothing},
      {"schema format and text encoding out of range",
       [](auto& f, const Layout&) {
         put32(f, 44, 0x7FFFFFFF);
         put32(f, 56, 9);
       },
       Damage::kAnything},
      {"freelist trunk that lists itself and pages beyond the file",
       [](auto& f, const Layout& l) {
         const uint32_t trunk = static_cast<uint32_t>(f.size() / l.pageSize) + 1;
         f.resize(f.size() + l.pageSize, 0);
         put32(f, 32, trunk);
         put32(f, l.at(trunk, 0), trunk);         // next trunk: itself
         put32(f, l.at(trunk, 4), 0xFFFFFFFF);    // leaf count far beyond the page
         put32(f, l.at(trunk, 8), trunk);
         put32(f, l.at(trunk, 12), 0x7FFFFFFF);
         put32(f, l.at(trunk, 16), 1);
       },
       Damage::kSameLines},
      {"freelist trunk is a leaf of the table",
       [](auto& f, const Layout& l) { put32(f, 32, l.leaves[1]); }, Damage::kSameLines},
      {"file cut before the last leaves",
       [](auto& f, const Layout& l) { f.resize(l.at(l.leaves[2], 100)); }, Damage::kSoundRows},
  };

  const std::vector<std::string> soundLines = linesOf(soundText_);
  const std::multiset<std::string> sound(soundLines.begin(), soundLines.end());
  for (const Damage& damage : cases) {
    SCOPED_TRACE(damage.name);
    std::vector<uint8_t> bytes = sound_;
    damage.apply(bytes, layout_);
    engine::RunReport report;
    const std::string text = runOn(bytes, &report);
    const std::vector<std::string> lines = linesOf(text);
    switch (damage.expect) {
      case Damage::kSameLines:
        EXPECT_EQ(text, soundText_);
        break;
      case Damage::kNothing:
        EXPECT_EQ(text, "");
        break;
      case Damage::kSoundRows:
      case Damage::kHidden: {
        // Only records of the sound file, none twice.
        std::multiset<std::string> seen;
        for (const std::string& line : lines) {
          seen.insert(line);
          EXPECT_LE(seen.count(line), sound.count(line)) << line;
        }
        EXPECT_LE(lines.size(), soundLines.size());
        if (damage.expect == Damage::kHidden) {
          EXPECT_FALSE(report.liveRowsComplete);
          EXPECT_NE(report.problem, "");
        }
        break;
      }
      case Damage::kAnything:
        break;  // the run ended in time without reading outside its buffers
    }
  }
}

TEST_F(DamagedFile, AFileThatIsNotADatabaseOrIsMissing) {
  EXPECT_EQ(runOn(std::vector<uint8_t>(100, 0x41)), "");
  EXPECT_EQ(runOn({}), "");
  std::remove(phone_->smsPath().c_str());
  EXPECT_EQ(phone_->run(ePaserSms), "");
}

TEST_F(DamagedFile, AWriteAheadLogThatIsNotOne) {
  const std::string wal = phone_->smsPath() + "-wal";
  const Layout& l = layout_;
  std::vector<uint8_t> frames(32 + 3 * (24 + l.pageSize), 0x5A);
  const struct {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> apply;
  } cases[] = {
      {"garbage", [](std::vector<uint8_t>&) {}},
      {"magic and a page size of its own",
       [](std::vector<uint8_t>& w) {
         put32(w, 0, 0x377F0682);
         put32(w, 8, 512);
       }},
      {"magic and the page size, frames of garbage, the last one cut",
       [&](std::vector<uint8_t>& w) {
         put32(w, 0, 0x377F0683);
         put32(w, 8, l.pageSize);
         for (size_t at = 32; at + 24 <= w.size(); at += 24 + l.pageSize) put32(w, at, l.leaves[0]);
         w.resize(w.size() - 100);
       }},
      {"a copy of a leaf in every frame",
       [&](std::vector<uint8_t>& w) {
         put32(w, 0, 0x377F0682);
         put32(w, 8, l.pageSize);
         for (size_t at = 32; at + 24 + l.pageSize <= w.size(); at += 24 + l.pageSize) {
           put32(w, at, l.chainPage);
           std::copy(sound_.begin() + static_cast<long>(l.at(l.chainPage)),
                     sound_.begin() + static_cast<long>(l.at(l.chainPage + 1)), w.begin() + static_cast<long>(at + 24));
         }
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = frames;
    c.apply(bytes);
    writeFile(wal, bytes);
    // SQLite throws such a log away; the frames that do parse only repeat the file.
    EXPECT_EQ(runOn(sound_), soundText_);
    std::remove(wal.c_str());
  }
}
