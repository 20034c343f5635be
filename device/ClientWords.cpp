#include "ClientWords.h"

#include <cctype>
#include <vector>

namespace {

std::string Lower(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  const size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(start, end - start));
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

bool AllDigits(const std::string& s) {
  if (s.empty() || s.size() > 19) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

uint64_t ToNumber(const std::string& digits) {
  uint64_t v = 0;
  for (char c : digits) v = v * 10 + static_cast<uint64_t>(c - '0');
  return v;
}

// The phrases, strongest first: a line is read for the first phrase of this table it holds.
struct Phrase {
  const char* text;  // lower case
  ClientSays says;
};
const Phrase kPhrases[] = {
    {"no devices/emulators found", ClientSays::kNoDevice},
    {"device not found", ClientSays::kNoDevice},
    {"unauthorized", ClientSays::kUnauthorized},
    {"device offline", ClientSays::kOffline},
    {"cannot connect to daemon", ClientSays::kServerFailed},
    {"failed to start daemon", ClientSays::kServerFailed},
    {"su: not found", ClientSays::kSuMissing},
    {"su: inaccessible or not found", ClientSays::kSuMissing},
    {"invalid uid/gid", ClientSays::kSuSyntax},
    {"unknown user", ClientSays::kSuSyntax},
    {"permission denied", ClientSays::kPermissionDenied},
    {"no such file or directory", ClientSays::kNoSuchFile},
    {"does not exist", ClientSays::kNoSuchFile},
    {"error: closed", ClientSays::kExecOutMissing},
    {"unknown command", ClientSays::kExecOutMissing},
};

}  // namespace

bool IsConnectionFailure(ClientSays says) {
  return says == ClientSays::kNoDevice || says == ClientSays::kUnauthorized ||
         says == ClientSays::kOffline || says == ClientSays::kServerFailed;
}

ClientWords ReadClientWords(const std::string& text) {
  ClientWords best;
  size_t bestRank = sizeof(kPhrases) / sizeof(kPhrases[0]);
  const std::vector<std::string> lines = Lines(text);
  for (const std::string& line : lines) {
    const std::string lower = Lower(line);
    for (size_t rank = 0; rank < bestRank; ++rank) {
      if (lower.find(kPhrases[rank].text) != std::string::npos) {
        best.says = kPhrases[rank].says;
        best.line = line;
        bestRank = rank;
        break;
      }
    }
  }
  if (best.says == ClientSays::kNothingKnown && !lines.empty()) best.line = lines.back();
  return best;
}

bool ParseNumber(const std::string& text, uint64_t* value) {
  const std::string t = Trim(text);
  if (!AllDigits(t)) return false;
  *value = ToNumber(t);
  return true;
}

bool ParseListingSize(const std::string& text, uint64_t* value) {
  static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
  const std::vector<std::string> lines = Lines(text);
  if (lines.size() != 1) return false;
  const std::vector<std::string> words = Words(lines[0]);
  // The mode comes first; the size is the number right before the date.
  for (size_t i = 2; i < words.size(); ++i) {
    const std::string w = Lower(words[i]);
    bool isDate = w.size() == 10 && w[4] == '-' && w[7] == '-' && AllDigits(w.substr(0, 4));
    for (const char* month : kMonths) isDate = isDate || w == month;
    if (isDate) {
      if (!AllDigits(words[i - 1])) return false;
      *value = ToNumber(words[i - 1]);
      return true;
    }
  }
  return false;
}

bool AnswersAsRoot(const std::string& idOutput) {
  for (size_t at = idOutput.find("uid=0"); at != std::string::npos; at = idOutput.find("uid=0", at + 1)) {
    const bool wordStart = at == 0 || !std::isalnum(static_cast<unsigned char>(idOutput[at - 1]));
    const size_t after = at + 5;
    const bool numberEnds = after == idOutput.size() || !std::isdigit(static_cast<unsigned char>(idOutput[after]));
    if (wordStart && numberEnds) return true;
  }
  return false;
}

bool ParsePulledBytes(const std::string& text, uint64_t* value) {
  const size_t at = text.find(" bytes");
  if (at == std::string::npos) return false;
  const size_t open = text.rfind('(', at);
  if (open == std::string::npos) return false;
  const std::string digits = text.substr(open + 1, at - open - 1);
  if (!AllDigits(digits)) return false;
  *value = ToNumber(digits);
  return true;
}
