// What a run carves: the kept fields of one deleted row, as the text of the run needs them.
#pragma once

#include <string>
#include <utility>

namespace engine {

// One carved message: the content of the three kept columns. Text is UTF-8; an integer
// (the person's _id) is its decimal digits; NULL is empty.
struct SmsCandidate {
  std::string address;
  std::string person;
  std::string body;
};

// One carved row of table "data": (raw_contact_id as decimal digits, data1 as UTF-8).
using ContactPair = std::pair<std::string, std::string>;

}  // namespace engine
