// What a skinned box paints when its background picture is missing: a light face, a dark
// title band of 30 pixels (so that the white title stays readable) and a 1-pixel frame.
#pragma once

#include <windows.h>

namespace controls {

void PaintFallbackSkin(HDC dc, const RECT& client);

}  // namespace controls
