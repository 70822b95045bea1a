#pragma once
// One skin file drawn off-screen and written as PNG (for the developer's command-line tool).
#include <string>

namespace SkinUI {

// The skin comes from the folder when one is given, else from the skin archive linked into
// the program. Elements this framework does not know are drawn as plain labels so the layout
// keeps their room. Returns an error text; empty on success.
std::wstring RenderSkinToPng(const std::wstring& skinFile, const std::wstring& outputPath,
                             const std::wstring& folder = L"");

}  // namespace SkinUI
