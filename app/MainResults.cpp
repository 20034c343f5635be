// The main window's results page: loading on its worker, the category tree, the check list
// and the two detail boards, check marks kept in step, pause, stop and back.
#include <windows.h>

#include <commctrl.h>

#include <cwchar>

#include "CMainDlg.h"
#include "CMsgBox.h"
#include "ListText.h"
#include "NarrowText.h"
#include "WindowMessages.h"

namespace {

const wchar_t kContactsLabel[] = L"Contacts";
const wchar_t kMessageLabel[] = L"Message";

std::wstring CategoryLabel(const wchar_t* name, int count) {
    wchar_t text[64];
    std::swprintf(text, 64, L"%ls (%d)", name, count);
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Loading

void CMainDlg::StartLoading() {
    m_control->Reset(0);
    ShowStage(Stage::kLoading);
    m_hWorker = StartLoadWorker(m_results, m_control);
    if (!m_hWorker.IsValid()) {
        m_results->m_strFailure = "Loading the records could not be started.";
        OnLoadDone();
    }
}

void CMainDlg::OnLoadCounted() {
    if (m_stage != Stage::kLoading) return;
    m_btnPause.ShowWindow(SW_SHOW);
    m_btnStop.ShowWindow(SW_SHOW);
}

void CMainDlg::OnCategoryLoaded(Category category, int count) {
    const bool contacts = category == Category::kContacts;
    const std::wstring label = CategoryLabel(contacts ? kContactsLabel : kMessageLabel, count);
    m_tree.SetCategoryCount(contacts ? m_hContactsItem : m_hMessageItem, label.c_str(), 1);
}

void CMainDlg::OnLoadDone() {
    m_hWorker.Close();
    ShowStage(Stage::kResults);
    for (HTREEITEM item : {m_hRootItem, m_hContactsItem, m_hMessageItem}) m_tree.SetStateImage(item, 2);
    if (m_tree.GetSelectedItem() == m_hContactsItem)
        ShowCategory(m_hContactsItem);  // already selected: the selection change will not come
    else
        m_tree.SelectItem(m_hContactsItem);
    if (m_results && !m_results->m_strFailure.empty())
        ShowBox(MSGICON_WARNING, MSGBTN_OK, WideFromAnsi(m_results->m_strFailure));
}

void CMainDlg::OnPause() {
    if (!m_hWorker.IsValid() || !m_control) return;
    m_control->Pause();
    m_animate.StopAnim();
    m_btnPause.ShowWindow(SW_HIDE);
    m_btnContinue.ShowWindow(SW_SHOW);
}

void CMainDlg::OnContinue() {
    if (!m_hWorker.IsValid() || !m_control) return;
    m_control->Resume();
    m_animate.StartAnim();
    m_btnContinue.ShowWindow(SW_HIDE);
    m_btnPause.ShowWindow(SW_SHOW);
}

void CMainDlg::OnStop() {
    // A paused worker resumes, ends at its next look at the flag and still reports its end.
    if (m_control) m_control->RequestStop();
}

void CMainDlg::OnBack() {
    if (ShowBox(MSGICON_WARNING, MSGBTN_YES | MSGBTN_NO,
                L"Are you sure to go back to reload the data from Android phone?") != IDC_MSGBOX_YES ||
        m_bClosing)
        return;
    ResetResults();
    StartPull();
    UpdateWindow();
}

// Drops the results and their copies and empties the results page.
void CMainDlg::ResetResults() {
    ClearResults();
    m_tree.SetCategoryCount(m_hContactsItem, kContactsLabel, 0);
    m_tree.SetCategoryCount(m_hMessageItem, kMessageLabel, 0);
    for (HTREEITEM item : {m_hRootItem, m_hContactsItem, m_hMessageItem}) m_tree.SetStateImage(item, 1);
    m_tree.SelectItem(m_hRootItem);
    m_hShownItem = nullptr;
    m_progress.SendMessage(PBM_SETPOS, 0, 0);
    m_scanFolder.Remove();
}

void CMainDlg::ClearResults() {
    if (m_list && m_list->m_hWnd) {
        m_list->DeleteAllItems();
        while (m_list->DeleteColumn(0)) {
        }
    }
    if (m_contactBoard) {
        if (m_contactBoard->m_hWnd) m_contactBoard->DestroyWindow();
        m_contactBoard.reset();
    }
    if (m_msgBoard) {
        m_msgBoard->ClearBubbles();
        if (m_msgBoard->m_hWnd) m_msgBoard->DestroyWindow();
        m_msgBoard.reset();
    }
    // The records go with the results; a worker still holding them keeps them until it ends.
    if (m_control) m_control->RequestStop();
    m_results.reset();
    m_control.reset();
}

// ---------------------------------------------------------------------------------------
// The shown category

int CMainDlg::CategoryCount(HTREEITEM item) const {
    const CategoryData* data = item ? m_tree.GetCategory(item) : nullptr;
    return data ? data->nCount : 0;
}

bool CMainDlg::NodeChecked(HTREEITEM item) const { return item && m_tree.GetStateImage(item) == 2; }

void CMainDlg::ShowCategory(HTREEITEM item) {
    if (!item || item == m_hRootItem || !m_results || !m_list || !m_list->m_hWnd) return;
    if (CategoryCount(item) == 0) return;
    m_hShownItem = item;
    m_list->m_header.SetCheckAll(NodeChecked(item));
    m_list->DeleteAllItems();
    while (m_list->DeleteColumn(0)) {
    }
    // Thousands of rows go in without a repaint for each.
    m_list->SendMessage(WM_SETREDRAW, FALSE, 0);
    if (item == m_hContactsItem)
        FillContactRows();
    else
        FillMessageRows();
    m_list->SendMessage(WM_SETREDRAW, TRUE, 0);
    m_list->Invalidate(TRUE);
}

void CMainDlg::FillContactRows() {
    const ScanResults& s = *m_results;
    if (m_msgBoard && m_msgBoard->m_hWnd) m_msgBoard->ShowWindow(SW_HIDE);
    m_list->ShowWindow(SW_HIDE);
    m_list->SetWindowPos(nullptr, 225, 32, 507, 576, SWP_NOZORDER | SWP_NOACTIVATE);
    m_list->InsertColumn(0, L"Name", LVCFMT_CENTER, 150);
    m_list->InsertColumn(1, L"Phone", LVCFMT_CENTER, 170);
    m_list->InsertColumn(2, L"Company", LVCFMT_CENTER, 180);
    m_list->InsertColumn(3, L"Email", LVCFMT_CENTER, 150);
    m_list->m_nListKind = CListViewCheck1::kContacts;

    auto add = [this](const ContactRecord* record, const ContactListRow& texts) {
        int row = m_list->AddRow(texts.name.c_str(), texts.phone.c_str(), texts.company.c_str(), texts.email.c_str());
        if (row < 0) return;
        m_list->SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
        m_list->SetStateImage(row, record->checked ? 2 : 1);
    };
    for (const auto& deleted : s.m_vecDeletedContacts) add(&deleted->record, DeletedContactListColumns(*deleted));
    for (const ContactRecord* c = s.m_pContacts; c; c = c->next) add(c, ContactListColumns(s.Index(), *c));

    if (!m_contactBoard) {
        m_contactBoard = std::make_unique<CContactInfoBoard>();
        m_contactBoard->CreateBoard(m_hWnd, this);
    }
    m_list->ShowWindow(SW_SHOW);
    if (m_contactBoard->m_hWnd) {
        m_contactBoard->ShowWindow(SW_SHOW);
        LPARAM first = m_list->GetItemCount() > 0 ? static_cast<LPARAM>(m_list->GetItemData(0)) : 0;
        m_contactBoard->SendMessage(WM_SHOW_CONTACT, 0, first);
    }
}

void CMainDlg::FillMessageRows() {
    const ScanResults& s = *m_results;
    if (m_contactBoard && m_contactBoard->m_hWnd) m_contactBoard->ShowWindow(SW_HIDE);
    m_list->ShowWindow(SW_HIDE);
    m_list->SetWindowPos(nullptr, 225, 32, 497, 576, SWP_NOZORDER | SWP_NOACTIVATE);
    m_list->InsertColumn(0, L"Name", LVCFMT_CENTER, 220);
    m_list->InsertColumn(1, L"Phone", LVCFMT_CENTER, 276);

    auto add = [this](const ConversationRecord* record, const std::wstring& name, const std::wstring& phone) {
        int row = m_list->AddRow(name.c_str(), phone.c_str());
        if (row < 0) return;
        m_list->SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
        m_list->SetStateImage(row, record->checked ? 2 : 1);
    };
    std::wstring name, phone;
    for (const auto& deleted : s.m_vecDeletedSms) {
        DeletedSmsListColumns(*deleted, name, phone);
        add(&deleted->record, name, phone);
    }
    for (const ConversationRecord* c = s.m_pConversations; c; c = c->next)
        add(c, ConversationListName(s.Index(), *c), ConversationListPhone(s.Index(), *c));

    if (!m_msgBoard) {
        m_msgBoard = std::make_unique<CMsgInfoBoard>();
        m_msgBoard->CreateBoard(m_hWnd, this);
    }
    LPARAM first = 0;
    if (m_list->GetItemCount() > 0) {
        m_list->SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_list->SendMessage(LVM_ENSUREVISIBLE, 0, FALSE);
        first = static_cast<LPARAM>(m_list->GetItemData(0));
    }
    if (m_msgBoard->m_hWnd) m_msgBoard->SendMessage(WM_SHOW_MESSAGE, 0, first);
    m_list->m_nListKind = CListViewCheck1::kConversations;
    m_list->ShowWindow(SW_SHOW);
    if (m_msgBoard->m_hWnd) m_msgBoard->ShowWindow(SW_SHOW);
}

// ---------------------------------------------------------------------------------------
// Check marks

void CMainDlg::OnListItemChecked(int row, bool checked) {
    if (!m_results || !m_list || row < 0 || row >= m_list->GetItemCount()) return;
    DWORD_PTR data = m_list->GetItemData(row);
    if (m_hShownItem == m_hContactsItem) {
        if (auto* record = reinterpret_cast<ContactRecord*>(data)) record->checked = checked ? 1 : 0;
        m_tree.SetStateImage(m_hContactsItem, m_list->m_header.IsCheckAllChecked() ? 2 : 1);
    } else if (m_hShownItem == m_hMessageItem) {
        if (auto* record = reinterpret_cast<ConversationRecord*>(data)) record->checked = checked ? 1 : 0;
        m_tree.SetStateImage(m_hMessageItem, m_list->m_header.IsCheckAllChecked() ? 2 : 1);
    }
    UpdateRootCheck();
}

void CMainDlg::UpdateRootCheck() {
    bool all = NodeChecked(m_hContactsItem) && NodeChecked(m_hMessageItem);
    m_tree.SetStateImage(m_hRootItem, all ? 2 : 1);
    m_tree.Invalidate(FALSE);
}

void CMainDlg::OnTreeItemChecked(HTREEITEM item, bool checked) {
    if (!m_results) return;
    if (item == m_hShownItem && m_list && m_list->m_hWnd) {
        m_list->m_header.SetCheckAll(checked);
        for (int row = 0, rows = m_list->GetItemCount(); row < rows; ++row) m_list->SetStateImage(row, checked ? 2 : 1);
        m_list->Invalidate(FALSE);
    }
    if (item == m_hContactsItem)
        m_results->CheckAll(Category::kContacts, checked);
    else if (item == m_hMessageItem)
        m_results->CheckAll(Category::kMessages, checked);
}

void CMainDlg::OnListClick() {
    if (!m_list || !m_list->m_hWnd) return;
    int row = static_cast<int>(m_list->SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0) return;
    LPARAM record = static_cast<LPARAM>(m_list->GetItemData(row));
    if (m_hShownItem == m_hContactsItem && m_contactBoard && m_contactBoard->m_hWnd)
        m_contactBoard->SendMessage(WM_SHOW_CONTACT, 0, record);
    else if (m_hShownItem == m_hMessageItem && m_msgBoard && m_msgBoard->m_hWnd)
        m_msgBoard->SendMessage(WM_SHOW_MESSAGE, 0, record);
}
