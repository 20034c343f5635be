// Small Android databases written by SQLite itself for the listing tests, in the layouts of
// the contacts and telephony providers, with the variations real phones show.
#pragma once

#include <string>

namespace fixtures {

// contacts2.db of the Android 6 layout: four raw contacts, eight data rows (structured
// names, phones with integer and text type codes, an e-mail, an organisation with
// department and job description, a photo blob), seven mimetypes and four aggregates.
void WriteContactsDb(const std::string& path);

// The same without the raw_contacts and contacts tables (an older or damaged database).
void WriteContactsDbWithoutRawContacts(const std::string& path);

// mmssms.db of the Android 6 layout: three threads (one without SMS), two canonical
// addresses and five SMS, one of them in a thread the threads table lacks.
void WriteSmsDb(const std::string& path);

// An "sms" table of the Android 2.1 layout (no "seen") and no threads table.
void WriteOldSmsDbWithoutThreads(const std::string& path);

// The mmssms.db above as pulled from a phone in WAL mode with its log: the main file holds
// the five SMS up to the last checkpoint, the "-wal" beside it (`path` + "-wal") SMS 6 and 7,
// which the main file lacks, and the deletion of SMS 2.
void WriteWalModeSmsCopy(const std::string& path);

// Runs SQL on a new database at `path` (any earlier file is replaced); PHONEBOOK and
// LOCALIZED are registered for its indices.
void WriteDb(const std::string& path, const std::string& sql);

}  // namespace fixtures
