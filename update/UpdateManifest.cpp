// The portable half of the update check: the manifest's address and user agent, reading
// the manifest and the version comparison. Built for both trees so that the reading can be
// tested natively on texts of every shape.
#include <json/json.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "UpdateCheck.h"

const wchar_t kUpdateManifestUrl[] = L"http://www.quillfen.example/download/update/quillfen_update.txt";
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

// Parses as much of the text as the reader accepts. Its verdict is not needed: whatever
// document it built up to the first error is read like a whole one, so a manifest cut
// short after its first entry still counts. The reader throws only past its nesting limit
// ("[[[[..."); the document built up to there is kept as well.
Json::Value ParseAsFarAsPossible(const char* text, size_t length) {
    Json::Value root;
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    try {
        reader->parse(text, text + length, &root, &errors);
    } catch (const std::exception&) {
    }
    return root;
}

}  // namespace

UpdateManifest ParseUpdateManifest(const char* text, size_t length) {
    UpdateManifest manifest;
    if (text == nullptr) return manifest;
    const Json::Value root = ParseAsFarAsPossible(text, std::min(length, kManifestReadLimit));
    const Json::Value* entries = FindMember(root, "Retrievo");
    if (entries == nullptr || !entries->isArray() || entries->empty()) return manifest;
    const Json::Value& first = (*entries)[0u];
    manifest.version = StringMember(first, "Version");
    manifest.newestVersion = StringMember(first, "Nversion");
    manifest.updateUrl = StringMember(first, "Update_URL");
    return manifest;
}

bool AnnouncesOtherVersion(const UpdateManifest& manifest, const std::string& ownVersion) {
    return !manifest.newestVersion.empty() && manifest.newestVersion != ownVersion;
}
