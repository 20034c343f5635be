// CContactInfoBoard: the panel that shows one contact on the result screen: the person
// picture, the name, up to three organisation lines and one label/value line per phone
// number and e-mail address, the values wrapped by characters. Live and deleted contacts
// are shown alike: a deleted one brings data rows of its own. The board scrolls vertically
// by bar and wheel.
//
// The owner creates it once as a modeless child dialog (CreateBoard) and sends
// WM_SHOW_CONTACT with the ContactRecord to show. The contact's data rows and the
// mimetypes they refer to are read through the owner's IContactBoardOwner.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "GdipImage.h"
#include "ResultControlsRes.h"
#include "CScrollingBoard.h"
#include "WindowImpl.h"

struct ContactRecord;
struct ContactDataRow;
struct MimetypeEntry;

// What the contact board reads from its owner (the main window) for one contact: its data
// rows in list order, and the mimetypes their keys refer to (the listing's for a live
// contact, the contact's own for a deleted one; may be null).
class IContactBoardOwner {
public:
    virtual ~IContactBoardOwner() = default;
    virtual const std::vector<const ContactDataRow*>& DataRowsOf(const ContactRecord& record) const = 0;
    virtual const MimetypeEntry* MimetypesOf(const ContactRecord& record) const = 0;
};

// One run of a wrapped value: start and length in the value text.
struct WrappedRun {
    size_t start;
    size_t length;
};

// One label/value line of the board, in content coordinates, with the value's wrapped runs
// (one per drawn line, kept from the layout so that painting does not measure again).
struct ContactLine {
    std::wstring strLabel;
    RECT rcLabel{};
    std::wstring strValue;
    RECT rcValue{};
    std::vector<WrappedRun> vecRuns;
};

// Character wrap of a value: lines take the longest run of characters that fits into the
// width - 1 (at least one character each); a CR or LF ends a line and is consumed. Returns
// the number of lines; when `drawText` is given it receives the text with CR LF inserted
// after every line the width ended, ready to be drawn unwrapped.
int WrapLines(HDC dc, const std::wstring& text, int width, std::wstring* drawText = nullptr,
              std::vector<WrappedRun>* runs = nullptr);

class CContactInfoBoard : public winframe::CDialogImpl<CContactInfoBoard>, public CScrollingBoard<CContactInfoBoard> {
public:
    enum { IDD = IDD_QF_CONTACTBOARD };
    static constexpr int kWheelStep = 10;  // pixels per wheel notch

    CContactInfoBoard();
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CContactInfoBoard() override;

    // Creates the board as a modeless child of `parent`, reading its lists from `owner`.
    HWND CreateBoard(HWND parent, IContactBoardOwner* owner);

    // What is shown, for the owner's tests.
    const std::wstring& Name() const { return m_strName; }
    const std::wstring& Company() const { return m_strCompany; }
    const std::wstring& Organisation2() const { return m_strOrg2; }
    const std::wstring& Organisation3() const { return m_strOrg3; }
    const std::vector<std::unique_ptr<ContactLine>>& Lines() const { return m_lines; }
    const RECT& ContentRect() const { return m_rcContent; }
    int ScrollOffset() const { return m_nScrollOffset; }

private:
    std::wstring m_strName;
    std::wstring m_strCompany;
    std::wstring m_strOrg2;
    std::wstring m_strOrg3;
    winframe::CGdipImage m_imgPerson;  // "contactperson.png"
    RECT m_rcClient{};
    RECT m_rcContent{};
    std::vector<std::unique_ptr<ContactLine>> m_lines;
    IContactBoardOwner* m_pOwner = nullptr;
    int m_nScrollOffset = 0;

    void OnInitDialog(LPARAM owner);
    friend class winframe::CDoubleBufferImpl<CContactInfoBoard>;
    friend class CScrollingBoard<CContactInfoBoard>;
    void DoPaint(winframe::COffscreenPaint& paint);
    void OnShowContact(const ContactRecord* record);
    void ShowRows(const ContactRecord& record, HDC dc, int& y);
    void AddLine(HDC dc, const std::wstring& label, const std::wstring& value, int& y);
    void ScrollTo(int pos);
};
