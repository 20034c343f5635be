// font-fallback-check: whether Chinese text and basic-plane emoji drawn with the faces of
// our windows (Tahoma, Arial, MS Shell Dlg) come out as glyphs rather than boxes, and
// whether their Latin text keeps its own face. Catches a Wine prefix without the fallback
// links that scripts/wine-env gives it.
//
//   font-fallback-check [PICTURE.bmp]   exit code: the number of failed checks
//
// With a path it also saves a picture of a sample line per face, normal and bold.
// Characters beyond U+FFFF are not checked: Wine 8 draws GDI text one UTF-16 unit at a
// time, so no font can draw them there.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Handles.h"

namespace {

const wchar_t* const kFaces[] = {L"Tahoma", L"Arial", L"MS Shell Dlg"};
const int kFontHeight = 20;
// A name, an emoji beyond U+FFFF, three of the basic plane, a company name.
const wchar_t kSample[] =
    L"\u5f20\u4f1f Emily \U0001F600 \u26BD\u2B50\u2705 \u534e\u4fe1\u79d1\u6280";

// A white 32-bit top-down DIB with a memory device context to draw into.
class CTextCanvas {
public:
    CTextCanvas(int width, int height)
        : m_width(width), m_height(height), m_dc(nullptr),
          m_bitmap(CreateDib(width, height, &m_bits)), m_select(m_dc, m_bitmap) {
        RECT all{0, 0, m_width, m_height};
        ::FillRect(m_dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    }
    CTextCanvas(const CTextCanvas&) = delete;
    CTextCanvas& operator=(const CTextCanvas&) = delete;

    HDC Dc() const { return m_dc; }
    bool IsReady() const { return m_bits != nullptr; }

    std::vector<BYTE> Pixels() const {
        if (!m_bits) return {};
        ::GdiFlush();
        const BYTE* begin = static_cast<const BYTE*>(m_bits);
        return std::vector<BYTE>(begin, begin + ByteCount());
    }

    bool SaveBmp(const std::wstring& path) const {
        std::vector<BYTE> pixels = Pixels();
        BITMAPINFOHEADER header = Header(m_width, m_height);
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof(file) + sizeof(header);
        file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
        winframe::CHandle out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        return out.IsValid() && WriteAll(out.Get(), &file, sizeof(file)) &&
               WriteAll(out.Get(), &header, sizeof(header)) &&
               WriteAll(out.Get(), pixels.data(), static_cast<DWORD>(pixels.size()));
    }

private:
    static BITMAPINFOHEADER Header(int width, int height) {
        BITMAPINFOHEADER header{};
        header.biSize = sizeof(header);
        header.biWidth = width;
        header.biHeight = -height;  // top-down rows
        header.biPlanes = 1;
        header.biBitCount = 32;
        return header;
    }
    static HBITMAP CreateDib(int width, int height, void** bits) {
        BITMAPINFO info{};
        info.bmiHeader = Header(width, height);
        return ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    }
    size_t ByteCount() const { return static_cast<size_t>(m_width) * m_height * 4; }
    static bool WriteAll(HANDLE file, const void* data, DWORD size) {
        DWORD written = 0;
        return ::WriteFile(file, data, size, &written, nullptr) && written == size;
    }

    int m_width;
    int m_height;
    winframe::CCompatibleDC m_dc;
    void* m_bits = nullptr;
    winframe::CBitmap m_bitmap;
    winframe::CSelectGuard m_select;
};

winframe::CFont MakeFont(const wchar_t* face, int weight = FW_NORMAL) {
    return winframe::CFont(::CreateFontW(-kFontHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE,
                                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                         NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face));
}

// The face GDI reports for text drawn with the given name.
std::wstring DrawingFace(const wchar_t* face) {
    winframe::CCompatibleDC dc(nullptr);
    winframe::CFont font = MakeFont(face);
    winframe::CSelectGuard select(dc, font);
    wchar_t name[LF_FACESIZE] = {};
    ::GetTextFaceW(dc, LF_FACESIZE, name);
    return name;
}

// The pixels of one character drawn alone; empty when no canvas could be made.
std::vector<BYTE> DrawnAlone(const wchar_t* face, int weight, const std::wstring& text) {
    CTextCanvas canvas(kFontHeight * 3, kFontHeight * 2);
    if (!canvas.IsReady()) return {};
    winframe::CFont font = MakeFont(face, weight);
    winframe::CSelectGuard select(canvas.Dc(), font);
    ::ExtTextOutW(canvas.Dc(), 2, 2, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()),
                  nullptr);
    return canvas.Pixels();
}

bool HasInk(const std::vector<BYTE>& pixels) {
    for (BYTE b : pixels)
        if (b != 0xFF) return true;
    return false;
}

// Two different characters that both come out as the font's "missing glyph" box draw the
// same pixels; real glyphs differ.
bool DrawnAsGlyphs(const wchar_t* face, int weight, const std::wstring& first,
                   const std::wstring& second) {
    std::vector<BYTE> a = DrawnAlone(face, weight, first);
    std::vector<BYTE> b = DrawnAlone(face, weight, second);
    return HasInk(a) && HasInk(b) && a != b;
}

class CChecks {
public:
    void Check(const std::wstring& what, bool ok) {
        std::wprintf(L"%ls - %ls\n", ok ? L"ok  " : L"FAIL", what.c_str());
        if (!ok) ++m_failures;
    }
    int Failures() const { return m_failures; }

private:
    int m_failures = 0;
};

void SavePicture(const std::wstring& path, CChecks& checks) {
    const int rowHeight = kFontHeight * 2;
    const int width = 760;
    const int faceCount = static_cast<int>(sizeof(kFaces) / sizeof(kFaces[0]));
    CTextCanvas canvas(width, rowHeight * faceCount * 2);
    int row = 0;
    for (const wchar_t* face : kFaces) {
        for (int weight : {FW_NORMAL, FW_BOLD}) {
            winframe::CFont font = MakeFont(face, weight);
            winframe::CSelectGuard select(canvas.Dc(), font);
            std::wstring line = std::wstring(face) + L" (" + DrawingFace(face) + L"): " + kSample;
            RECT rc{4, row * rowHeight + kFontHeight / 2, width, (row + 1) * rowHeight};
            ::DrawTextW(canvas.Dc(), line.c_str(), -1, &rc, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
            ++row;
        }
    }
    checks.Check(L"picture saved to " + path, canvas.IsReady() && canvas.SaveBmp(path));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    CChecks checks;
    // A name nobody has: what GDI draws with when a face is missing and has no links.
    const std::wstring fallbackFace = DrawingFace(L"Retrievo No Such Face");
    for (const wchar_t* face : kFaces) {
        const std::wstring name(face);
        const std::wstring drawing = DrawingFace(face);
        // A link on a missing face makes the name select the first linked font, which
        // would then draw the Latin text as well.
        checks.Check(name + L": Latin text in " + drawing + L", its own face or the fallback",
                     drawing == name || drawing == fallbackFace);
        // Wine keeps the links of each face apart (bold text is drawn by another face).
        for (int weight : {FW_NORMAL, FW_BOLD}) {
            const std::wstring what = name + (weight == FW_BOLD ? L" bold" : L"");
            checks.Check(what + L": Chinese drawn as glyphs",
                         DrawnAsGlyphs(face, weight, L"\u5f20", L"\u4f1f"));
            checks.Check(what + L": emoji of the basic plane drawn as glyphs",
                         DrawnAsGlyphs(face, weight, L"\u26BD", L"\u2B50"));
        }
    }
    if (argc > 1) SavePicture(argv[1], checks);
    return checks.Failures();
}
