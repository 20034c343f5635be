#include "FallbackSkin.h"

#include "Handles.h"

namespace controls {

void PaintFallbackSkin(HDC dc, const RECT& client) {
    winframe::CBrush face(::CreateSolidBrush(RGB(240, 244, 248)));
    ::FillRect(dc, &client, face);
    RECT band{client.left, client.top, client.right, client.top + 30};
    winframe::CBrush title(::CreateSolidBrush(RGB(22, 96, 128)));
    ::FillRect(dc, &band, title);
    winframe::CBrush frame(::CreateSolidBrush(RGB(22, 96, 128)));
    ::FrameRect(dc, &client, frame);
}

}  // namespace controls
