#pragma once
// Messages, events and notifications shared by windows, the paint manager and controls.
// Message numbers are those of the Windows window system, which the installer's windows are
// written against; every back end translates its own input into them.
#include <cstdint>
#include <string>

#include "skinui/render/geometry.h"

namespace SkinUI {

using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using WindowHandle = void*;

// These carry the names and values of the Windows window system. Where its headers have been seen,
// its macros of the same names and values stand in for them.
#ifndef WM_CREATE
constexpr UINT WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003, WM_SIZE = 0x0005,
               WM_ACTIVATE = 0x0006, WM_SETFOCUS = 0x0007, WM_KILLFOCUS = 0x0008, WM_PAINT = 0x000F,
               WM_CLOSE = 0x0010, WM_QUIT = 0x0012, WM_SHOWWINDOW = 0x0018, WM_GETMINMAXINFO = 0x0024,
               WM_NCDESTROY = 0x0082, WM_NCCALCSIZE = 0x0083, WM_NCHITTEST = 0x0084, WM_NCPAINT = 0x0085,
               WM_NCACTIVATE = 0x0086, WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101, WM_CHAR = 0x0102,
               WM_SYSKEYDOWN = 0x0104, WM_SYSCOMMAND = 0x0112, WM_TIMER = 0x0113, WM_MOUSEMOVE = 0x0200,
               WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202, WM_LBUTTONDBLCLK = 0x0203,
               WM_RBUTTONDOWN = 0x0204, WM_CONTEXTMENU = 0x007B, WM_MOUSEWHEEL = 0x020A,
               WM_MOUSEHOVER = 0x02A1, WM_MOUSELEAVE = 0x02A3,
               WM_ENTERSIZEMOVE = 0x0231, WM_EXITSIZEMOVE = 0x0232, WM_USER = 0x0400, WM_APP = 0x8000;

constexpr LRESULT HTNOWHERE = 0, HTCLIENT = 1, HTCAPTION = 2, HTLEFT = 10, HTRIGHT = 11, HTTOP = 12,
                  HTTOPLEFT = 13, HTTOPRIGHT = 14, HTBOTTOM = 15, HTBOTTOMLEFT = 16, HTBOTTOMRIGHT = 17;

constexpr WPARAM SC_MINIMIZE = 0xF020, SC_MAXIMIZE = 0xF030, SC_CLOSE = 0xF060, SC_RESTORE = 0xF120;
constexpr WPARAM SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2;
constexpr WPARAM WA_INACTIVE = 0, WA_ACTIVE = 1;

constexpr WPARAM VK_RETURN = 0x0D, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_TAB = 0x09, VK_F4 = 0x73;
constexpr WPARAM VK_BACK = 0x08, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_END = 0x23,
                 VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
                 VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_PRIOR = 0x21, VK_NEXT = 0x22;

// Input method messages: the text being composed changed (its caret in wParam), or ended.
constexpr UINT WM_IME_ENDCOMPOSITION = 0x010E, WM_IME_COMPOSITION = 0x010F;

// Window styles the framework looks at.
constexpr std::uint32_t WS_OVERLAPPED = 0, WS_MAXIMIZEBOX = 0x00010000, WS_MINIMIZEBOX = 0x00020000,
                        WS_THICKFRAME = 0x00040000, WS_SYSMENU = 0x00080000, WS_CAPTION = 0x00C00000,
                        WS_VISIBLE = 0x10000000, WS_CLIPCHILDREN = 0x02000000, WS_CLIPSIBLINGS = 0x04000000,
                        WS_POPUP = 0x80000000, WS_BORDER = 0x00800000, WS_OVERLAPPEDWINDOW = 0x00CF0000,
                        WS_POPUPWINDOW = 0x80880000, WS_EX_TOPMOST = 0x00000008, WS_EX_TRANSPARENT = 0x00000020,
                        WS_EX_LAYERED = 0x00080000, WS_EX_NOACTIVATE = 0x08000000;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);
#endif
#ifndef GCS_COMPSTR
constexpr LPARAM GCS_COMPSTR = 0x0008;  // the input method's composition string
#endif

// Bit 29 of a key message's lParam: the Alt key was held.
constexpr LPARAM kAltHeld = LPARAM{1} << 29;

constexpr LPARAM MakeLParam(int low, int high) {
    return static_cast<LPARAM>(static_cast<std::uint32_t>((low & 0xFFFF) | ((high & 0xFFFF) << 16)));
}
constexpr int LowWord(LPARAM value) { return static_cast<std::int16_t>(value & 0xFFFF); }
constexpr int HighWord(LPARAM value) { return static_cast<std::int16_t>((value >> 16) & 0xFFFF); }

class CControlUI;

enum class CursorShape { Arrow, Hand, IBeam };

enum class UiEventType {
    MouseMove, MouseLeave, MouseEnter, MouseHover, KeyDown, KeyUp, SysKeyDown, Char, SetFocus, KillFocus,
    ButtonDown, ButtonUp, DoubleClick, ContextMenu, ScrollWheel, SetCursor, Timer,
    Composition,  // the input method's text changed or ended (its caret in wParam)
};

// An input event routed to one control.
struct UiEvent {
    UiEventType type = UiEventType::MouseMove;
    CControlUI* sender = nullptr;
    std::uint32_t timestamp = 0;
    UiPoint mouse;
    wchar_t key = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// What a window receives for every user action.
struct Notification {
    std::wstring type;
    std::wstring virtualWindow;
    CControlUI* sender = nullptr;
    std::uint32_t timestamp = 0;
    UiPoint mouse;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class INotifySink {
public:
    virtual ~INotifySink() = default;
    virtual void Notify(Notification& message) = 0;
};

class IMessageFilter {
public:
    virtual ~IMessageFilter() = default;
    virtual LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

// Asked by the markup builder for element names the framework does not know.
class IControlFactory {
public:
    virtual ~IControlFactory() = default;
    virtual CControlUI* CreateControl(const std::wstring& className) = 0;
};

// Text layout flags (the values of the Windows text-drawing flags).
#ifndef DT_LEFT
constexpr UINT DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4, DT_BOTTOM = 0x8,
               DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_END_ELLIPSIS = 0x8000;
#endif

}  // namespace SkinUI
