// The text of a run, a serializer of its typed records for the command-line tool: one line
// per record, fields separated by TAB, lines ended by CR LF, "N/A" for a field the record
// does not have, the ANSI code page.
#pragma once

#include <string>
#include <vector>

#include "RecoveredRecords.h"

namespace engine {

// One line per value of each deleted contact: name (or "N/A"), TAB, value; a contact with a
// name and no value: name, TAB, "N/A".
std::string contactsText(const std::vector<RecoveredContact>& contacts);

// One line per deleted message: contact name (or "N/A"), TAB, address, TAB, body.
std::string messagesText(const std::vector<RecoveredMessage>& messages);

// A field as written into a line: converted to the ANSI code page, with every CR LF made a
// single LF and every TAB a space, so that a field can neither end its line nor shift the
// fields after it.
std::string textField(const std::string& carved);

}  // namespace engine
