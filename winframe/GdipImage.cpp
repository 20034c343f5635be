#include "GdipImage.h"

#include <objidl.h>
#include <gdiplus.h>

namespace winframe {

CGdipImage::CGdipImage() = default;
CGdipImage::~CGdipImage() = default;
CGdipImage::CGdipImage(CGdipImage&&) noexcept = default;
CGdipImage& CGdipImage::operator=(CGdipImage&&) noexcept = default;

bool CGdipImage::Load(const std::wstring& path) {
    Free();
    // GDI+ hands back an image object even for a missing file; only its status tells.
    std::unique_ptr<Gdiplus::Image> image(Gdiplus::Image::FromFile(path.c_str()));
    if (!image || image->GetLastStatus() != Gdiplus::Ok || image->GetWidth() == 0) return false;
    m_image = std::move(image);
    return true;
}

void CGdipImage::Free() { m_image.reset(); }

int CGdipImage::Width() const { return m_image ? static_cast<int>(m_image->GetWidth()) : 0; }

int CGdipImage::Height() const { return m_image ? static_cast<int>(m_image->GetHeight()) : 0; }

void CGdipImage::Draw(HDC dc, int x, int y) const { DrawScaled(dc, x, y, Width(), Height()); }

void CGdipImage::DrawScaled(HDC dc, int x, int y, int width, int height) const {
    DrawPart(dc, x, y, width, height, 0, 0, Width(), Height());
}

void CGdipImage::DrawPart(HDC dc, int x, int y, int width, int height, int srcX, int srcY,
                          int srcW, int srcH) const {
    if (!m_image || width <= 0 || height <= 0 || srcW <= 0 || srcH <= 0) return;
    Gdiplus::Graphics g(dc);
    // A frame copied at its own size must not pick up colour from its neighbours in the strip.
    if (width == srcW && height == srcH) {
        g.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    }
    g.DrawImage(m_image.get(), Gdiplus::Rect(x, y, width, height), srcX, srcY, srcW, srcH,
                Gdiplus::UnitPixel);
}

CGdiplusSession::CGdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok) m_token = 0;
}

CGdiplusSession::~CGdiplusSession() {
    if (m_token) Gdiplus::GdiplusShutdown(m_token);
}

}  // namespace winframe
