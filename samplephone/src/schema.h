#pragma once

#include <cstddef>

namespace samplephone {

// CREATE statements of contacts2.db and mmssms.db, run in array order.
extern const char* const kContactsSchema[];
extern const std::size_t kContactsSchemaCount;
extern const char* const kMessagesSchema[];
extern const std::size_t kMessagesSchemaCount;

// The full-text tables and the triggers that keep them, as the providers create them.
extern const char* const kContactsFullText[];
extern const std::size_t kContactsFullTextCount;
extern const char* const kMessagesFullText[];
extern const std::size_t kMessagesFullTextCount;

}  // namespace samplephone
