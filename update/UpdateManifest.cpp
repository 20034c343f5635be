// The portable half of the update check: the manifest's address and user agent, reading
// the manifest and the version comparison. Built for both trees so that the reading can be
// tested natively on texts of every shape.
#include <json/json.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "UpdateCheck.h"

// HTTPS only: the answer decides whether the program offers to start its updater, so it must
// come from the maker's site and nobody on the way.
const wchar_t kUpdateManifestUrl[] = L"https://www.quillfen.example/download/update/quillfen_update.txt";
const wchar_t kUpdateUserAgent[] = L"Quillfen@Update";

namespace {

// The check reads the manifest once, at most this many bytes; the rest is never seen.
constexpr size_t kManifestReadLimit = 1024;

// The member of an object, or null when the value is no object or lacks it. Checked first
// because jsoncpp throws on a member lookup in a value of another type.
const Json::Value* FindMember(const Json::Value& object, const char* name) {
    if (!object.isObject()) return nullptr;
    return object.find(name, name + std::strlen(name));
}

// The member's text, or "" when it is absent or not a string. Numbers are not turned into
// text: "Nversion": 3 announces nothing rather than a version "3".
std::string StringMember(const Json::Value& object, const char* name) {
    const Json::Value* member = FindMember(object, name);
    if (member == nullptr || !member->isString()) return std::string();
    return member->asString();
}

// The document, or null when the text is not one whole JSON document: a manifest cut short
// or damaged on its way offers nothing. The reader throws past its nesting limit
// ("[[[[..."); that counts as not parsing.
Json::Value ParseWhole(const char* text, size_t length) {
    Json::Value root;
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    try {
        if (reader->parse(text, text + length, &root, &errors)) return root;
    } catch (const std::exception&) {
    }
    return Json::Value();
}

// A version text as its dotted numbers ("3.0.0.3" -> 3, 0, 0, 3), each kept as its digits
// without leading zeros so that no length overflows; false when the text is not digits
// separated by single dots.
bool VersionParts(const std::string& text, std::vector<std::string>& parts) {
    parts.clear();
    size_t start = 0;
    for (;;) {
        const size_t dot = text.find('.', start);
        const std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos) return false;
        const size_t firstNonZero = part.find_first_not_of('0');
        parts.push_back(firstNonZero == std::string::npos ? "0" : part.substr(firstNonZero));
        if (dot == std::string::npos) return true;
        start = dot + 1;
    }
}

// Compares two numbers given as digits without leading zeros.
int CompareNumbers(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

}  // namespace

UpdateManifest ParseUpdateManifest(const char* text, size_t length) {
    UpdateManifest manifest;
    if (text == nullptr) return manifest;
    const Json::Value root = ParseWhole(text, std::min(length, kManifestReadLimit));
    const Json::Value* entries = FindMember(root, "Retrievo");
    if (entries == nullptr || !entries->isArray() || entries->empty()) return manifest;
    const Json::Value& first = (*entries)[0u];
    manifest.version = StringMember(first, "Version");
    manifest.newestVersion = StringMember(first, "Nversion");
    manifest.updateUrl = StringMember(first, "Update_URL");
    return manifest;
}

bool AnnouncesNewerVersion(const UpdateManifest& manifest, const std::string& ownVersion) {
    std::vector<std::string> newest, own;
    if (!VersionParts(manifest.newestVersion, newest) || !VersionParts(ownVersion, own)) return false;
    // Missing trailing parts count as 0: "3.0.0.3.0" is "3.0.0.3".
    const size_t count = std::max(newest.size(), own.size());
    newest.resize(count, "0");
    own.resize(count, "0");
    for (size_t i = 0; i < count; ++i) {
        const int order = CompareNumbers(newest[i], own[i]);
        if (order != 0) return order > 0;
    }
    return false;
}
