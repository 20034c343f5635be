// A small phone for the format tests and for export-sample: live and deleted contacts and
// messages with what the formats must carry through: commas, semicolons, quotes, "<" and "&",
// line feeds, Chinese, emoji, a name long enough to fold, fields that were not carved.
#pragma once

#include "ExportFixture.h"

namespace apptest {

// Adds the sample phone to the builder. `deletedDate` is the carved date of the deleted
// messages that have one (milliseconds since 1970 UTC).
void AddSamplePhone(ModelBuilder& builder, int64_t deletedDate);

// The body with everything a format must escape.
extern const char* const kTrickyBody;

}  // namespace apptest
