// results-host: the result screen's controls with sample content, laid out as on the main
// window, for screenshots (wine-results.sh).
//
//   results-host contacts   the tree, the contact list (live and deleted rows) and the
//                           contact board showing the first row; window "results-host"
//   results-host messages   the tree, the message list and the message board
//   ... deleted             the board shows the first (deleted) row instead
//   ... scrolled            the board is scrolled down by three wheel notches (messages:
//                           a conversation of 200 messages)
//
// The last check notification shows in the window title: "results-host list ROW CHECKED"
// or "results-host tree KIND CHECKED" (KIND 0 contacts, 1 messages).
//
// Pictures come from the "image" folder beside the host.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "CContactInfoBoard.h"
#include "CListViewCheck1.h"
#include "CMsgInfoBoard.h"
#include "CTreeViewEx1.h"
#include "WindowMessages.h"
#include "GdipImage.h"
#include "ResultTestSupport.h"
#include "SkinFolder.h"
#include "WindowImpl.h"

namespace {

class CResultsWindow : public winframe::CWindowImpl<CResultsWindow> {
public:
    CResultsWindow(bool messages, bool deleted, bool scrolled)
        : m_bMessages(messages), m_bDeleted(deleted), m_bScrolled(scrolled) {}
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        switch (msg) {
        case WM_CREATE:
            OnCreate();
            return FALSE;
        case WM_ERASEBKGND: {
            RECT rc = GetClientRect();
            winframe::CBrush back(::CreateSolidBrush(RGB(226, 236, 244)));
            ::FillRect(reinterpret_cast<HDC>(wp), &rc, back);
            result = 1;
            return TRUE;
        }
        case WM_LISTITEM_CHECKED:
            ShowNotification(L"list", static_cast<int>(wp), lp);
            result = 0;
            return TRUE;
        case WM_TREEITEM_CHECKED: {
            const CategoryData* data = m_tree.GetCategory(reinterpret_cast<HTREEITEM>(wp));
            ShowNotification(L"tree", data ? data->nKind : -1, lp);
            result = 0;
            return TRUE;
        }
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return FALSE;
        default:
            break;
        }
        return winframe::ReflectNotifications(hwnd, msg, wp, lp, result);
    }
    ~CResultsWindow() override = default;

private:
    void ShowNotification(const wchar_t* from, int what, LPARAM checked) {
        std::wstring title = L"results-host " + std::wstring(from) + L" " + std::to_wstring(what) + L" " +
                             std::to_wstring(static_cast<int>(checked));
        SetWindowText(title.c_str());
    }
    void OnCreate() {
        BuildModel();
        CreateTree();
        m_list.m_nRowHeight = 30;
        m_list.CreateList(m_hWnd, RECT{225, 32, 225 + (m_bMessages ? 497 : 507), 32 + 576});
        m_list.InitListView();
        m_list.SetExtendedListViewStyle(CListViewCheck1::kExStyle);
        if (m_bMessages) FillMessages(); else FillContacts();
    }
    void BuildModel() {
        using namespace resulttests;
        m_model.AddMimetype(kPhoneMime, "vnd.android.cursor.item/phone_v2");
        m_model.AddMimetype(kEmailMime, "vnd.android.cursor.item/email_v2");
        m_model.AddMimetype(kOrgMime, "vnd.android.cursor.item/organization");
        m_deletedContacts = {m_model.AddDeletedContact(0, "Dora Lindqvist"),
                             m_model.AddDeletedContact(1, "Pim Okafor")};
        m_model.AddRow(0, kPhoneMime, "+46 70 555 0199", "2");
        m_model.AddRow(0, kEmailMime, "dora@lindqvist.example", "1");
        m_model.AddRow(1, kPhoneMime, "0161 555 0142", "1");
        const char* names[] = {"Ada Quillfeather", "Bela Fenwick", "Cyd Marrow", "Esme Thornbury", "Farid Haddad",
                               "Gwen Ostrowski"};
        for (int i = 0; i < 6; ++i) m_contacts.push_back(m_model.AddContact(100 + i, names[i]));
        m_model.AddRow(100, kPhoneMime, "+44 20 7946 0018", "2");
        m_model.AddRow(100, kPhoneMime, "+44 20 7946 0991", "3");
        m_model.AddRow(100, kOrgMime, "Quillfen Analytical Engines Ltd", "1", "Research and Development", "Lead");
        m_model.AddRow(100, kEmailMime, "ada.quillfeather@analytical-engines.example.org", "2");
        m_model.AddRow(100, kEmailMime, "ada@home.example", "1");
        m_model.AddRow(100, kPhoneMime, "+44 7700 900123", "17");
        m_model.AddRow(101, kPhoneMime, "555 0102", "1");

        m_deletedSms = m_model.AddDeletedSms(0);
        m_model.AddMessage(0, 1, "Did you get the keys back from the landlord? I left them under the mat.",
                           "2024-04-30 21:05:13");
        m_thread = m_model.AddConversation(7);
        m_model.AddMessage(7, 1, "Are we still on for Saturday?", "2024-05-01 09:12:44");
        m_model.AddMessage(7, 2, "Yes! 10 o'clock at the station.", "2024-05-01 09:15:02");
        m_model.AddMessage(7, 1, "Great. I'll bring the maps and some sandwiches for the trip, and the old "
                                 "camera if it still works.", "2024-05-01 09:20:31");
        m_model.AddMessage(7, 2, "ok", "2024-05-01 09:21:00");
        m_model.AddMessage(7, 1, "See you there", "2024-05-01 09:22:10");
        if (m_bScrolled)
            for (int i = 0; i < 200; ++i)
                m_model.AddMessage(7, i % 3 ? 2 : 1, m_model.Text("Message " + std::to_string(i) + " of a long talk"),
                                   "2024-05-02 18:00:00");
    }
    void CreateTree() {
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | TVS_HASBUTTONS | TVS_LINESATROOT |
                      TVS_SHOWSELALWAYS | TVS_NOTOOLTIPS | TVS_CHECKBOXES | TVS_FULLROWSELECT;
        HWND tree = ::CreateWindowExW(0, WC_TREEVIEWW, L"", style, 1, 32, 221, 577, m_hWnd,
                                      reinterpret_cast<HMENU>(1003), nullptr, nullptr);
        m_imgContacts.Load(controls::ImagePath(L"contacts.png"));
        m_imgMessage.Load(controls::ImagePath(L"message.png"));
        m_tree.m_nItemHeight = 25;
        m_tree.InitTreeView(tree);
        HTREEITEM root = m_tree.InsertItem(L"android phone", TVI_ROOT, TVI_LAST, 0, TRUE);
        HTREEITEM contacts = m_tree.AddCategory(root, 0, L"Contacts", &m_imgContacts);
        HTREEITEM message = m_tree.AddCategory(root, 1, L"Message", &m_imgMessage);
        m_tree.Expand(root);
        m_tree.SetCategoryCount(contacts, L"Contacts (8)", 8);
        m_tree.SetCategoryCount(message, m_bMessages ? L"Message (2)" : L"Message (0)", m_bMessages ? 2 : 0);
        m_tree.SetStateImage(root, 1);
        m_tree.SetStateImage(contacts, 1);
        m_tree.SetStateImage(message, 2);
        m_tree.SelectItem(m_bMessages ? message : contacts);
    }
    void FillContacts() {
        m_list.m_nListKind = CListViewCheck1::kContacts;
        m_list.InsertColumn(0, L"Name", LVCFMT_CENTER, 150);
        m_list.InsertColumn(1, L"Phone", LVCFMT_CENTER, 170);
        m_list.InsertColumn(2, L"Company", LVCFMT_CENTER, 180);
        m_list.InsertColumn(3, L"Email", LVCFMT_CENTER, 150);
        int row = m_list.AddRow(L"Dora Lindqvist", L"+46 70 555 0199", L"", L"");
        m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(m_deletedContacts[0]));
        row = m_list.AddRow(L"Pim Okafor", L"0161 555 0142", L"", L"");
        m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(m_deletedContacts[1]));
        const wchar_t* rows[][4] = {{L"Ada Quillfeather", L"+44 20 7946 0018", L"Quillfen Analytical Engines Ltd",
                                     L"ada.quillfeather@analytical-engines.example.org"},
                                    {L"Bela Fenwick", L"555 0102", L"", L""},
                                    {L"Cyd Marrow", L"", L"", L""},
                                    {L"Esme Thornbury", L"", L"", L""},
                                    {L"Farid Haddad & Sons", L"", L"", L""},
                                    {L"Gwen Ostrowski", L"", L"", L""}};
        for (size_t i = 0; i < 6; ++i) {
            row = m_list.AddRow(rows[i][0], rows[i][1], rows[i][2], rows[i][3]);
            m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(m_contacts[i]));
        }
        for (int i = 0; i < m_list.GetItemCount(); ++i) m_list.SetStateImage(i, i == 3 ? 1 : 2);
        m_list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
        m_contactBoard.CreateBoard(m_hWnd, &m_model);
        m_contactBoard.SendMessage(WM_SHOW_CONTACT, 0,
                                   reinterpret_cast<LPARAM>(m_bDeleted ? m_deletedContacts[0] : m_contacts[0]));
        if (m_bScrolled) Wheel(m_contactBoard);
    }
    void FillMessages() {
        m_list.m_nListKind = CListViewCheck1::kConversations;
        m_list.InsertColumn(0, L"Name", LVCFMT_CENTER, 220);
        m_list.InsertColumn(1, L"Phone", LVCFMT_CENTER, 276);
        int row = m_list.AddRow(L"Dora Lindqvist", L"+46705550199");
        m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(m_deletedSms));
        row = m_list.AddRow(L"Ada Quillfeather", L"+447700900123");
        m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(m_thread));
        m_list.SetStateImage(0, 2);
        m_list.SetStateImage(1, 2);
        m_list.m_header.SetCheckAll(true);
        m_list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
        m_msgBoard.CreateBoard(m_hWnd, &m_model);
        m_msgBoard.SendMessage(WM_SHOW_MESSAGE, 0, reinterpret_cast<LPARAM>(m_bDeleted ? m_deletedSms : m_thread));
        if (m_bScrolled) Wheel(m_msgBoard);
    }
    static void Wheel(HWND board) {
        for (int i = 0; i < 3; ++i) ::SendMessageW(board, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    }

    bool m_bMessages;
    bool m_bDeleted;
    bool m_bScrolled;
    resulttests::CModel m_model;
    std::vector<ContactRecord*> m_contacts;
    std::vector<ContactRecord*> m_deletedContacts;
    ConversationRecord* m_deletedSms = nullptr;
    ConversationRecord* m_thread = nullptr;
    winframe::CGdipImage m_imgContacts, m_imgMessage;
    CTreeViewEx1 m_tree;
    CListViewCheck1 m_list;
    CContactInfoBoard m_contactBoard;
    CMsgInfoBoard m_msgBoard;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*prev*/, PWSTR /*cmdLine*/, int /*show*/) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    winframe::SetModuleInstance(instance);
    winframe::CGdiplusSession gdiplus;
    controls::SetImageFolder(controls::DefaultImageFolder());
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    ::LocalFree(argv);
    auto has = [&](const wchar_t* word) {
        for (const auto& a : args)
            if (a == word) return true;
        return false;
    };
    CResultsWindow window(has(L"messages"), has(L"deleted"), has(L"scrolled"));
    if (!window.Create(nullptr, RECT{20, 20, 20 + 984, 20 + 674}, L"results-host", WS_POPUP | WS_VISIBLE)) return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
