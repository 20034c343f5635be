// The text one run hands to the window: one line per recovered record, fields separated by
// TAB, lines ended by CR LF, "N/A" for a field the record does not have, the ANSI code page.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "CarvedRows.h"

namespace engine {

using LookupRow = std::pair<std::string, std::string>;  // live (raw_contact_id, data1) as text

// Contacts lines "name TAB number": carved rows of one contact (same raw_contact_id bytes)
// are paired, a row with a number of digits only taking the number field; rows that found
// no partner stand alone with "N/A" in the other field.
std::string buildContactText(const std::vector<ContactPair>& rows);

// Message lines "name TAB address TAB body"; the name is looked up among the live contacts
// by the carved address (without its first "+86").
std::string buildSmsText(const std::vector<SmsCandidate>& candidates, const std::vector<LookupRow>& lookup);

// A field as written into a line: converted to the ANSI code page, with every CR LF made a
// single LF and every TAB a space, so that a field can neither end its line nor shift the
// fields after it.
std::string textField(const std::string& carved);

}  // namespace engine
