#include "PhoneOnDisk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <utility>

#include "expected.h"

namespace samplephonetest {

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
  std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  in.seekg(0);
  in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

fs::path makePhone(const std::string& name, const std::string& options) {
  fs::path dir = fs::path(SAMPLE_PHONE_SCRATCH) / name;
  fs::remove_all(dir);
  std::string command =
      std::string("\"") + SAMPLE_PHONE_EXE + "\" " + options + " \"" + dir.string() + "\" > /dev/null";
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << "failed: " << command;
  return dir;
}

std::vector<Record> readExpected(const fs::path& dir, const std::string& kind) {
  std::vector<Record> records;
  for (Record& fields : samplephone::readExpectedLines((dir / "expected-deleted.tsv").string())) {
    if (fields[0] != kind) continue;
    for (std::string& field : fields) field = samplephone::unescapeField(field);
    records.push_back(std::move(fields));
  }
  return records;
}

}  // namespace samplephonetest
