#pragma once

#include <cstddef>

namespace samplephone {

// CREATE statements of contacts2.db and mmssms.db, run in array order.
extern const char* const kContactsSchema[];
extern const std::size_t kContactsSchemaCount;
extern const char* const kMessagesSchema[];
extern const std::size_t kMessagesSchemaCount;

}  // namespace samplephone
