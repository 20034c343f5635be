// CMsgInfoBoard: the panel that shows one conversation on the result screen as a column of
// speech bubbles (CMsgInfoItem windows), received messages on the left, sent ones on the
// right, each with its caption above it. A deleted message is shown as a live one: it
// brings its own message record (without a caption, or on the sent side, when its date or
// type did not survive). The column scrolls vertically in units of 10 pixels, by bar and
// wheel.
//
// The owner creates it once as a modeless child dialog (CreateBoard) and sends
// WM_SHOW_MESSAGE with the ConversationRecord to show; its messages are read through the
// owner's IMsgBoardOwner.
//
// A conversation can hold thousands of messages. Every message has its bubble object (text
// and layout, in display order), but only the bubbles near the visible part of the column
// have their window: scrolling moves the existing windows and then creates the windows of
// bubbles that come near and destroys those of bubbles that go far, so that showing,
// scrolling and clearing cost the same for ten or ten thousand messages.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "CMsgInfoItem.h"
#include "ResultControlsRes.h"
#include "CScrollingBoard.h"
#include "WindowImpl.h"

struct ConversationRecord;
struct MessageRecord;

// What the message board reads from its owner (the main window): the messages of one
// conversation, in list order.
class IMsgBoardOwner {
public:
    virtual ~IMsgBoardOwner() = default;
    virtual const std::vector<const MessageRecord*>& MessagesOf(const ConversationRecord& record) const = 0;
};

class CMsgInfoBoard : public winframe::CDialogImpl<CMsgInfoBoard>, public CScrollingBoard<CMsgInfoBoard> {
public:
    enum { IDD = IDD_QF_MSGBOARD };
    static constexpr int kScrollUnit = 10;  // pixels per scroll position
    static constexpr int kWheelStep = 5;    // scroll positions per wheel notch

    CMsgInfoBoard();
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CMsgInfoBoard() override;

    // Creates the board as a modeless child of `parent`, reading messages from `owner`.
    HWND CreateBoard(HWND parent, IMsgBoardOwner* owner);

    // Adds one bubble below the last one; 1 when it was added, 0 when not (board window
    // gone, empty body, no memory, window creation failed).
    int AddBubble(const std::wstring& body, const std::wstring& caption, HWND board, int direction);
    // Destroys every bubble.
    void ClearBubbles();

    const std::vector<std::unique_ptr<CMsgInfoItem>>& Bubbles() const { return m_bubbles; }
    using CScrollingBoard<CMsgInfoBoard>::ScrollPos;
    // Whether a bubble lies within one client height of the visible part (and so has its
    // window).
    bool IsNearView(const CMsgInfoItem& bubble) const;

private:
    RECT m_rcClient{};
    IMsgBoardOwner* m_pOwner = nullptr;
    std::vector<std::unique_ptr<CMsgInfoItem>> m_bubbles;  // display order, top to bottom

    void OnInitDialog(LPARAM owner);
    friend class winframe::CDoubleBufferImpl<CMsgInfoBoard>;
    friend class CScrollingBoard<CMsgInfoBoard>;
    void DoPaint(winframe::COffscreenPaint& paint);
    void OnShowMessage(const ConversationRecord* record);
    void ScrollTo(int pos);
    BOOL CreateBubbleWindow(CMsgInfoItem& bubble, HWND board) const;
    void SyncBubbleWindows();
};
