#include "SampleModel.h"

namespace apptest {

const char* const kTrickyBody =
    "Line one\nLine two with \"quotes\", <b>tags</b> & ampersands; it's \xe4\xbd\xa0\xe5\xa5\xbd \xf0\x9f\x98\x80";

void AddSamplePhone(ModelBuilder& builder, int64_t deletedDate) {
    AddStandardMimetypes(builder);
    builder.AddContact(1, 10, "Ann Smith", kNameSourceStructuredName);
    builder.AddRow(1, kNameMime, "Ann Smith", "Ann", "Smith");
    builder.AddRow(1, kPhoneMime, "+44 7700 900123", "2");
    builder.AddRow(1, kPhoneMime, "020 7946 0958", "1");
    builder.AddRow(1, kEmailMime, "ann@example.com", "2");
    builder.AddRow(1, kOrgMime, "Smith, Jones & Co; Ltd", "1");
    // 王小明
    builder.AddContact(2, 20, "\xe7\x8e\x8b\xe5\xb0\x8f\xe6\x98\x8e", kNameSourceStructuredName);
    builder.AddRow(2, kPhoneMime, "+86 138 0013 8000", "2");
    builder.AddContact(3, 30, "+1 555 0100", kNameSourcePhone);
    builder.AddRow(3, kPhoneMime, "+1 555 0100", "3");
    builder.AddContact(4, 40,
                       "Bartholomew Maximilian Fitzgerald-Worthington \xf0\x9f\x8e\xa9 of \xe5\x8c\x97\xe4\xba\xac, "
                       "Esquire \\ the Third",
                       kNameSourceStructuredName);
    builder.AddRow(4, kEmailMime, "bart@example.org", "1");
    builder.AddContact(5, 50, "Unchecked", kNameSourceStructuredName).checked = 0;

    builder.AddDeletedContact(DeletedPerson("James O'Brien", {{kPhoneV2, "07700 900123", 2},
                                                              {kPhoneV2, "+44 20 7946 0958", 1},
                                                              {kEmailV2, "james.obrien@example.org", 1},
                                                              {kOrganization, "O'Brien \"Plumbing\" & Sons", {}}}));
    builder.AddDeletedContact(DeletedPerson("", {{kPhoneV2, "555 0199", {}}}));

    builder.AddConversation(1);
    builder.AddMessage(1, "+44 7700 900123", 10, 1, "2024-01-01 10:00:00", "Hi, Ann here \xf0\x9f\x98\x80");
    builder.AddMessage(1, "+44 7700 900123", 10, 2, "2024-01-01 10:05:00", kTrickyBody);
    builder.AddMessage(1, "+44 7700 900123", 10, 1, "2024-01-01 10:06:00", "\xe4\xbd\xa0\xe5\xa5\xbd\xef\xbc\x8c"
                                                                           "\xe4\xb8\x96\xe7\x95\x8c");
    builder.AddConversation(2);
    builder.AddMessage(2, "+1 555 0100", 0, 2, "2024-02-10 08:30:00", "Are you there?");
    builder.AddConversation(3).checked = 0;
    builder.AddMessage(3, "+86 138 0013 8000", 20, 1, "2024-02-11 09:00:00", "unchecked");

    builder.AddDeletedSms(DeletedMessage("07700 900123",
                                         "Call me back, \"urgent\" <b>now</b> & then\nbye \xf0\x9f\x91\x8b",
                                         deletedDate, 1, "James O'Brien"));
    builder.AddDeletedSms(DeletedMessage(std::nullopt, "a fragment without its number"));
    builder.AddDeletedSms(DeletedMessage("+44 20 7946 0958", "On my way", deletedDate + 60000, 2));
}

}  // namespace apptest
