#include "skinui/render/image_record.h"

#include <algorithm>

#include "skinui/markup/value_parser.h"
#include "skinui/skin_resources.h"

namespace SkinUI {

bool ParseImageString(ImageDrawRecord& r) {
    const std::wstring& s = r.text;
    if (s.find(L'=') == std::wstring::npos) {
        r.file = s;
        return !r.file.empty();
    }
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == L' ' || s[i] == L'\t' || s[i] == L'\r' || s[i] == L'\n')) ++i;
        std::size_t keyStart = i;
        while (i < s.size() && s[i] != L'=' && s[i] != L' ') ++i;
        std::wstring key = AsciiLower(s.substr(keyStart, i - keyStart));
        if (i >= s.size() || s[i] != L'=') {
            if (key.empty()) break;
            continue;
        }
        ++i;
        std::wstring value;
        if (i < s.size() && s[i] == L'\'') {
            std::size_t close = s.find(L'\'', i + 1);
            if (close == std::wstring::npos) return false;  // unterminated value
            value = s.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            std::size_t end = s.find(L' ', i);
            if (end == std::wstring::npos) end = s.size();
            value = s.substr(i, end - i);
            i = end;
        }
        if (key == L"file") r.file = value;
        else if (key == L"res") r.resource = value;
        else if (key == L"restype") r.resourceType = value;
        else if (key == L"dest") r.dest = ParseRect(value);
        else if (key == L"source") r.source = ParseRect(value);
        else if (key == L"corner" || key == L"scale9") r.corners = ParseRect(value);
        else if (key == L"fade") r.fade = static_cast<std::uint8_t>(std::clamp(ParseInt(value, 255), 0, 255));
        else if (key == L"hole") r.hole = ParseBool(value);
        else if (key == L"xtiled") r.xtiled = ParseBool(value);
        else if (key == L"ytiled") r.ytiled = ParseBool(value);
        else if (key == L"mask") {
            std::wstring digits = (!value.empty() && value[0] == L'#') ? value.substr(1) : value;
            if (auto colour = ParseColour(L"#" + digits)) {
                r.hasMask = true;
                r.mask = *colour;
            }
        } else if (key == L"color") {
            if (auto colour = ParseColour(value)) {
                r.hasColour = true;
                r.colour = *colour;
            }
        }
    }
    return !r.file.empty() || !r.resource.empty() || r.hasColour;
}

bool PrepareImage(ImageDrawRecord& r) {
    if (r.text.empty() || r.failed) return false;
    if (r.parseAttempted) return true;
    r.parseAttempted = true;
    if (!ParseImageString(r)) {
        r.failed = true;
        return false;
    }
    if (!r.hasColour) {
        // Images from the executable's own resources are not part of this program.
        if (!r.file.empty()) r.image = SkinResources::Instance().LoadImage(r.file, r.hasMask, r.mask);
        if (!r.image) {
            r.failed = true;
            return false;
        }
    }
    return true;
}

bool DrawImage(Bitmap& target, const UiRect& control, const UiRect& paint, ImageDrawRecord& r) {
    if (!PrepareImage(r)) return false;
    return DrawImageRecord(target, control, paint, r, r.image.get());
}

bool DrawImageRecord(Bitmap& target, const UiRect& control, const UiRect& paint, const ImageDrawRecord& r,
                     const Image* image) {
    if (!r.hasColour && !image) return false;
    UiRect dest = control;
    if (!r.dest.IsZero()) {
        dest = {control.left + r.dest.left, control.top + r.dest.top,
                std::min(control.right, control.left + r.dest.right),
                std::min(control.bottom, control.top + r.dest.bottom)};
    }
    if (!Intersects(dest, control) || !Intersects(dest, paint)) return false;
    if (r.hasColour) {
        target.FillRect(dest, r.colour, Intersect(paint, control));
        return true;
    }
    UiRect source = r.source;
    if (source.IsZero()) source = image->bitmap.Bounds();
    source.right = std::min(source.right, image->bitmap.Width());
    source.bottom = std::min(source.bottom, image->bitmap.Height());
    ImagePieces pieces{dest, paint, source, r.corners, image->hasAlpha, r.fade, r.hole, r.xtiled, r.ytiled};
    DrawImagePieces(target, image->bitmap, pieces);
    return true;
}

}  // namespace SkinUI
