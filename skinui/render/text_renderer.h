#pragma once
// Text through Pango with Cairo, drawn straight onto a bitmap's pixels.
#include <string>

#include "skinui/render/bitmap.h"
#include "skinui/ui_types.h"

namespace SkinUI {

struct FontSpec {
    std::wstring name = L"微软雅黑";
    int size = 12;  // character height in pixels
    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool operator==(const FontSpec&) const = default;
};

// The family list handed to Pango: the face name first, then the installed CJK fonts, so one
// string never mixes fonts because the named face is absent.
std::string FontFamilyList(const std::wstring& faceName);

// Line height of the font (ascent plus descent), in pixels.
int FontHeight(const FontSpec& font);

// Size of the text: on one line when wrapWidth is 0 or below, else wrapped to that width.
UiSize MeasureText(const std::wstring& text, const FontSpec& font, int wrapWidth = 0);

// Draws inside the rectangle with the DT_ flags (alignment, single line or word wrap, end
// ellipsis), touching only the clip.
void DrawText(Bitmap& target, const UiRect& rect, const UiRect& clip, const std::wstring& text,
              const FontSpec& font, Colour colour, UINT style);

}  // namespace SkinUI
