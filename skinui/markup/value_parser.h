#pragma once
// The value syntax of markup attributes.
#include <cstdint>
#include <optional>
#include <string>

#include "skinui/render/bitmap.h"
#include "skinui/render/geometry.h"

namespace SkinUI {

// Decimal, optionally signed, leading blanks allowed; what follows the digits is ignored.
// Text without digits gives the fallback.
int ParseInt(const std::wstring& text, int fallback = 0);
// Lengths, coordinates and counts that markup can give are kept within this many pixels either
// way, so that layout arithmetic on them cannot overflow.
constexpr int kMaxLength = 100000;
// ParseInt limited to [-kMaxLength, kMaxLength].
int ParseLength(const std::wstring& text, int fallback = 0);
// Two integers "cx,cy"; missing numbers are 0. Each is limited like ParseLength.
UiSize ParseSize(const std::wstring& text);
// Four integers "left,top,right,bottom"; missing numbers are 0. Each is limited like ParseLength.
UiRect ParseRect(const std::wstring& text);
// "#AARRGGBB" or "0xAARRGGBB"; a bare hexadecimal number is accepted too. None when unreadable.
std::optional<Colour> ParseColour(const std::wstring& text);
// Only "true" is on.
bool ParseBool(const std::wstring& text);

// Lower case of ASCII letters, for names compared without regard to case.
std::wstring AsciiLower(const std::wstring& text);
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);

}  // namespace SkinUI
