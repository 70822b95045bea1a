#include "skinui/backend/sdl/layered_x11_window.h"

#include <SDL2/SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "skinui/backend/sdl/x11_errors.h"

namespace SkinUI {

namespace {

struct Connection {
    Display* display = nullptr;
    Visual* visual = nullptr;
    Window root = 0;
};

// Opened on first use where SDL draws on X11, kept for the process. Its errors (a shadow restacked
// beside a window destroyed meanwhile) go to the back end's handler like SDL's: logged, not fatal.
Connection& TheConnection() {
    static Connection connection = [] {
        Connection c;
        const char* driver = SDL_GetCurrentVideoDriver();
        if (!driver || std::strcmp(driver, "x11") != 0) return c;
        InstallX11ErrorHandler();
        Display* display = XOpenDisplay(nullptr);
        if (!display) return c;
        const int screen = DefaultScreen(display);
        XVisualInfo info{};
        char selection[32];
        std::snprintf(selection, sizeof selection, "_NET_WM_CM_S%d", screen);
        // Without a compositing manager a 32-bit window shows its pixels opaque: no shadow then.
        const bool composited = XGetSelectionOwner(display, XInternAtom(display, selection, False)) != None;
        if (!composited || !XMatchVisualInfo(display, screen, 32, TrueColor, &info)) {
            XCloseDisplay(display);
            return c;
        }
        c.display = display;
        c.visual = info.visual;
        c.root = RootWindow(display, screen);
        return c;
    }();
    return connection;
}

}  // namespace

bool LayeredX11Window::Supported() { return TheConnection().display != nullptr; }

std::unique_ptr<LayeredX11Window> LayeredX11Window::Create(const UiRect& rect) {
    Connection& c = TheConnection();
    if (!c.display) return nullptr;
    std::unique_ptr<LayeredX11Window> layer(new LayeredX11Window);
    layer->m_rect = rect;
    layer->m_colormap = XCreateColormap(c.display, c.root, c.visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = layer->m_colormap;
    attributes.border_pixel = 0;
    attributes.background_pixel = 0;
    attributes.override_redirect = True;
    layer->m_window = XCreateWindow(c.display, c.root, rect.left, rect.top, std::max(1, rect.Width()),
                                    std::max(1, rect.Height()), 0, 32, InputOutput, c.visual,
                                    CWColormap | CWBorderPixel | CWBackPixel | CWOverrideRedirect, &attributes);
    // An empty input shape: the pointer sees whatever lies beneath.
    XShapeCombineRectangles(c.display, layer->m_window, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = False;
    XSetWMHints(c.display, layer->m_window, &hints);
    XStoreName(c.display, layer->m_window, "SkinShadowWnd");
    XFlush(c.display);
    return layer;
}

LayeredX11Window::~LayeredX11Window() {
    Connection& c = TheConnection();
    if (!c.display) return;
    if (m_window) XDestroyWindow(c.display, m_window);
    if (m_colormap) XFreeColormap(c.display, m_colormap);
    XFlush(c.display);
}

void LayeredX11Window::Show(bool show) {
    Connection& c = TheConnection();
    if (show == m_shown) return;
    m_shown = show;
    if (show) XMapWindow(c.display, m_window);
    else XUnmapWindow(c.display, m_window);
    XFlush(c.display);
}

void LayeredX11Window::Move(const UiRect& rect) {
    Connection& c = TheConnection();
    m_rect = rect;
    XMoveResizeWindow(c.display, m_window, rect.left, rect.top, std::max(1, rect.Width()), std::max(1, rect.Height()));
    XFlush(c.display);
}

void LayeredX11Window::Update(const UiRect& rect, const Bitmap& pixels) {
    Connection& c = TheConnection();
    if (pixels.IsEmpty()) return;
    if (rect != m_rect) Move(rect);
    // The background pixmap holds the pixels; the server repaints from it on every exposure.
    Pixmap pixmap = XCreatePixmap(c.display, m_window, pixels.Width(), pixels.Height(), 32);
    GC gc = XCreateGC(c.display, pixmap, 0, nullptr);
    std::vector<std::uint32_t> copy(pixels.Data(), pixels.Data() + static_cast<std::size_t>(pixels.Width()) * pixels.Height());
    XImage* image = XCreateImage(c.display, c.visual, 32, ZPixmap, 0, reinterpret_cast<char*>(copy.data()),
                                 pixels.Width(), pixels.Height(), 32, pixels.Stride());
    if (image) {
        XPutImage(c.display, pixmap, gc, image, 0, 0, 0, 0, pixels.Width(), pixels.Height());
        image->data = nullptr;  // the vector owns the pixels
        XDestroyImage(image);
    }
    XFreeGC(c.display, gc);
    XSetWindowBackgroundPixmap(c.display, m_window, pixmap);
    XFreePixmap(c.display, pixmap);
    XClearWindow(c.display, m_window);
    XFlush(c.display);
}

void LayeredX11Window::StackBelow(unsigned long window) {
    Connection& c = TheConnection();
    // The sibling to stack against is the child of the root that holds the window (the window
    // manager's frame where there is one).
    Window top = window;
    for (int depth = 0; depth < 16; ++depth) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(c.display, top, &root, &parent, &children, &count)) return;
        if (children) XFree(children);
        if (parent == root || parent == 0) break;
        top = parent;
    }
    XWindowChanges changes{};
    changes.sibling = top;
    changes.stack_mode = Below;
    XConfigureWindow(c.display, m_window, CWSibling | CWStackMode, &changes);
    XFlush(c.display);
}

}  // namespace SkinUI
