#pragma once
// What the fuzzers do with one input, shared with the test that replays the inputs they found.
#include <cstdint>
#include <string>

#include "skinui/markup/markup_builder.h"
#include "skinui/paint_manager.h"
#include "skinui/render/image_record.h"

namespace skin_fuzz {

// Builds the input as a window's markup, lays it out and paints it into a small bitmap. Images
// named by the markup are not found (no skin is open) and draw nothing.
inline void FeedMarkup(const std::uint8_t* data, std::size_t size) {
    SkinUI::CPaintManager manager;
    SkinUI::CMarkupBuilder builder;
    SkinUI::CControlUI* root =
        builder.CreateFromText(std::string(reinterpret_cast<const char*>(data), size), nullptr, &manager);
    if (!root) return;
    manager.AttachRoot(root);
    SkinUI::Bitmap bitmap(64, 48);
    root->SetPos({0, 0, 64, 48});
    root->Paint(bitmap, bitmap.Bounds());
}

// Parses the input as an image string and draws it with a small image, partly transparent,
// into a control that lies partly outside the bitmap.
inline void FeedImageString(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i < size; ++i) text += static_cast<wchar_t>(data[i]);
    SkinUI::ImageDrawRecord record(text);
    if (!SkinUI::ParseImageString(record)) return;
    SkinUI::Image image;
    image.bitmap.Resize(7, 5, 0xFF336699);
    image.bitmap.Set(3, 2, 0x80402010);
    image.hasAlpha = true;
    SkinUI::Bitmap target(24, 16);
    SkinUI::DrawImageRecord(target, {-3, 2, 20, 19}, {1, 0, 23, 15}, record, &image);
    image.hasAlpha = false;
    SkinUI::DrawImageRecord(target, {4, 4, 11, 9}, target.Bounds(), record, &image);
}

}  // namespace skin_fuzz
