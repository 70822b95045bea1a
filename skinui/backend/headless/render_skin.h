#pragma once
// One skin file drawn off-screen and written as PNG (for the developer's command-line tool).
#include <functional>
#include <memory>
#include <string>

#include "skinui/window_impl_base.h"

namespace SkinUI {

class CPaintManager;

struct RenderOptions {
    // The skin comes from this folder when one is given, else from the linked skin archive.
    std::wstring folder;
    // Controls shown with the mouse over them, or pressed (the button held down on them).
    std::wstring hot;
    std::wstring pushed;
    // Page of the window's main tab layout (the one with the most pages); -1 keeps the first.
    int page = -1;
    // A combo drawn with its drop-down list open (the picture grows by what the list covers
    // outside the window).
    std::wstring open;
    // Value given to every progress bar; -1 keeps the markup's.
    int progress = -1;
    // Runs once the window is built, before anything else is set (loading a language, say);
    // returns an error text, empty to go on.
    std::function<std::wstring(CPaintManager& manager)> prepare;
    // The window to draw the skin file with; by default a plain one that draws elements it does
    // not know as labels.
    std::function<std::unique_ptr<WindowImplBase>(const std::wstring& skinFile, SkinSource source)> makeWindow;
    // Draws the window over the translucent windows it owns (its shadow): the picture grows by
    // their margins.
    bool withShadow = false;
};

// Elements this framework does not know are drawn as plain labels so the layout keeps their
// room. Returns an error text; empty on success.
std::wstring RenderSkinToPng(const std::wstring& skinFile, const std::wstring& outputPath,
                             const RenderOptions& options = {});

}  // namespace SkinUI
