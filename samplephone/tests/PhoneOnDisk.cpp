#include "PhoneOnDisk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

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

std::string unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    char c = field[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

std::vector<Record> readExpected(const fs::path& dir, const std::string& kind) {
  std::ifstream in(dir / "expected-deleted.tsv", std::ios::binary);
  std::vector<Record> records;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    Record fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      fields.push_back(unescape(line.substr(start, tab - start)));
    fields.push_back(unescape(line.substr(start)));
    if (fields[0] == kind) records.push_back(fields);
  }
  return records;
}

}  // namespace samplephonetest
