// The large phone: contacts and messages made up from fixed word lists by a fixed-seed
// generator, so that every run writes the same phone.

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "content.h"

namespace samplephone {

namespace {

// splitmix64: small, fast and the same on every platform and compiler.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Uniform enough in [0, n) for n far below 2^32.
  int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
  template <typename T, std::size_t N>
  const T& pick(const T (&items)[N]) { return items[below(static_cast<int>(N))]; }

 private:
  uint64_t state_;
};

const char* const kFamilyZh[] = {"王", "李", "张", "刘", "陈", "杨", "赵", "黄", "周", "吴",
                                 "徐", "孙", "胡", "朱", "高", "林", "何", "郭", "马", "罗"};
const char* const kGivenZh[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋",
                                "勇", "艳", "杰", "娟", "涛", "明", "超", "秀英", "晓东", "子涵"};
const char* const kGivenEn[] = {"Oliver", "Emma", "Liam", "Ava", "Noah", "Mia", "Lucas", "Chloe",
                                "Ethan", "Grace", "Henry", "Zoe"};
const char* const kFamilyEn[] = {"Smith", "Jones", "Taylor", "Walker", "Hughes", "Clarke",
                                 "Baker", "Reid", "Foster", "Price"};
const char* const kPrefixes[] = {"138", "139", "186", "158", "135", "189", "177", "150", "131", "199"};
const char* const kCompanies[] = {"华信科技有限公司", "前海物流", "Northfield Traders", "中联通信",
                                  "Peakview Labs", "天河电子", "南山中学", "Lakeshore Law LLP"};
const char* const kTitles[] = {"经理", "工程师", "Buyer", "教师", "主管", "Consultant"};
const char* const kPhrases[] = {
    "好的，收到", "明天见", "我到楼下了", "会议改到下午三点", "晚上吃什么？", "OK, see you at 7",
    "Running late, 10 min 🙏", "快递到了，放门卫室了", "这周末有空吗？", "谢谢！👍",
    "Call me when you can", "文件已经发你邮箱", "路上堵车，稍等一下", "生日快乐！🎂🎉",
    "验证码 {N}，5 分钟内有效", "账单金额 {N} 元，请按时还款"};

std::string numberFor(Rng& rng) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08d", rng.below(100000000));
  return std::string(rng.pick(kPrefixes)) + digits;
}

// How the owner typed the number: as is, with "+86", or with spaces.
std::string typed(const std::string& n, int style) {
  switch (style) {
    case 1: return "+86" + n;
    case 2: return n.substr(0, 3) + " " + n.substr(3, 4) + " " + n.substr(7);
    default: return n;
  }
}

std::string bodyFor(Rng& rng) {
  std::string body;
  int parts = 1 + rng.below(3);
  for (int i = 0; i < parts; ++i) {
    std::string phrase = rng.pick(kPhrases);
    std::size_t at = phrase.find("{N}");
    if (at != std::string::npos) phrase.replace(at, 3, std::to_string(100000 + rng.below(900000)));
    if (i > 0) body += rng.below(4) == 0 ? "\r\n" : (rng.below(5) == 0 ? "\t" : "\n");
    body += phrase;
  }
  return body;
}

}  // namespace

Phone largePhone(int contactCount, int messageCount, int conversationCount) {
  Rng rng(0x51A3F1E5EEDULL);
  Phone phone;
  std::vector<std::string> plainNumbers;  // the first number of each contact, digits only
  for (int i = 0; i < contactCount; ++i) {
    Contact c;
    if (rng.below(4) == 0) {
      c.given = rng.pick(kGivenEn);
      c.family = rng.pick(kFamilyEn);
      c.westernOrder = true;
    } else {
      c.given = rng.pick(kGivenZh);
      c.family = rng.pick(kFamilyZh);
      c.westernOrder = false;
    }
    std::string first = numberFor(rng);
    plainNumbers.push_back(first);
    c.phones.push_back({typed(first, rng.below(3)), kPhoneMobile});
    if (rng.below(3) == 0) c.phones.push_back({typed(numberFor(rng), rng.below(3)), kPhoneWork});
    if (rng.below(2) == 0) c.emails.push_back({"user" + std::to_string(i) + "@example.cn", kEmailHome});
    if (rng.below(4) == 0) {
      c.company = rng.pick(kCompanies);
      c.title = rng.pick(kTitles);
    }
    phone.contacts.push_back(c);
  }

  // By default one conversation for every other contact plus a few numbers not in the
  // phone book; with a count given, a tenth strangers and the rest spread over the contacts.
  int withContact = std::max(1, contactCount / 2);
  int strangers = std::max(1, withContact / 10);
  if (conversationCount > 0) {
    strangers = contactCount > 0 ? std::max(1, conversationCount / 10) : conversationCount;
    if (strangers > conversationCount) strangers = conversationCount;
    withContact = conversationCount - strangers;
  }
  for (int i = 0; i < withContact + strangers; ++i) {
    Conversation conv;
    if (i < withContact && contactCount > 0) {
      conv.contact = conversationCount > 0 ? static_cast<int>(static_cast<int64_t>(i) * contactCount / withContact)
                                           : (i * 2) % contactCount;
      // The network delivers most numbers with the country code.
      conv.address = (rng.below(4) == 0 ? "" : "+86") + plainNumbers[static_cast<std::size_t>(conv.contact)];
    } else {
      conv.address = "1069" + std::to_string(10000 + rng.below(90000));
    }
    phone.conversations.push_back(conv);
  }
  // 2017-01-01 00:00:00 UTC, then one message every few minutes into a random thread.
  int64_t date = 1483228800000LL;
  for (int m = 0; m < messageCount; ++m) {
    date += 60000LL + rng.below(600000);
    Conversation& conv = phone.conversations[static_cast<std::size_t>(rng.below(static_cast<int>(phone.conversations.size())))];
    Message msg;
    msg.date = date;
    msg.type = conv.contact < 0 || rng.below(2) == 0 ? kReceived : kSent;
    msg.body = bodyFor(rng);
    conv.messages.push_back(msg);
  }

  Deletions& del = phone.deletions;
  for (int i = 0; i < contactCount; ++i)
    if (rng.below(5) == 0) del.contacts.push_back(i);
  // A third of the messages: whole threads first (about a tenth of them), then single messages.
  for (std::size_t t = 0; t < phone.conversations.size(); ++t) {
    if (rng.below(10) == 0) {
      del.conversations.push_back(static_cast<int>(t));
      continue;
    }
    const Conversation& conv = phone.conversations[t];
    for (std::size_t k = 0; k < conv.messages.size(); ++k)
      if (rng.below(100) < 26) del.messages.push_back({static_cast<int>(t), static_cast<int>(k)});
  }
  return phone;
}

}  // namespace samplephone
