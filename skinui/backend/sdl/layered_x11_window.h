#pragma once
// How a layered window (a shadow) shows beside SDL's windows on X11: a window of the display's
// 32-bit visual whose premultiplied pixels a compositing manager blends over what lies beneath,
// with an empty input shape (clicks fall through), override-redirect (no window manager
// activates or decorates it), kept just below the window it belongs to. It has a connection of
// its own, so SDL's event queue never sees it; its pixels are the window's background, which the
// server repaints by itself.
#include <cstdint>
#include <memory>

#include "skinui/render/bitmap.h"

namespace SkinUI {

class LayeredX11Window {
public:
    // Whether this display can show one: an X11 display with a 32-bit TrueColor visual and a
    // running compositing manager. Asked once; the answer stays for the process.
    static bool Supported();
    // Null where the display cannot show one.
    static std::unique_ptr<LayeredX11Window> Create(const UiRect& rect);
    ~LayeredX11Window();
    LayeredX11Window(const LayeredX11Window&) = delete;
    LayeredX11Window& operator=(const LayeredX11Window&) = delete;

    void Show(bool show);
    void Move(const UiRect& rect);
    // New pixels (premultiplied, the size of rect) at a new place.
    void Update(const UiRect& rect, const Bitmap& pixels);
    // Restacks just below the top-level window that holds this X11 window (SDL's window).
    void StackBelow(unsigned long window);
    unsigned long Id() const { return m_window; }

private:
    LayeredX11Window() = default;

    unsigned long m_window = 0;
    unsigned long m_colormap = 0;
    UiRect m_rect;
    bool m_shown = false;
};

}  // namespace SkinUI
