// The export of the sample phone in every format, each file checked against its format's
// rules: escaping, folding, quoting, the count, a body with line feeds, quotes, "<", "&",
// Chinese and emoji. (check_formats.py reads the same files back with Python's XML and CSV
// readers.)
#include <gtest/gtest.h>

#include "ExportFixture.h"
#include "LocalTime.h"
#include "RecordExporter.h"
#include "SampleModel.h"
#include "SmsXmlExport.h"

namespace {

using apptest::ReadBytes;
using apptest::RecordingControl;
using apptest::TempFolder;

// Everything of the sample phone, exported once in every format.
class FormatsTest : public ::testing::Test {
protected:
    void SetUp() override {
        deletedDate = MillisecondsFromLocalText(L"2024-03-05 21:07:09").value();
        apptest::AddSamplePhone(builder, deletedDate);
        const ExportModel model = builder.Model();
        RecordingControl control;
        RecordExporter exporter(model, control, save.Wide(), ExportFormats::All());
        ASSERT_EQ(6, exporter.ExportContacts(L"Contacts (7)", false));
        ASSERT_EQ(5, exporter.ExportMessages(L"Message (6)", false));
        exporter.Finish();
        EXPECT_FALSE(exporter.AnyWriteFailed()) << exporter.FirstProblem();
        EXPECT_EQ(11, exporter.Written());
    }

    std::string File(const char* name) const { return ReadBytes(save.Path() / name); }

    int64_t deletedDate = 0;
    apptest::ModelBuilder builder;
    TempFolder save;
};

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end = text.find(separator); end != std::string::npos; end = text.find(separator, start)) {
        parts.push_back(text.substr(start, end - start));
        start = end + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

size_t Count(const std::string& text, const std::string& what) { return Split(text, what).size() - 1; }

TEST_F(FormatsTest, VCardEscapesFoldsAndMarksDeletedContacts) {
    const std::string vcf = File("contacts.vcf");
    EXPECT_EQ(0u, vcf.find("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Smith;Ann;;;\r\nFN:Ann Smith\r\n"
                           "TEL;TYPE=CELL:+44 7700 900123\r\nTEL;TYPE=HOME:020 7946 0958\r\n"
                           "EMAIL;TYPE=INTERNET,WORK:ann@example.com\r\nORG:Smith\\, Jones & Co\\; Ltd\r\n"
                           "END:VCARD\r\n"));
    EXPECT_NE(std::string::npos, vcf.find("BEGIN:VCARD\r\nVERSION:3.0\r\nN:;;;;\r\nFN:James O'Brien\r\n"
                                          "TEL;TYPE=CELL:07700 900123\r\nTEL;TYPE=HOME:+44 20 7946 0958\r\n"
                                          "EMAIL;TYPE=INTERNET,HOME:james.obrien@example.org\r\n"
                                          "ORG:O'Brien \"Plumbing\" & Sons\r\n"
                                          "NOTE:Recovered deleted contact\r\nEND:VCARD\r\n"));
    // A deleted person without a name is named by its number; an unknown type is a voice number.
    EXPECT_NE(std::string::npos, vcf.find("FN:555 0199\r\nTEL;TYPE=VOICE:555 0199\r\nNOTE:Recovered deleted contact"));
    EXPECT_EQ(6u, Count(vcf, "BEGIN:VCARD\r\n"));
    EXPECT_EQ(2u, Count(vcf, "NOTE:Recovered deleted contact\r\n"));

    // No physical line over 75 octets, none cut inside a UTF-8 sequence; unfolded, the long
    // name is whole, with its comma and backslash escaped.
    bool folded = false;
    for (const std::string& line : Split(vcf, "\r\n")) {
        EXPECT_LE(line.size(), 75u) << line;
        if (!line.empty() && line[0] == ' ') folded = true;
        if (!line.empty()) {
            EXPECT_NE(0x80, static_cast<unsigned char>(line[line[0] == ' ' ? 1 : 0]) & 0xC0) << line;
        }
    }
    EXPECT_TRUE(folded);
    std::string unfolded;
    for (const std::string& part : Split(vcf, "\r\n ")) unfolded += part;
    EXPECT_NE(std::string::npos,
              unfolded.find("\r\nFN:Bartholomew Maximilian Fitzgerald-Worthington \xf0\x9f\x8e\xa9 of "
                            "\xe5\x8c\x97\xe4\xba\xac\\, Esquire \\\\ the Third\r\n"));
}

TEST_F(FormatsTest, SmsXmlEscapesEveryAttributeAndCountsWhatItHolds) {
    const std::string xml = File("sms.xml");
    EXPECT_EQ(0u, xml.find("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n<smses count=\"7\"         >\n"));
    EXPECT_EQ(7u, Count(xml, "<sms "));
    const int64_t sent = MillisecondsFromLocalText(L"2024-01-01 10:05:00").value();
    EXPECT_NE(std::string::npos,
              xml.find("  <sms protocol=\"0\" address=\"+44 7700 900123\" date=\"" + std::to_string(sent) +
                       "\" type=\"2\" subject=\"null\" body=\"Line one&#10;Line two with &quot;quotes&quot;, "
                       "&lt;b&gt;tags&lt;/b&gt; &amp; ampersands; it&apos;s \xe4\xbd\xa0\xe5\xa5\xbd \xf0\x9f\x98\x80\" "
                       "toa=\"null\" sc_toa=\"null\" service_center=\"null\" read=\"1\" status=\"-1\" locked=\"0\" "
                       "date_sent=\"0\" readable_date=\"2024-01-01 10:05:00\" contact_name=\"Ann Smith\" />\n"));
    // Deleted: the carved date and type; what was not carved is empty (date 0, received).
    EXPECT_NE(std::string::npos, xml.find("address=\"07700 900123\" date=\"" + std::to_string(deletedDate) +
                                          "\" type=\"1\""));
    EXPECT_NE(std::string::npos, xml.find("readable_date=\"2024-03-05 21:07:09\" contact_name=\"James O&apos;Brien\""));
    EXPECT_NE(std::string::npos, xml.find("address=\"\" date=\"0\" type=\"1\" subject=\"null\" body=\"a fragment"));
    EXPECT_NE(std::string::npos, xml.find("date=\"" + std::to_string(deletedDate + 60000) + "\" type=\"2\""));
    EXPECT_EQ(xml.size() - 9, xml.rfind("</smses>\n"));

    // What XML 1.0 cannot carry becomes U+FFFD; tabs and CR are character references.
    EXPECT_EQ("a&#9;b&#13;\xEF\xBF\xBD" "c\xEF\xBF\xBD", XmlAttribute(std::wstring(L"a\tb\r\x01" L"c\uFFFF")));
}

TEST_F(FormatsTest, CsvQuotesAsRfc4180AndMarksDeletedRows) {
    const std::string contacts = File("contacts.csv");
    EXPECT_EQ(0u, contacts.find("\xEF\xBB\xBFname,phones,emails,company,other,deleted\r\n"
                                "Ann Smith,\"+44 7700 900123 (Mobile)\n020 7946 0958 (Home)\",ann@example.com (Work Email),"
                                "\"Smith, Jones & Co; Ltd\",,no\r\n"));
    EXPECT_NE(std::string::npos, contacts.find("\r\nJames O'Brien,\"07700 900123 (Mobile)\n+44 20 7946 0958 (Home)\","
                                               "james.obrien@example.org (Home Email),"
                                               "\"O'Brien \"\"Plumbing\"\" & Sons\",,yes\r\n"));
    EXPECT_NE(std::string::npos, contacts.find("\r\n,555 0199,,,,yes\r\n"));

    const std::string messages = File("messages.csv");
    EXPECT_EQ(0u, messages.find("\xEF\xBB\xBF" "contact,address,date,direction,body,deleted\r\n"));
    EXPECT_NE(std::string::npos,
              messages.find("\r\nAnn Smith,+44 7700 900123,2024-01-01 10:05:00,sent,\"Line one\nLine two with "
                            "\"\"quotes\"\", <b>tags</b> & ampersands; it's \xe4\xbd\xa0\xe5\xa5\xbd "
                            "\xf0\x9f\x98\x80\",no\r\n"));
    EXPECT_NE(std::string::npos, messages.find("\r\n,,,,a fragment without its number,yes\r\n"));
    EXPECT_EQ(7u, Count(messages, ",no\r\n") + Count(messages, ",yes\r\n"));
}

TEST_F(FormatsTest, HtmlReportIsOnePageWithEverythingEscaped) {
    const std::string html = File("report.html");
    EXPECT_EQ(0u, html.find("<!DOCTYPE html>\n"));
    EXPECT_EQ(html.size() - 8, html.rfind("</html>\n"));
    EXPECT_NE(std::string::npos, html.find("<div class=\"bubble\">Line one\nLine two with &quot;quotes&quot;, "
                                           "&lt;b&gt;tags&lt;/b&gt; &amp; ampersands; it&#39;s "
                                           "\xe4\xbd\xa0\xe5\xa5\xbd \xf0\x9f\x98\x80</div>"));
    // Self-contained: no script, nothing loaded from elsewhere.
    for (const char* outside : {"<script", "src=", "href=", "url(", "@import"}) {
        EXPECT_EQ(std::string::npos, html.find(outside)) << outside;
    }
    EXPECT_EQ(4u, Count(html, "<div class=\"card\">"));
    EXPECT_EQ(2u, Count(html, "<div class=\"card deleted\">"));
    EXPECT_EQ(7u, Count(html, "<div class=\"msg "));
    EXPECT_EQ(3u, Count(html, " deleted\"><div class=\"who\">"));
    EXPECT_EQ(5u, Count(html, "<span class=\"badge\">Deleted</span>"));
    EXPECT_EQ(std::string::npos, html.find(">unchecked<"));
}

TEST_F(FormatsTest, TheTextFilesComeOutBeside) {
    EXPECT_EQ((std::vector<std::wstring>{L"Contacts (6)", L"Message (5)", L"contacts.csv", L"contacts.vcf",
                                         L"messages.csv", L"report.html", L"sms.xml"}),
              apptest::FolderEntries(save.Path()));
}

}  // namespace
