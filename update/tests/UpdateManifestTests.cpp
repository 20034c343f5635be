// Reading the update manifest and deciding whether to ask: texts of every shape the web
// site (or whatever answers in its place) may send. Nothing here may throw or crash; a
// text that does not hold the expected shape announces nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "UpdateCheck.h"

namespace {

const std::string kOwnVersion = "3.0.0.3";

UpdateManifest Parse(const std::string& text) { return ParseUpdateManifest(text.data(), text.size()); }

// The manifest as the web site writes it, announcing `newest`.
std::string Manifest(const std::string& newest) {
    return R"({"Retrievo":[{"Version":"3.0.0.1","Nversion":")" + newest +
           R"(","Update_URL":"http://www.quillfen.example/download/Updrava.zip"}]})";
}

// A whole manifest padded with spaces inside its object to exactly `size` bytes, so
// the entry lies at its start and the document only closes at its end.
std::string PaddedManifest(const std::string& newest, size_t size) {
    const std::string head = R"({"Retrievo":[{"Nversion":")" + newest + R"("}])";
    const std::string tail = "}";
    return head + std::string(size - head.size() - tail.size(), ' ') + tail;
}

TEST(WellFormedManifest, ReadsTheThreeStringsOfTheFirstEntry) {
    const UpdateManifest m = Parse(Manifest("3.0.0.4"));
    EXPECT_EQ(m.version, "3.0.0.1");
    EXPECT_EQ(m.newestVersion, "3.0.0.4");
    EXPECT_EQ(m.updateUrl, "http://www.quillfen.example/download/Updrava.zip");
    EXPECT_EQ(Parse(R"({"Retrievo":[{"Nversion":"3.0.0.3"},{"Nversion":"9.9.9.9"}]})").newestVersion,
              "3.0.0.3");
}

TEST(WellFormedManifest, ToleratesWhatEditorsAndServersAdd) {
    // Byte-order mark, other members, CR LF line ends, comments, text after the document.
    EXPECT_EQ(Parse("\xEF\xBB\xBF" + Manifest("3.0.0.4")).newestVersion, "3.0.0.4");
    EXPECT_EQ(Parse(R"({"Other":1,"Retrievo":[{"Nversion":"3.0.0.4","Notes":[1,{"a":null}]}]})")
                  .newestVersion,
              "3.0.0.4");
    EXPECT_EQ(Parse("{\r\n  \"Retrievo\" : [ {\r\n \"Nversion\" : \"3.0.0.4\" } ]\r\n}\r\n").newestVersion,
              "3.0.0.4");
    EXPECT_EQ(Parse("// newest\n{\"Retrievo\":[{\"Nversion\":\"3.0.0.4\"}]}").newestVersion, "3.0.0.4");
    EXPECT_EQ(Parse(Manifest("3.0.0.4") + "\n<!-- served by -->").newestVersion, "3.0.0.4");
}

// Whether the user is asked: only for a version newer than our own, by the numbers of its
// dotted parts. Anybody who can change the answer could otherwise make the program offer its
// updater for an old version, or for any text at all.
struct VersionCase {
    const char* newest;
    bool asks;
};

class VersionComparison : public testing::TestWithParam<VersionCase> {};

TEST_P(VersionComparison, AsksOnlyForANewerVersion) {
    const VersionCase c = GetParam();
    EXPECT_EQ(AnnouncesNewerVersion(Parse(Manifest(c.newest)), kOwnVersion), c.asks) << '"' << c.newest << '"';
}

INSTANTIATE_TEST_SUITE_P(Announcements, VersionComparison,
                         testing::Values(VersionCase{"3.0.0.3", false},     // our own version
                                         VersionCase{"", false},            // nothing announced
                                         VersionCase{"3.0.0.4", true},      // newer
                                         VersionCase{"3.0.1", true},        // newer, fewer parts
                                         VersionCase{"3.0.0.10", true},     // numbers, not text
                                         VersionCase{"10.0", true},
                                         VersionCase{"3.0.0.3.1", true},    // a further part
                                         VersionCase{"3.0.0.2", false},     // older
                                         VersionCase{"2.9", false},
                                         VersionCase{"3.0.0.03", false},    // the same number
                                         VersionCase{"3.0.0.3.0", false},
                                         VersionCase{"3.0.0.3 ", false},    // not a version
                                         VersionCase{"4.0-beta", false},
                                         VersionCase{"4..0", false},
                                         VersionCase{"99999999999999999999999.0", true}));

// Texts that lack a part of the expected shape: no announcement, no failure.
TEST(MissingKeys, GiveEmptyStrings) {
    for (const char* text : {
             R"({})",
             R"({"retrievo":[{"Nversion":"3.0.0.4"}]})",  // names are case-sensitive
             R"({"Retrievo":[]})",
             R"({"Retrievo":[{}]})",
             R"({"Retrievo":[{"Version":"3.0.0.4","Update_URL":"x"}]})",
             R"({"Retrievo":[{"nversion":"3.0.0.4"}]})",
             R"({"Nversion":"3.0.0.4"})",
         }) {
        const UpdateManifest m = Parse(text);
        EXPECT_EQ(m.newestVersion, "") << text;
        EXPECT_FALSE(AnnouncesNewerVersion(m, kOwnVersion)) << text;
    }
}

// Values of another JSON type are read as absent; numbers are not turned into text.
TEST(WrongTypes, GiveEmptyStrings) {
    for (const char* text : {
             R"([{"Retrievo":[{"Nversion":"3.0.0.4"}]}])",  // top level: array
             R"("3.0.0.4")", "3004", "true", "null",
             R"({"Retrievo":{"Nversion":"3.0.0.4"}})",  // object instead of the array
             R"({"Retrievo":"3.0.0.4"})",
             R"({"Retrievo":3004})",
             R"({"Retrievo":null})",
             R"({"Retrievo":["3.0.0.4"]})",  // entry: not an object
             R"({"Retrievo":[null,{"Nversion":"3.0.0.4"}]})",
             R"({"Retrievo":[{"Nversion":3}]})",
             R"({"Retrievo":[{"Nversion":3.0004}]})",
             R"({"Retrievo":[{"Nversion":null}]})",
             R"({"Retrievo":[{"Nversion":["3.0.0.4"]}]})",
             R"({"Retrievo":[{"Nversion":{"v":"3.0.0.4"}}]})",
         }) {
        UpdateManifest m;
        ASSERT_NO_THROW(m = Parse(text)) << text;
        EXPECT_EQ(m.newestVersion, "") << text;
    }
}

// A wrong or absent member leaves the others.
TEST(WrongTypes, AffectOnlyTheirOwnMember) {
    const UpdateManifest m =
        Parse(R"({"Retrievo":[{"Version":3001,"Nversion":"3.0.0.4","Update_URL":{"href":"u"}}]})");
    EXPECT_EQ(m.version, "");
    EXPECT_EQ(m.newestVersion, "3.0.0.4");
    EXPECT_EQ(m.updateUrl, "");
}

TEST(MalformedText, GivesEmptyStrings) {
    const std::vector<std::string> texts = {
        "",
        "<html><body>404 Not Found</body></html>",
        "Nversion=3.0.0.4",
        R"({'Retrievo':[{'Nversion':'3.0.0.4'}]})",  // single quotes
        R"({"Retrievo" [{"Nversion":"3.0.0.4"}]})",  // missing colon before the array
        R"({Retrievo:[{"Nversion":"3.0.0.4"}]})",
        std::string("\0{\"Retrievo\":[{\"Nversion\":\"3.0.0.4\"}]}", 38),  // NUL first
        std::string("\xFF\xFE{\0\"\0R\0", 8),                               // UTF-16 text
    };
    EXPECT_EQ(ParseUpdateManifest(nullptr, 100).newestVersion, "");
    for (const std::string& text : texts) {
        UpdateManifest m;
        ASSERT_NO_THROW(m = Parse(text));
        EXPECT_EQ(m.newestVersion, "");
        EXPECT_FALSE(AnnouncesNewerVersion(m, kOwnVersion));
    }
}

// A document cut short or damaged on its way announces nothing, whatever it held before.
TEST(MalformedText, ADocumentCutShortAnnouncesNothing) {
    EXPECT_EQ(Parse(R"({"Retrievo":[{"Version":"1","Nversion":"3.0.0.4","Upd)").newestVersion, "");
    EXPECT_EQ(Parse(R"({"Retrievo":[{"Nversion":"3.0.0.4"}],"Notes":[1,2,)").newestVersion, "");
    EXPECT_EQ(Parse(R"({"Retrievo":[{"Nversion":"3.0.)").newestVersion, "");
}

// jsoncpp throws past its nesting depth; a 1024-byte text can go deeper than that.
TEST(MalformedText, DeepNestingDoesNotThrow) {
    EXPECT_NO_THROW(Parse(std::string(1024, '[')));
    EXPECT_NO_THROW(Parse(R"({"Retrievo":[{"Nversion":"3.0.0.4","x":)" + std::string(1000, '{')));
    std::string nestedObjects;
    for (int i = 0; i < 200; ++i) nestedObjects += R"({"a":)";
    EXPECT_EQ(Parse(nestedObjects).newestVersion, "");
}

// Every length of pseudo-random bytes and of cut-off manifests: no throw, no crash (the
// sanitizer build watches the reads).
TEST(MalformedText, AnyBytesAreSafe) {
    uint32_t state = 12345;
    std::string noise(1100, '\0');
    for (char& c : noise) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    const std::string whole = Manifest("3.0.0.4");
    for (size_t n = 0; n <= noise.size(); ++n) {
        ASSERT_NO_THROW(ParseUpdateManifest(noise.data(), n)) << n;
        if (n <= whole.size()) {
            ASSERT_NO_THROW(ParseUpdateManifest(whole.data(), n)) << n;
        }
    }
}

TEST(MalformedText, ReadsNoFurtherThanTheGivenLength) {
    const std::string whole = Manifest("3.0.0.4");
    const size_t cut = whole.find("3.0.0.4");  // the version's first byte is beyond the cut
    EXPECT_EQ(ParseUpdateManifest(whole.data(), cut).newestVersion, "");
}

// Only the first 1024 bytes of a manifest count.
TEST(ReadLimit, AnnouncementWithinTheFirst1024BytesCounts) {
    EXPECT_EQ(Parse(PaddedManifest("3.0.0.4", 1024)).newestVersion, "3.0.0.4");
    // Longer: the document is cut before it closes, so it is not one whole document.
    EXPECT_EQ(Parse(PaddedManifest("3.0.0.4", 1025)).newestVersion, "");
}

TEST(ReadLimit, AnnouncementBeyondTheFirst1024BytesIsNotSeen) {
    const std::string notes = R"({"Notes":")" + std::string(1100, 'n') + R"(",)";
    const std::string longManifest = notes + R"("Retrievo":[{"Nversion":"3.0.0.4"}]})";
    EXPECT_EQ(Parse(longManifest).newestVersion, "");

    // A version string that straddles the limit is not read in part.
    const std::string head = R"({"Retrievo":[{)";
    const std::string member = R"("Nversion":")";
    const size_t versionStart = 1020;
    const std::string text =
        head + std::string(versionStart - head.size() - member.size(), ' ') + member + R"(3.0.0.4"}]})";
    ASSERT_EQ(text.find("3.0.0.4"), versionStart);
    EXPECT_EQ(Parse(text).newestVersion, "");
}

}  // namespace
