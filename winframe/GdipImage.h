// A picture loaded through GDI+ from a file. A picture that cannot be loaded is empty:
// drawing it does nothing and its width and height are 0. GDI+ must have been started by
// the process (GdiplusStartup) before Load is called.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace Gdiplus {
class Image;
class Graphics;
}  // namespace Gdiplus

namespace winframe {

class CGdipImage {
public:
    CGdipImage();
    ~CGdipImage();
    CGdipImage(const CGdipImage&) = delete;
    CGdipImage& operator=(const CGdipImage&) = delete;
    CGdipImage(CGdipImage&&) noexcept;
    CGdipImage& operator=(CGdipImage&&) noexcept;

    // Frees the current picture and loads a new one (PNG, BMP, GIF, ...). Returns whether
    // a picture was loaded; on failure the holder is empty.
    bool Load(const std::wstring& path);
    void Free();
    bool IsEmpty() const { return !m_image; }
    int Width() const;
    int Height() const;
    Gdiplus::Image* Get() const { return m_image.get(); }

    // Draws the whole picture at its natural size with its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y) const;
    // Draws the whole picture scaled into the destination rectangle.
    void DrawScaled(HDC dc, int x, int y, int width, int height) const;
    // Draws the part (srcX, srcY, srcW, srcH) of the picture scaled into the destination
    // rectangle (pixel units); transparent parts blend with what the context holds.
    void DrawPart(HDC dc, int x, int y, int width, int height, int srcX, int srcY, int srcW,
                  int srcH) const;

private:
    std::unique_ptr<Gdiplus::Image> m_image;
};

// Starts GDI+ for the lifetime of the object (one per process, in main).
class CGdiplusSession {
public:
    CGdiplusSession();
    ~CGdiplusSession();
    CGdiplusSession(const CGdiplusSession&) = delete;
    CGdiplusSession& operator=(const CGdiplusSession&) = delete;
    bool IsStarted() const { return m_token != 0; }

private:
    ULONG_PTR m_token = 0;
};

}  // namespace winframe
