// Which files an export writes. The text files are the program's own and on by default; the
// others are for putting the records back on a phone, into a spreadsheet or in front of a
// reader.
#pragma once

struct ExportFormats {
    bool text = true;     // the UTF-16 text files, one sub-folder per category
    bool vcard = false;   // contacts.vcf: vCard 3.0, one card per contact
    bool smsXml = false;  // sms.xml: the XML backup format of Android's SMS backup apps
    bool csv = false;     // contacts.csv and messages.csv, UTF-8 with a byte-order mark
    bool html = false;    // report.html: contacts as cards, conversations as bubbles

    static ExportFormats All() { return ExportFormats{true, true, true, true, true}; }
};
