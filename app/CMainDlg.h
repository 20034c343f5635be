// CMainDlg: the program's one top-level window, a caption-less, rounded 984 x 674 dialog
// painted from skin pictures, that walks the user through the whole job:
//
//   Pulling    connect page, loading picture animated        -> WM_PULL_DONE
//   Failed     connect page, failure picture and hints       -> refresh
//   Scanning   both engine runs on this thread (no repaint)  -> end of the runs
//   Loading    results page, tree, progress, pause/stop      -> WM_LOAD_DONE
//   Results    tree, list, detail board, back, recover       -> recover, back, close
//   Exporting  progress, pause/stop                          -> WM_EXPORT_DONE
//
// The pull, load, export and update workers never touch this object: the results of a
// scan live in a ScanSession shared with its worker, the pull and update workers carry
// their own jobs, and all of them report by messages to window handles (see ScanSession.h).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "CAnimateImg.h"
#include "CContactInfoBoard.h"
#include "CImgButton.h"
#include "CListViewCheck1.h"
#include "CMsgInfoBoard.h"
#include "CMyHyperLink.h"
#include "CTreeViewEx1.h"
#include "Controls.h"
#include "GdipImage.h"
#include "ScanSession.h"
#include "WindowImpl.h"
#include "resource.h"

class CMainDlg : public winframe::CDialogImpl<CMainDlg>, public IContactBoardOwner, public IMsgBoardOwner {
public:
    enum { IDD = IDD_MAINDLG };

    static constexpr int kWidth = 984;
    static constexpr int kHeight = 674;
    static constexpr UINT_PTR ID_TIMER_ANIMATION = 2;
    static constexpr UINT_PTR ID_TIMER_UPDATE = 3;

    CMainDlg();
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CMainDlg() override;

    // The lists the detail boards read.
    const ContactDataRow* ContactDataRows() const override;
    const MimetypeEntry* Mimetypes() const override;
    const MessageRecord* Messages() const override;

private:
    int m_nPage = 1;         // 1 connect page, 2 results page
    int m_nLoadState = -1;   // -1 loading from the phone, 0 load failed, 1 loaded
    bool m_hWorker = false;  // a pull, load or export worker was started and has not ended
    // Set by CloseApp. The window may be asked to close from inside one of its own modal
    // loops (a message box, the folder browser, the menu); whatever was waiting on that
    // loop must then not go on, and no worker's end message starts anything new.
    bool m_bClosing = false;
    // The folder browser of an export is open: a second recover command queued meanwhile
    // must not open a second browser inside the first.
    bool m_bChoosingFolder = false;
    bool m_bAnimTimer = false;
    int m_nAnimFrame = 0;
    std::wstring m_strSaveDir;
    char m_szContactsDb[MAX_PATH] = {};
    char m_szSmsDb[MAX_PATH] = {};
    std::string m_strVersion;

    // The results of the latest scan, shared with its worker; null before the first scan.
    std::shared_ptr<ScanSession> m_session;
    std::shared_ptr<RecsiftLibrary> m_library;

    HTREEITEM m_hRootItem = nullptr;
    HTREEITEM m_hContactsItem = nullptr;
    HTREEITEM m_hMessageItem = nullptr;
    HTREEITEM m_hShownItem = nullptr;

    winframe::CGdipImage m_imgMainBg1;
    winframe::CGdipImage m_imgMainBg2;
    winframe::CGdipImage m_imgStep1;
    winframe::CGdipImage m_imgStep2;
    winframe::CGdipImage m_imgLoadData;  // "loaddata.gif", animated
    winframe::CGdipImage m_imgLoadFail;
    winframe::CGdipImage m_imgContacts;
    winframe::CGdipImage m_imgMessage;

    CImgButton m_btnClose;
    CImgButton m_btnMin;
    CImgButton m_btnMenu;
    CImgButton m_btnHome;
    CImgButton m_btnHelp;
    CImgButton m_btnBack;
    CImgButton m_btnPause;
    CImgButton m_btnContinue;
    CImgButton m_btnStop;
    CImgButton m_btnRecover;
    CImgButton m_btnRefresh;
    CTreeViewEx1 m_tree;
    std::unique_ptr<CListViewCheck1> m_list;
    winframe::CWindow m_progress;
    CAnimateImg m_animate;
    CMyHyperLink m_link;  // "Have Problems?", shown after a failed pull
    std::unique_ptr<CContactInfoBoard> m_contactBoard;
    std::unique_ptr<CMsgInfoBoard> m_msgBoard;

    void OnInitDialog();
    void BuildControls();
    void BuildTree();
    void OnPaint();
    void PaintConnectPage(HDC dc);
    void OnTimer(UINT_PTR id);
    void OnAnimationTimer();
    BOOL OnCommand(WORD id);
    BOOL OnNotify(const NMHDR* header, LRESULT& result);
    void ShowMainMenu();
    void StartUpdater();
    void OnNewVersion();

    // The road of one scan.
    void StartPull();
    void OnPullDone();
    void OnLoadCounted();
    void OnCategoryLoaded(int kind, int count);
    void OnLoadDone();
    void OnPause();
    void OnContinue();
    void OnStop();
    void OnBack();
    void OnRefresh();
    void ClearResults();
    void DeleteDatabaseCopies();
    void CloseApp(int code);

    // Results page.
    void ShowCategory(HTREEITEM item);
    void FillContactRows();
    void FillMessageRows();
    void OnListItemChecked(int row, bool checked);
    void OnTreeItemChecked(HTREEITEM item, bool checked);
    void OnListClick();
    void UpdateRootCheck();
    bool NodeChecked(HTREEITEM item) const;
    int CategoryCount(HTREEITEM item) const;

    // Export.
    void OnRecover();
    int CountChecked() const;
    void OnExportDone();

    int ShowBox(int icon, WORD buttons, const std::wstring& text);
};
