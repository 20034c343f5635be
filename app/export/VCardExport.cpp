#include "VCardExport.h"

#include "NarrowText.h"
#include "OutputFile.h"

namespace {

constexpr size_t kMaxLineOctets = 75;

bool IsUtf8Continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// The formatted name: the contact's name, or its first value when it has none (as a phone
// shows a contact without a name), or "N/A".
std::wstring FormattedName(const ContactView& contact) {
    if (!contact.name.empty()) return contact.name;
    for (const ContactValueView& value : contact.values) {
        if (!value.value.empty()) return value.value;
    }
    return L"N/A";
}

const char* EmailType(int typeCode) {
    switch (typeCode) {
        case 1: return "INTERNET,HOME";
        case 2: return "INTERNET,WORK";
        default: return "INTERNET";
    }
}

}  // namespace

const char* VCardPhoneType(int typeCode) {
    // Android's phone types; those vCard 3.0 has no word for are plain voice numbers.
    switch (typeCode) {
        case 1: return "HOME";
        case 2: return "CELL";
        case 3: return "WORK";
        case 4: return "WORK,FAX";
        case 5: return "HOME,FAX";
        case 6: return "PAGER";
        case 9: return "CAR";
        case 10: return "WORK,PREF";
        case 11: return "ISDN";
        case 12: return "PREF";
        case 13: return "FAX";
        case 17: return "WORK,CELL";
        case 18: return "WORK,PAGER";
        case 20: return "MSG";
        default: return "VOICE";
    }
}

std::string VCardText(const std::wstring& text) {
    const std::string utf8 = Utf8FromWide(text);
    std::string escaped;
    escaped.reserve(utf8.size() + 8);
    for (size_t i = 0; i < utf8.size(); ++i) {
        const char ch = utf8[i];
        switch (ch) {
            case '\\': escaped += "\\\\"; break;
            case ',': escaped += "\\,"; break;
            case ';': escaped += "\\;"; break;
            case '\r':
                if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;  // CR LF is one break
                escaped += "\\n";
                break;
            case '\n': escaped += "\\n"; break;
            default: escaped.push_back(ch);
        }
    }
    return escaped;
}

std::string FoldedVCardLine(const std::string& line) {
    std::string folded;
    folded.reserve(line.size() + line.size() / 70 * 3 + 2);
    size_t start = 0;
    size_t room = kMaxLineOctets;
    while (line.size() - start > room) {
        size_t cut = start + room;
        while (cut > start && IsUtf8Continuation(line[cut])) --cut;
        folded.append(line, start, cut - start);
        folded += "\r\n ";  // a continuation line starts with one space, which unfolding removes
        start = cut;
        room = kMaxLineOctets - 1;
    }
    folded.append(line, start, std::string::npos);
    folded += "\r\n";
    return folded;
}

std::string VCard(const ContactView& contact) {
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    card += FoldedVCardLine("N:" + VCardText(contact.familyName) + ";" + VCardText(contact.givenName) + ";;;");
    card += FoldedVCardLine("FN:" + VCardText(FormattedName(contact)));
    for (const ContactValueView& value : contact.values) {
        switch (value.kind) {
            case ValueKind::kPhone:
                card += FoldedVCardLine(std::string("TEL;TYPE=") + VCardPhoneType(value.typeCode.value_or(0)) + ":" +
                                        VCardText(value.value));
                break;
            case ValueKind::kEmail:
                card += FoldedVCardLine(std::string("EMAIL;TYPE=") + EmailType(value.typeCode.value_or(0)) + ":" +
                                        VCardText(value.value));
                break;
            case ValueKind::kOrganization: card += FoldedVCardLine("ORG:" + VCardText(value.value)); break;
            case ValueKind::kOther: break;  // no vCard property for it; the text and CSV keep it
        }
    }
    if (contact.deleted) card += "NOTE:Recovered deleted contact\r\n";
    card += "END:VCARD\r\n";
    return card;
}

VCardExport::VCardExport(ExportFolder& folder) : m_folder(folder) {}

void VCardExport::BeginContacts(const CategoryStart& /*start*/) {
    m_files.push_back(m_folder.MakeFile(m_folder.Root(), L"contacts", L".vcf"));
    m_file = m_files.back().get();
}

void VCardExport::Contact(const ContactView& contact, WriteLedger& ledger) {
    if (!m_file) return;
    ledger.Wrote(*m_file, m_file->Append(VCard(contact)));
}

void VCardExport::EndContacts() {
    if (m_file) m_file->Close();
    m_file = nullptr;
}
