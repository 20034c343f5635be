// Helpers of the result-control tests: a parent that records the check notifications of
// the list and the tree (and reflects like the main window), skin folders, a record model
// built in memory, and pixel reads from visible windows.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "CContactInfoBoard.h"
#include "CMsgInfoBoard.h"
#include "RecordModel.h"
#include "TestSupport.h"

namespace resulttests {

// The notifications a parent received: (wParam, lParam) per message.
class CRecordingParent : public testsupport::CReflectingParent {
public:
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CRecordingParent() override;
    std::vector<std::pair<WPARAM, LPARAM>> m_listChecks;
    std::vector<std::pair<WPARAM, LPARAM>> m_treeChecks;
};

// The folder of the real skin pictures (copied beside the test program).
std::wstring RealImageFolder();
// A folder of synthetic pictures with the real sizes and one plain colour per frame:
// checkbox.png red/yellow/blue/grey, checkboxes.png red/yellow/green/blue/grey,
// deleted.png magenta, inc.png green, dec.png cyan, treeroot.png black 14x20,
// tree_opened.bmp / tree_closed.bmp and list_hearder.bmp copied from the real folder.
std::wstring SyntheticImageFolder();

// A record model in memory, linked like the record-listing library's lists. Texts are
// kept alive by the model.
class CModel : public IContactBoardOwner, public IMsgBoardOwner {
public:
    ~CModel() override;
    const char* Text(const std::string& s);
    ContactRecord* AddContact(int key, const char* name, int nameSource = kNameSourceStructuredName);
    ContactRecord* AddDeletedContact(int position, const char* name);
    int AddMimetype(int key, const char* name);
    ContactDataRow* AddRow(int contactKey, int mimeKey, const char* data1, const char* data2 = nullptr,
                           const char* data5 = nullptr, const char* data6 = nullptr);
    ConversationRecord* AddConversation(int threadKey);
    ConversationRecord* AddDeletedSms(int position);
    MessageRecord* AddMessage(int threadKey, int type, const char* body, const char* caption = nullptr);

    // The rows and messages of one record, found by its key, as the main window's index does.
    const std::vector<const ContactDataRow*>& DataRowsOf(const ContactRecord& record) const override;
    const MimetypeEntry* MimetypesOf(const ContactRecord& /*record*/) const override {
        return m_mimes.empty() ? nullptr : m_mimes.front();
    }
    const std::vector<const MessageRecord*>& MessagesOf(const ConversationRecord& record) const override;

private:
    std::deque<std::string> m_texts;
    std::vector<ContactRecord*> m_contacts;
    std::vector<ContactDataRow*> m_rows;
    std::vector<MimetypeEntry*> m_mimes;
    std::vector<ConversationRecord*> m_conversations;
    std::vector<MessageRecord*> m_messages;
    mutable std::vector<const ContactDataRow*> m_rowsOf;
    mutable std::vector<const MessageRecord*> m_messagesOf;
};

constexpr int kPhoneMime = 5;
constexpr int kEmailMime = 1;
constexpr int kOrgMime = 4;
constexpr int kNameMime = 7;

// Paints a window now and reads one pixel of it from the screen.
COLORREF ScreenPixel(HWND hwnd, int x, int y);
bool Near(COLORREF a, COLORREF b, int tolerance = 8);

}  // namespace resulttests
