#pragma once
// A window of the window system, with its message handler as a virtual function.
#include <string>

#include "skinui/backend/window_system.h"

namespace SkinUI {

#ifndef IDOK  // Windows' own macros of the same values, where its headers have been seen
constexpr int IDOK = 1, IDCANCEL = 2;
#endif

class CWindowWnd : public WindowProcedure {
public:
    CWindowWnd() = default;
    ~CWindowWnd() override;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    WindowHandle GetHWND() const { return m_hWnd; }

    WindowHandle Create(WindowHandle parent, const std::wstring& name, std::uint32_t style, std::uint32_t exStyle,
                        int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT);
    void ShowWindow(bool show = true, bool takeFocus = true);
    // Shows the window and runs the event pump until it is destroyed; returns the value its
    // close request carried.
    int ShowModal();
    // Requests close: posts WM_CLOSE with the value when the window exists.
    void Close(int result = IDOK);
    // Centres on the owner's rectangle, or on the work area without owner; kept inside the work area.
    void CenterWindow();
    void ResizeClient(int cx, int cy);
    // The window's icon from the program's icon resource of this id; false when there is none.
    bool SetIcon(int resourceId);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    virtual std::wstring GetWindowClassName() const = 0;
    virtual std::wstring GetSuperClassName() const { return {}; }
    virtual UINT GetClassStyle() const { return 0; }

protected:
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnLastMessage(WindowHandle window);

    LRESULT WindowProc(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) override;

    WindowHandle m_hWnd = nullptr;

private:
    // The owner a modal run disabled: enabled, brought forward and focused again.
    void ReturnToModalOwner();

    WindowHandle m_modalOwner = nullptr;
    bool m_modal = false;
    int m_modalResult = 0;
};

}  // namespace SkinUI
