// Helpers of the sample phone's tests: run make-sample-phone into a scratch folder, read
// files and the list of deleted rows back.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace samplephonetest {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path);

// Writes a phone into a fresh folder below the scratch folder and returns that folder.
fs::path makePhone(const std::string& name, const std::string& options = "");

// The record lines of expected-deleted.tsv whose first field is `kind`, fields unescaped.
using Record = std::vector<std::string>;
std::vector<Record> readExpected(const fs::path& dir, const std::string& kind);

}  // namespace samplephonetest
