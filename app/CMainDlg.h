// CMainDlg: the program's one top-level window, a caption-less, rounded 984 x 674 dialog
// painted from skin pictures, that walks the user through the whole job in stages:
//
//   Pulling    connect page, loading picture, bytes copied     -> WM_PULL_DONE
//   Failed     connect page, the cause, the hints, refresh     -> refresh
//   Scanning   connect page, loading picture; engine worker    -> WM_SCAN_DONE
//   Loading    results page, tree, progress, pause/stop        -> WM_LOAD_DONE
//   Results    tree, list, detail board, back, recover         -> recover, back, close
//   Exporting  progress, pause/stop                            -> WM_EXPORT_DONE
//
// ShowStage sets what each stage shows. The window's work is split by concern into files:
// MainWindow.cpp (start-up, frame, paint, dispatch, menu, updater, closing), MainScan.cpp
// (the scan folder, the pull, opening database files, the engine worker), MainResults.cpp
// (the results page: loading, tree, list, check marks, boards, back) and MainExport.cpp.
//
// Workers never touch this object: each holds what it shares with the window (ScanResults,
// WorkerControl, the pull's status) through a shared pointer and reports by messages to
// window handles (WindowMessages.h). At most one pull, scan, load or export worker runs at a
// time (m_hWorker); closing stops it, waits for it a bounded time, and then removes the scan
// folder with the copies.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "AdbPull.h"
#include "CAnimateImg.h"
#include "CContactInfoBoard.h"
#include "CFormatBox.h"
#include "CImgButton.h"
#include "CListViewCheck1.h"
#include "CMsgInfoBoard.h"
#include "CMyHyperLink.h"
#include "CTreeViewEx1.h"
#include "Controls.h"
#include "DoubleBuffer.h"
#include "GdipImage.h"
#include "Handles.h"
#include "ScanFolder.h"
#include "ScanResults.h"
#include "ScanWorkers.h"
#include "WindowImpl.h"
#include "WorkerControl.h"
#include "resource.h"

class CMainDlg : public winframe::CDialogImpl<CMainDlg>,
                 public winframe::CDoubleBufferImpl<CMainDlg>,
                 public IContactBoardOwner,
                 public IMsgBoardOwner {
public:
    enum { IDD = IDD_MAINDLG };

    static constexpr int kWidth = 984;
    static constexpr int kHeight = 674;
    static constexpr UINT_PTR ID_TIMER_ANIMATION = 2;
    static constexpr UINT_PTR ID_TIMER_UPDATE = 3;

    enum class Stage { kPulling, kFailed, kScanning, kLoading, kResults, kExporting };

    CMainDlg();
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CMainDlg() override;

    // What the boards read for the record they show.
    const std::vector<const ContactDataRow*>& DataRowsOf(const ContactRecord& record) const override;
    const MimetypeEntry* MimetypesOf(const ContactRecord& record) const override;
    const std::vector<const MessageRecord*>& MessagesOf(const ConversationRecord& record) const override;

private:
    friend class winframe::CDoubleBufferImpl<CMainDlg>;

    Stage m_stage = Stage::kPulling;
    // Set by CloseApp. The window may be asked to close from inside one of its own modal
    // loops (a message box, the folder browser, the menu); whatever was waiting on that
    // loop must then not go on, and no worker's end message starts anything new.
    bool m_bClosing = false;
    // A folder browser is open: a second command queued meanwhile must not open another.
    bool m_bChoosingFolder = false;
    bool m_bAnimTimer = false;
    int m_nAnimFrame = 0;
    std::wstring m_strSaveDir;
    FormatTicks m_formatTicks;  // the formats of the latest export, offered again
    std::string m_strVersion;
    std::wstring m_strFailure;  // what went wrong, shown on the failure page
    std::wstring m_strFailureDetail;  // the client's own words for it, in small print
    std::wstring m_strStatus;   // what the connect page says under the loading picture

    // The current scan: its private folder, its results and the control its workers share.
    ScanFolder m_scanFolder;
    std::shared_ptr<RecsiftLibrary> m_library;
    std::shared_ptr<ScanResults> m_results;
    std::shared_ptr<WorkerControl> m_control;
    std::shared_ptr<ExportOutcome> m_exportOutcome;
    std::shared_ptr<PullStatus> m_pull;  // the latest pull's status
    std::wstring m_strPullNote;          // why a database of a partly successful pull is missing
    winframe::CHandle m_hWorker;  // the running pull, scan, load or export worker

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
    // The failure page's cause and the client's own words for it: real text controls, so
    // that screen readers (and the tests) read what the page says.
    winframe::CWindow m_failureCause;
    winframe::CWindow m_failureDetail;
    std::unique_ptr<CContactInfoBoard> m_contactBoard;
    std::unique_ptr<CMsgInfoBoard> m_msgBoard;

    // MainWindow.cpp: start-up, frame, dispatch, menu, closing.
    void OnInitDialog();
    void BuildControls();
    void BuildTree();
    void ShowStage(Stage stage);
    void OnTimer(UINT_PTR id);
    BOOL OnCommand(WORD id);
    BOOL OnNotify(const NMHDR* header, LRESULT& result);
    void ShowMainMenu();
    void StartUpdater();
    void OnNewVersion();
    int ShowBox(int icon, WORD buttons, const std::wstring& text);
    HBRUSH OnCtlColorStatic(HDC dc, HWND control);
    void WaitForWorker();
    void CloseApp(int code);

    // MainPaint.cpp: the pages and the loading picture.
    void DoPaint(winframe::COffscreenPaint& paint);
    void PaintConnectPage(HDC dc);
    void PaintFailure(HDC dc);
    void StartAnimation();
    void StopAnimation();
    void OnAnimationTimer();

    // MainScan.cpp: the scan folder, the pull, opening database files, the engine.
    void StartPull();
    void OnPullProgress();
    void OnPullDone();
    void OnOpenFiles();
    void StartScan();
    void OnScanDone();
    void ShowFailure(const std::wstring& cause, const std::wstring& detail = std::wstring());
    void StopPull();
    void OnRefresh();

    // MainResults.cpp: the results page.
    void StartLoading();
    void OnLoadCounted();
    void OnCategoryLoaded(Category category, int count);
    void OnLoadDone();
    void OnPause();
    void OnContinue();
    void OnStop();
    void OnBack();
    void ResetResults();
    void ClearResults();
    void ShowCategory(HTREEITEM item);
    void FillContactRows();
    void FillMessageRows();
    void OnListItemChecked(int row, bool checked);
    void OnTreeItemChecked(HTREEITEM item, bool checked);
    void OnListClick();
    void UpdateRootCheck();
    bool NodeChecked(HTREEITEM item) const;
    int CategoryCount(HTREEITEM item) const;

    // MainExport.cpp.
    void OnRecover();
    int CountChecked() const;
    void OnExportDone();
};
