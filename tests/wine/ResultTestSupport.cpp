#include "ResultTestSupport.h"

#include <cstdlib>

#include "WindowMessages.h"
#include "SkinFolder.h"

namespace resulttests {

BOOL CRecordingParent::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_LISTITEM_CHECKED) {
        m_listChecks.emplace_back(wp, lp);
        result = 0;
        return TRUE;
    }
    if (msg == WM_TREEITEM_CHECKED) {
        m_treeChecks.emplace_back(wp, lp);
        result = 0;
        return TRUE;
    }
    return CReflectingParent::ProcessWindowMessage(hwnd, msg, wp, lp, result);
}

CRecordingParent::~CRecordingParent() = default;

std::wstring RealImageFolder() { return controls::DefaultImageFolder(); }

std::wstring SyntheticImageFolder() {
    static std::wstring folder;
    if (!folder.empty()) return folder;
    folder = testsupport::FreshFolder(L"result-skin");
    testsupport::WriteStrip(folder + L"checkbox.png", 16, 16, {0xFFFF0000, 0xFFFFFF00, 0xFF0000FF, 0xFF808080});
    testsupport::WriteStrip(folder + L"checkboxes.png", 16, 16,
                            {0xFFFF0000, 0xFFFFFF00, 0xFF00FF00, 0xFF0000FF, 0xFF808080});
    testsupport::WriteSolid(folder + L"deleted.png", 16, 16, 0xFFFF00FF);
    testsupport::WriteSolid(folder + L"inc.png", 10, 6, 0xFF00FF00);
    testsupport::WriteSolid(folder + L"dec.png", 10, 6, 0xFF00FFFF);
    testsupport::WriteSolid(folder + L"treeroot.png", 14, 20, 0xFF000000);
    testsupport::WriteSolid(folder + L"contacts.png", 20, 20, 0xFF804000);
    std::wstring real = RealImageFolder();
    for (const wchar_t* name : {L"tree_opened.bmp", L"tree_closed.bmp", L"list_hearder.bmp"})
        ::CopyFileW((real + name).c_str(), (folder + name).c_str(), FALSE);
    return folder;
}

CModel::~CModel() {
    for (auto* p : m_contacts) delete p;
    for (auto* p : m_rows) delete p;
    for (auto* p : m_mimes) delete p;
    for (auto* p : m_conversations) delete p;
    for (auto* p : m_messages) delete p;
}

const char* CModel::Text(const std::string& s) {
    m_texts.push_back(s);
    return m_texts.back().c_str();
}

template <class T>
static void Link(std::vector<T*>& list, T* item) {
    if (!list.empty()) list.back()->next = item;
    list.push_back(item);
}

ContactRecord* CModel::AddContact(int key, const char* name, int nameSource) {
    auto* c = new ContactRecord{};
    c->contactKey = key;
    c->checked = 1;
    c->displayName = name ? Text(name) : nullptr;
    c->nameSource = nameSource;
    Link(m_contacts, c);
    return c;
}

ContactRecord* CModel::AddDeletedContact(int position, const char* name) {
    ContactRecord* c = AddContact(position, name);
    c->deleted = 1;
    return c;
}

int CModel::AddMimetype(int key, const char* name) {
    auto* m = new MimetypeEntry{};
    m->key = key;
    m->name = Text(name);
    Link(m_mimes, m);
    return key;
}

ContactDataRow* CModel::AddRow(int contactKey, int mimeKey, const char* data1, const char* data2, const char* data5,
                               const char* data6) {
    auto* r = new ContactDataRow{};
    r->contactKey = contactKey;
    r->mimetypeKey = mimeKey;
    r->data1 = data1 ? Text(data1) : nullptr;
    r->data2 = data2 ? Text(data2) : nullptr;
    r->data5 = data5 ? Text(data5) : nullptr;
    r->data6 = data6 ? Text(data6) : nullptr;
    Link(m_rows, r);
    return r;
}

ConversationRecord* CModel::AddConversation(int threadKey) {
    auto* c = new ConversationRecord{};
    c->threadKey = threadKey;
    c->checked = 1;
    Link(m_conversations, c);
    return c;
}

ConversationRecord* CModel::AddDeletedSms(int position) {
    ConversationRecord* c = AddConversation(position);
    c->deleted = 1;
    return c;
}

const std::vector<const ContactDataRow*>& CModel::DataRowsOf(const ContactRecord& record) const {
    m_rowsOf.clear();
    for (const ContactDataRow* row : m_rows)
        if (row->contactKey == record.contactKey) m_rowsOf.push_back(row);
    return m_rowsOf;
}

const std::vector<const MessageRecord*>& CModel::MessagesOf(const ConversationRecord& record) const {
    m_messagesOf.clear();
    for (const MessageRecord* message : m_messages)
        if (message->threadKey == record.threadKey) m_messagesOf.push_back(message);
    return m_messagesOf;
}

MessageRecord* CModel::AddMessage(int threadKey, int type, const char* body, const char* caption) {
    auto* m = new MessageRecord{};
    m->threadKey = threadKey;
    m->type = type;
    m->body = body ? Text(body) : nullptr;
    m->caption = caption ? Text(caption) : nullptr;
    Link(m_messages, m);
    return m;
}

COLORREF ScreenPixel(HWND hwnd, int x, int y) {
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    testsupport::Pump(30);
    HDC dc = ::GetDC(hwnd);
    COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(hwnd, dc);
    return c;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace resulttests
