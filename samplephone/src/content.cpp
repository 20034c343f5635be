#include "content.h"

#include <algorithm>
#include <cstddef>

namespace samplephone {

namespace {

// 2017-03-01 00:00:00 UTC; every date of the standard phone counts from here.
const int64_t kBaseDate = 1488326400000LL;
const int64_t kMinute = 60 * 1000LL;

Contact person(const char* given, const char* family, bool western,
               std::vector<PhoneNumber> phones, std::vector<EmailAddress> emails = {}) {
  Contact c;
  c.given = given;
  c.family = family;
  c.westernOrder = western;
  c.phones = std::move(phones);
  c.emails = std::move(emails);
  return c;
}

Contact withOrg(Contact c, const char* company, const char* title, const char* department) {
  c.company = company;
  c.title = title;
  c.department = department;
  return c;
}

Contact withNote(Contact c, const std::string& note) {
  c.note = note;
  return c;
}

std::vector<Contact> standardContacts() {
  std::vector<Contact> v;
  v.push_back(withOrg(person("伟", "张", false, {{"13812345678", kPhoneMobile}, {"+86 10 6552 8899", kPhoneWork}},
                             {{"zhangwei@huaxin-tech.cn", kEmailWork}}),
                      "华信科技有限公司", "销售经理", "华北销售部"));                                        // 0
  v.push_back(withOrg(person("Emily", "Carter", true, {{"+1 415-555-0132", kPhoneMobile}, {"415-555-0190", kPhoneHome}},
                             {{"emily.carter@gmail.com", kEmailHome}}),
                      "Bayside Design", "Art Director", "Studio"));                                        // 1
  v.push_back(person("芳", "王", false, {{"+8613987654321", kPhoneMobile}, {"021-6234 5566", kPhoneHome}},
                     {{"wangfang88@163.com", kEmailHome}}));                                               // 2
  v.push_back(person("娜", "李", false, {{"139 1122 3344", kPhoneMobile}}, {{"lina_li@qq.com", kEmailHome}}));  // 3
  v.push_back(withOrg(person("James", "O'Brien", true, {{"+44 20 7946 0958", kPhoneWork}, {"07700 900123", kPhoneMobile}},
                             {{"james.obrien@harbourline.co.uk", kEmailWork}}),
                      "Harbourline Shipping", "Logistics Coordinator", "Operations"));                     // 4
  v.push_back(withOrg(person("洋", "刘", false, {{"18600001234", kPhoneMobile}, {"+86 755 8376 1200", kPhoneWork}},
                             {{"liuyang@qhwl.com.cn", kEmailWork}}),
                      "深圳前海物流有限公司", "项目主管", "运营部"));                                      // 5
  v.push_back(withNote(person("静", "陈", false, {{"15800112233", kPhoneMobile}}, {{"chenjing.hz@outlook.com", kEmailHome}}),
                       "生日 4月12日\n喜欢喝龙井，不吃香菜"));                                             // 6
  v.push_back(withOrg(person("Michael", "Nguyen", true, {{"(650) 555-0147", kPhoneMobile}, {"650-555-0100", kPhoneWork}},
                             {{"m.nguyen@peakview.io", kEmailWork}}),
                      "Peakview Labs", "Staff Engineer", "Platform"));                                     // 7
  v.push_back(person("帆", "杨", false, {{"13701019988", kPhoneMobile}}));                                 // 8
  v.push_back(withOrg(person("磊", "赵", false, {{"+86 135-0021-7788", kPhoneMobile}, {"13500217789", kPhoneWorkMobile}},
                             {{"zhaolei@sinolink.cn", kEmailWork}}),
                      "中联通信", "技术总监", "研发中心"));                                                // 9
  v.push_back(withOrg(person("Sarah", "Thompson", true, {{"+1 212 555 0178", kPhoneMobile}},
                             {{"sarah.t@northfield-traders.com", kEmailWork}}),
                      "Northfield Traders", "Buyer", "Purchasing"));                                        // 10
  v.push_back(person("丽", "黄", false, {{"18911223344", kPhoneMobile}, {"010-8888 6666", kPhoneHome}}));   // 11
  v.push_back(person("杰", "周", false, {{"+8615011112222", kPhoneMobile}}, {{"zhoujie@126.com", kEmailHome}}));  // 12
  v.push_back(withOrg(person("David", "Kim", true, {{"+82 10-5555-0199", kPhoneMobile}}, {{"david.kim@hanriver.kr", kEmailWork}}),
                      "Han River Trading", "Export Manager", "Sales"));                                    // 13
  v.push_back(withNote(person("敏", "吴", false, {{"13611335577", kPhoneMobile}}, {{"wumin@sina.com", kEmailHome}}),
                       "大学室友\r\n地址：杭州市西湖区文三路 188 号 3 单元 502\r\n孩子：乐乐（2012 年生）"));  // 14
  v.push_back(withOrg(person("晓东", "徐", false, {{"17722334455", kPhoneMobile}, {"0755-2660 1234", kPhoneWork}}),
                      "南山中学", "教师", "数学组"));                                                      // 15
  v.push_back(withNote(person("悦", "孙", false, {{"+86 139 0571 6688", kPhoneMobile}}),
                       "🎂 5月20日生日\nLikes 抹茶 matcha 🍵, no coffee"));                                 // 16
  v.push_back(person("Laura", "Martínez", true, {{"+34 612 345 678", kPhoneMobile}}, {{"laura.martinez@correo.es", kEmailHome}}));  // 17
  v.push_back(withOrg(person("超", "马", false, {{"18800990011", kPhoneMobile}}), "平安出行 🚕", "司机", "车队"));  // 18
  v.push_back(person("琳", "朱", false, {{"+8613322446688", kPhoneMobile}, {"13322446689", kPhoneOther}}));  // 19
  v.push_back(withOrg(person("Robert", "Brown", true, {{"+1 (312) 555-0111", kPhoneHome}, {"312-555-0122", kPhoneMobile}},
                             {{"rbrown@lakeshore-law.com", kEmailWork}}),
                      "Lakeshore Law LLP", "Partner", "Litigation"));                                      // 20
  v.push_back(person("婷", "胡", false, {{"15912345670", kPhoneMobile}}, {{"huting1990@163.com", kEmailHome}}));  // 21
  v.push_back(withOrg(person("强", "郭", false, {{"+86 186-2233-4455", kPhoneMobile}}), "郭氏装修", "老板", ""));  // 22
  v.push_back(person("Anna", "Schmidt", true, {{"+49 30 12345678", kPhoneWork}, {"+49 151 2345 6789", kPhoneMobile}},
                     {{"anna.schmidt@web.de", kEmailHome}}));                                              // 23
  v.push_back(withNote(person("小雨", "林", false, {{"13055667788", kPhoneMobile}}),
                       "瑜伽课同学\t周二 周四晚上"));                                                      // 24
  v.push_back(withOrg(person("俊", "何", false, {{"18055550001", kPhoneMobile}, {"+86 20 3888 1234", kPhoneWork}}),
                      "广州天河电子", "采购员", "采购部"));                                                // 25
  v.push_back(person("洁", "高", false, {{"+8615566778899", kPhoneMobile}}, {{"gaojie@qq.com", kEmailHome}}));  // 26
  v.push_back(person("Tom", "Wilson", true, {{"07911 123456", kPhoneMobile}}, {{"tom.wilson@btinternet.com", kEmailHome}}));  // 27
  v.push_back(person("妈妈", "", false, {{"13905710001", kPhoneMobile}, {"0571-8702 3456", kPhoneHome}}));  // 28
  v.back().starred = true;
  v.push_back(person("", "", false, {{"95588", kPhoneCompanyMain}}));                                      // 29 number only
  v.push_back(person("", "", false, {}, {{"service@jd.com", kEmailOther}}));                               // 30 e-mail only
  v.push_back(withOrg(person("", "", false, {{"95338", kPhoneCompanyMain}}), "顺丰速运", "", ""));          // 31 company only
  return v;
}

struct Line {
  int type;
  const char* body;
};

Conversation conversation(const char* address, int contact, int index, const std::vector<Line>& lines) {
  Conversation c;
  c.address = address;
  c.contact = contact;
  // First messages a few hours apart, then a rhythm of its own per conversation, so the
  // threads interleave in time (and in the table) as on a real phone.
  int64_t date = kBaseDate + index * 173 * kMinute;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    date += (97 + 13 * index) * kMinute + static_cast<int64_t>((k * k * 7 + index) % 50) * kMinute +
            static_cast<int64_t>((k * 7919 + index * 104729) % 60000);
    Message m;
    m.date = date;
    m.type = lines[k].type;
    m.body = lines[k].body;
    c.messages.push_back(m);
  }
  return c;
}

// A concatenated message of the kind an airline or a travel agent sends: well over a
// kilobyte, with line breaks.
const char* const kItinerary =
    "【行程确认】林小雨女士您好，您预订的行程如下：\n"
    "1. 3月18日 CA1831 北京首都T3 07:30 - 上海虹桥T2 09:40，经济舱 座位 32A\n"
    "2. 3月18日 入住 上海外滩英迪格酒店 高级大床房 1 间 2 晚，含双早\n"
    "3. 3月20日 MU5138 上海虹桥T2 18:00 - 北京首都T2 20:15，经济舱 座位 14C\n"
    "4. 接机：3月18日 09:40 虹桥T2 到达层 B 出口，司机王师傅 139 1888 2266，车牌 沪A·5K829\n"
    "5. 行李额：托运 20kg，手提 5kg；充电宝请随身携带，不可托运。\n"
    "6. 酒店可免费取消至 3月17日 18:00，之后收取首晚房费；延迟退房至 14:00 需提前告知前台。\n"
    "请至少提前 90 分钟到达机场办理登机手续，携带有效身份证件。\n"
    "酒店地址：上海市黄浦区中山东二路 585 号，前台电话 021-3302 9999。\n"
    "如需改签或退订，请在航班起飞前 24 小时联系我们，改签费按航空公司规定收取。\n"
    "Booking ref: XK7Q2M / Hotel conf. no. 88412093\n"
    "Have a pleasant trip! 祝您旅途愉快 ✈️🏨";

std::vector<Conversation> standardConversations() {
  std::vector<Conversation> v;
  v.push_back(conversation("+8613812345678", 0, 0, {
      {kReceived, "张总，明天上午十点的会议改到 3 楼会议室。"},
      {kSent, "收到，谢谢提醒"},
      {kReceived, "合同我已经发到你邮箱了，麻烦看一下第 4 条和第 7 条"},
      {kSent, "好的，我下午看完给你回复。\n第 7 条付款期限能否改成 60 天？"},
      {kReceived, "可以，我跟财务确认一下"},
      {kReceived, "财务同意了 👍"},
      {kSent, "太好了，那周五签？"},
      {kReceived, "周五下午两点，我带公章过去"}}));
  v.push_back(conversation("+8613987654321", 2, 1, {
      {kReceived, "晚上一起吃饭吗？新开了一家川菜馆"},
      {kSent, "好啊，几点？"},
      {kReceived, "七点，春熙路那家，我订位了"},
      {kSent, "OK 到时候见"}}));
  v.push_back(conversation("13905710001", 28, 2, {
      {kReceived, "儿子，周末回家吃饭吗？"},
      {kSent, "回的，周六中午到"},
      {kReceived, "好，给你炖排骨汤"},
      {kReceived, "天气预报说周六下雨，记得带伞☔"},
      {kSent, "知道啦"},
      {kReceived, "嗯"},
      {kReceived, "你爸说让你把上次借的电钻带回来"},
      {kSent, "好的好的"},
      {kReceived, "到家了吗？\n路上注意安全"},
      {kSent, "到了，放心"},
      {kReceived, "下周三是你外婆生日，别忘了打个电话 🎂"},
      {kSent, "记着呢，妈"}}));
  v.push_back(conversation("+8618600001234", 5, 3, {
      {kReceived, "货已经到前海仓库了，明天安排配送"},
      {kSent, "麻烦尽量上午送到，下午仓库没人"},
      {kReceived, "好的，我跟司机说"},
      {kReceived, "配送单号：QH20170312-0087\t司机：马师傅\t电话：18800990011"},
      {kSent, "收到"},
      {kReceived, "已签收，请确认"}}));
  v.push_back(conversation("+14155550132", 1, 4, {
      {kReceived, "Hi! Are we still on for the design review on Thursday?"},
      {kSent, "Yes, 2pm your time works. I'll send the deck tonight."},
      {kReceived, "Perfect 🙌 See you then"},
      {kSent, "Deck is in your inbox.\r\nSlides 12-15 are the new layouts."}}));
  v.push_back(conversation("10086", -1, 5, {
      {kReceived, "【中国移动】尊敬的客户，您本月话费账单如下：\r\n套餐费 58.00 元\r\n流量费 12.00 元\r\n合计 70.00 元\r\n如有疑问请拨打 10086。"},
      {kReceived, "【中国移动】您的流量已使用 80%，剩余 200MB。回复 KTLL 办理流量加油包。"},
      {kReceived, "【中国移动】您已成功办理 1GB 流量加油包，有效期至本月底。"},
      {kReceived, "【中国移动】尊敬的客户，您的积分 2380 分将于 2017 年 6 月 30 日到期。"},
      {kReceived, "【中国移动】您的账户余额为 15.60 元，为避免停机请及时充值。"}}));
  v.push_back(conversation("+8613500217789", 9, 6, {
      {kReceived, "版本 2.3 的测试报告出来了吗？"},
      {kSent, "今天下班前发你"},
      {kReceived, "好，客户周一要"}}));
  v.push_back(conversation("15800112233", 6, 7, {
      {kReceived, "周六去西湖骑车吗？🚲"},
      {kSent, "去！几点集合？"},
      {kReceived, "早上八点，断桥那边"},
      {kSent, "我带水和面包"},
      {kReceived, "那我带相机📷"},
      {kReceived, "路线：断桥 → 白堤 → 孤山 → 苏堤 → 雷峰塔\n大概 15 公里"}}));
  v.push_back(conversation("+16505550147", 7, 8, {
      {kSent, "Landed in SFO, grabbing a cab now."},
      {kReceived, "Great, lunch at the usual place? 12:30"},
      {kSent, "See you there"}}));
  v.push_back(conversation("+8613701019988", 8, 9, {
      {kReceived, "老同学，下个月聚会你来吗？"},
      {kSent, "来，具体哪天？"},
      {kReceived, "4 月 8 日，周六晚上"},
      {kReceived, "地点：\t老地方烧烤\n人均：\t150"},
      {kSent, "没问题，算我一个"},
      {kReceived, "记得带上大学时的照片 😂"},
      {kSent, "哈哈哈 翻箱倒柜找找"}}));
  v.push_back(conversation("95588", 29, 10, {
      {kReceived, "【工商银行】您尾号 6688 的卡 3 月 5 日 14:22 消费 268.00 元，余额 12,450.33 元。"},
      {kReceived, "【工商银行】验证码 482913，您正在进行网上银行登录，请勿泄露。"},
      {kReceived, "【工商银行】您尾号 6688 的卡 3 月 9 日 09:15 转入 8,000.00 元。"},
      {kReceived, "【工商银行】验证码 771025，有效期 5 分钟。"}}));
  v.push_back(conversation("+8613911223344", 3, 11, {
      {kReceived, "周末的瑜伽课取消了，老师生病了"},
      {kSent, "啊，那下周呢？"},
      {kReceived, "下周照常"},
      {kSent, "好的 🧘"},
      {kReceived, "对了，你的垫子落在教室了"}}));
  v.push_back(conversation("18911223344", 11, 12, {
      {kReceived, "帮我带一份早餐好吗？"},
      {kSent, "要什么？"},
      {kReceived, "豆浆油条\t不要糖"},
      {kSent, "好"},
      {kReceived, "谢谢亲爱的 ❤️"},
      {kReceived, "今天加班，晚点回"},
      {kSent, "几点？给你留饭"},
      {kReceived, "大概九点"},
      {kSent, "OK，饭在锅里"}}));
  v.push_back(conversation("+8618622334455", 22, 13, {
      {kReceived, "厨房的瓷砖到了，明天开始贴"},
      {kSent, "颜色是我选的那款米白色吧？"},
      {kReceived, "是的，8 箱，多的可以退"},
      {kReceived, "尾款 12000，完工后付"}}));
  v.push_back(conversation("+8613055667788", 24, 14, {
      {kReceived, "周二瑜伽课你去吗？"},
      {kSent, "去的"},
      {kReceived, kItinerary},
      {kReceived, "不好意思发错人了 😅"},
      {kSent, "哈哈没事，旅途愉快！"},
      {kReceived, "谢谢！给你带小笼包"},
      {kSent, "要南翔的！"},
      {kReceived, "没问题👌"},
      {kReceived, "到上海了，\r\n酒店很不错"},
      {kSent, "羡慕 😭"},
      {kReceived, "机场大巴 Line 1 到人民广场 🚌\n车票 ¥30，别坐错方向 😅"},
      {kReceived, "回来啦 🎉 小笼包 x2 给你留着\nSee you at yoga 周二 7pm? 😀"},
      {kSent, "太棒了 🥟🥟\nOK, 周二见 👋"}}));
  return v;
}

}  // namespace

Phone standardPhone() {
  Phone phone;
  phone.contacts = standardContacts();
  phone.conversations = standardConversations();
  Deletions& del = phone.deletions;
  // Whole contacts: a western name with two numbers, a Chinese name with an organization,
  // one with a multi-line note, one with a short record only, one with an e-mail only.
  del.contacts = {4, 9, 14, 22, 27, 30};
  // Single rows of contacts that stay: a second number, an e-mail, a note.
  del.dataRows = {{0, DataRowRef::kPhone, 1}, {12, DataRowRef::kEmail, 0}, {24, DataRowRef::kNote, 0},
                  {19, DataRowRef::kPhone, 1}};
  // Whole threads: a live contact, the bank, a deleted contact.
  del.conversations = {7, 10, 13};
  // Single messages: short and long ones, line breaks (LF and CR LF), TABs, emoji, and
  // Chinese, emoji and ASCII mixed across a line feed.
  del.messages = {{0, 2}, {0, 5}, {2, 5}, {2, 3}, {2, 8}, {3, 3}, {4, 3}, {5, 0},
                  {9, 3}, {9, 5}, {12, 2}, {14, 2}, {14, 8}, {1, 3}, {14, 10}};
  return phone;
}

void deleteEverything(Phone& phone) {
  Deletions all;
  for (std::size_t i = 0; i < phone.contacts.size(); ++i) all.contacts.push_back(static_cast<int>(i));
  for (std::size_t i = 0; i < phone.conversations.size(); ++i) all.conversations.push_back(static_cast<int>(i));
  phone.deletions = all;
}

}  // namespace samplephone
