// The conversion of carved UTF-8 text to the ANSI code page, as utf8ToAnsi() does it, for
// callers that only read the result: elsewhere than on Windows the ANSI code page is
// UTF-8 and the text is only cut at its first zero byte, so no copy is made.
#pragma once

#include <cstddef>
#include <string>

namespace engine {

// Sets `data` and `length` to utf8ToAnsi(bytes): a view of `bytes` itself, or of
// `storage` when the text had to be converted. Empty for text that is not valid UTF-8.
void ansiView(const std::string& bytes, std::string& storage, const char*& data, size_t& length);

}  // namespace engine
