#pragma once
// One image attribute of a control: its image string, parsed once, and the decoded image.
#include <cstdint>
#include <memory>
#include <string>

#include "skinui/render/image.h"
#include "skinui/render/image_draw.h"

namespace SkinUI {

struct ImageDrawRecord {
    std::wstring text;  // the image string as written in markup
    std::wstring file;
    std::wstring resource;
    std::wstring resourceType;
    UiRect dest;
    UiRect source;
    UiRect corners;
    bool hasMask = false;
    std::uint32_t mask = 0;
    std::uint8_t fade = 255;
    bool hole = false;
    bool xtiled = false;
    bool ytiled = false;
    bool hasColour = false;
    Colour colour = 0;

    bool parseAttempted = false;
    bool failed = false;  // unparsable, or the image could not be loaded: never tried again
    std::shared_ptr<const Image> image;

    ImageDrawRecord() = default;
    explicit ImageDrawRecord(std::wstring imageString) : text(std::move(imageString)) {}
    bool IsEmpty() const { return text.empty(); }
    void Reset(const std::wstring& imageString) { *this = ImageDrawRecord(imageString); }
};

// Fills the record's fields from its string. False for a string that names no image.
bool ParseImageString(ImageDrawRecord& record);

// Parses and loads on first use; false when the record names nothing drawable.
bool PrepareImage(ImageDrawRecord& record);

// Parses (first use), loads through the skin's image cache and draws into the control
// rectangle, touching only the paint rectangle. False when nothing could be drawn.
bool DrawImage(Bitmap& target, const UiRect& control, const UiRect& paint, ImageDrawRecord& record);

// Draws a parsed record with the given image (none for a colour record): the source and
// destination rules, then the pieces. False when nothing meets the control and the paint
// rectangle.
bool DrawImageRecord(Bitmap& target, const UiRect& control, const UiRect& paint, const ImageDrawRecord& record,
                     const Image* image);

}  // namespace SkinUI
