// Window fonts: "MS Sans Serif" at a character height in pixels, one handle per look, and the
// fitting of captions to their controls.
#pragma once

#include <string>

#include "platform/types.h"
#include "platform/win32/windows_api.h"

class TControl;

namespace platform::win32 {

// Kept for the program's lifetime.
HFONT FontHandle(const TFont& font);
// The size text takes in font; multi-line text by its lines, wrapped within wrapWidth when > 0.
SIZE TextExtent(const TFont& font, const std::string& text, int wrapWidth = 0);
// The height of one line in font.
int LineHeightOf(const TFont& font);
// Gives control's window its font, and those of its controls that take it from their parent.
void ApplyFont(TControl& control);

} // namespace platform::win32
