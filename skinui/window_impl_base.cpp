#include "skinui/window_impl_base.h"

#include "platform/file_system.h"
#include "platform/module_path.h"
#include "skinui/markup/markup_builder.h"
#include "skinui/markup/value_parser.h"
#include "skinui/resource.h"
#include "skinui/skin_resources.h"

namespace SkinUI {

namespace {

std::wstring FolderOf(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L'/');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace

WindowImplBase::~WindowImplBase() {
    // The window goes while this object can still answer its last messages.
    WindowSystem* system = GetWindowSystem();
    if (m_hWnd && system && system->IsWindow(m_hWnd)) system->DestroyWindow(m_hWnd);
}

void WindowImplBase::OnLastMessage(WindowHandle) {
    m_paintManager.RemovePreMessageFilter(this);
    m_paintManager.RemoveNotifier(this);
    m_paintManager.ReleaseRoot();
}

void WindowImplBase::OnClick(Notification& message) {
    if (!message.sender) return;
    const std::wstring& name = message.sender->GetName();
    if (name == L"closebtn") Close(1);
    else if (name == L"minbtn") SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else if (name == L"maxbtn") SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    else if (name == L"restorebtn") SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
}

LRESULT WindowImplBase::OnDefaultKey(WPARAM wParam) {
    if (wParam == VK_ESCAPE) {
        Close();
        return 1;
    }
    return 0;  // Enter does nothing
}

void WindowImplBase::Notify(Notification& message) {
    if (message.type == L"click") OnClick(message);
}

LRESULT WindowImplBase::MessageHandler(UINT message, WPARAM wParam, LPARAM, bool& handled) {
    if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        LRESULT result = OnDefaultKey(wParam);
        handled = result != 0;
        return result;
    }
    return 0;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM, LPARAM, bool& handled) {
    if (GetWindowSystem()->IsMinimized(m_hWnd)) handled = false;
    return 1;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM, bool&) { return 0; }

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool&) { return 0; }

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool&) {
    WindowSystem* system = GetWindowSystem();
    UiRect window = system->GetWindowRect(m_hWnd);
    UiPoint pt{LowWord(lParam) - window.left, HighWord(lParam) - window.top};
    const int width = window.Width(), height = window.Height();
    if (!system->IsMaximized(m_hWnd)) {
        const UiRect& box = m_paintManager.GetSizeBox();
        bool left = pt.x < box.left, right = pt.x >= width - box.right;
        bool top = pt.y < box.top, bottom = pt.y >= height - box.bottom;
        if (top && left) return HTTOPLEFT;
        if (top && right) return HTTOPRIGHT;
        if (bottom && left) return HTBOTTOMLEFT;
        if (bottom && right) return HTBOTTOMRIGHT;
        if (top) return HTTOP;
        if (bottom) return HTBOTTOM;
        if (left) return HTLEFT;
        if (right) return HTRIGHT;
    }
    const UiRect& caption = m_paintManager.GetCaptionRect();
    if (pt.x >= caption.left && pt.x < width - caption.right && pt.y >= caption.top && pt.y < caption.bottom) {
        CControlUI* control = m_paintManager.FindControl(pt);
        std::wstring kind = control ? control->GetClass() : std::wstring();
        if (kind != L"Button" && kind != L"Option" && kind != L"Text") return HTCAPTION;
    }
    return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM wParam, LPARAM, bool& handled) {
    UiSize corner = m_paintManager.GetRoundCorner();
    if (wParam != SIZE_MINIMIZED && (corner.cx != 0 || corner.cy != 0)) {
        GetWindowSystem()->SetRoundRegion(m_hWnd, corner.cx, corner.cy);
    }
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (wParam == SC_CLOSE) {
        handled = true;
        SendMessage(WM_CLOSE);
        return 0;
    }
    WindowSystem* system = GetWindowSystem();
    LRESULT result = system->DefWindowProc(m_hWnd, message, wParam, lParam);
    if (!m_hWnd || !system->IsWindow(m_hWnd)) return result;
    bool zoomed = system->IsMaximized(m_hWnd);
    CControlUI* maxButton = m_paintManager.FindControl(L"maxbtn");
    CControlUI* restoreButton = m_paintManager.FindControl(L"restorebtn");
    if (maxButton && restoreButton) {
        maxButton->SetVisible(!zoomed);
        restoreButton->SetVisible(zoomed);
    }
    return result;
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool&) {
    WindowSystem* system = GetWindowSystem();
    std::uint32_t style = system->GetStyle(m_hWnd);
    system->SetStyle(m_hWnd, (style & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);

    m_paintManager.Init(m_hWnd);
    m_paintManager.AddPreMessageFilter(this);

    SkinResources& resources = SkinResources::Instance();
    if (resources.GetResourcePath().empty()) {
        resources.SetResourcePath(platform::JoinPath(FolderOf(platform::GetModulePath()), GetSkinFolder()));
    }
    if (GetSkinSource() == SkinSource::ArchiveResource) {
        ResourceBlob blob = FindResource(L"ZIPRES", GetSkinResourceId());
        if (!blob.data || blob.size == 0) return 0;  // the window stays empty
        // A damaged archive fails below, when the markup cannot be read from it.
        resources.SetArchive(blob.data, blob.size);
    } else if (GetSkinSource() == SkinSource::ArchiveFile) {
        std::optional<std::string> bytes =
            platform::ReadWholeFile(platform::JoinPath(resources.GetResourcePath(), GetSkinArchiveName()),
                                    SkinResources::kSkinFileLimit);
        if (bytes) resources.SetArchive(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());
    }

    CMarkupBuilder builder;
    CControlUI* root = builder.Create(GetSkinFile(), this, &m_paintManager);
    if (!root) {
        system->ShowSystemMessage(L"加载资源文件失败", L"SkinUI");
        ExitProcess(1);
        return -1;
    }
    m_paintManager.AttachRoot(root);
    m_paintManager.AddNotifier(this);
    UiSize size = m_paintManager.GetInitSize();
    if (size.cx > 0 && size.cy > 0) ResizeClient(size.cx, size.cy);
    OnSkinBuilt();
    return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::HandleOtherMessage(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

std::uint32_t WindowImplBase::GetStyle() {
    return GetWindowSystem()->GetStyle(m_hWnd) & ~WS_CAPTION;
}

LRESULT WindowImplBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    bool handled = true;
    switch (message) {
    case WM_CREATE: result = OnCreate(message, wParam, lParam, handled); break;
    case WM_CLOSE: result = OnClose(message, wParam, lParam, handled); break;
    case WM_DESTROY: result = OnDestroy(message, wParam, lParam, handled); break;
    case WM_NCACTIVATE: result = OnNcActivate(message, wParam, lParam, handled); break;
    case WM_NCCALCSIZE: result = OnNcCalcSize(message, wParam, lParam, handled); break;
    case WM_NCPAINT: result = OnNcPaint(message, wParam, lParam, handled); break;
    case WM_NCHITTEST: result = OnNcHitTest(message, wParam, lParam, handled); break;
    case WM_GETMINMAXINFO: result = OnGetMinMaxInfo(message, wParam, lParam, handled); break;
    case WM_MOUSEWHEEL: result = OnMouseWheel(message, wParam, lParam, handled); break;
    case WM_SIZE: result = OnSize(message, wParam, lParam, handled); break;
    case WM_CHAR: result = OnChar(message, wParam, lParam, handled); break;
    case WM_SYSCOMMAND: result = OnSysCommand(message, wParam, lParam, handled); break;
    case WM_KEYDOWN: result = OnKeyDown(message, wParam, lParam, handled); break;
    case WM_KILLFOCUS: result = OnKillFocus(message, wParam, lParam, handled); break;
    case WM_SETFOCUS: result = OnSetFocus(message, wParam, lParam, handled); break;
    case WM_LBUTTONUP: result = OnLButtonUp(message, wParam, lParam, handled); break;
    case WM_LBUTTONDOWN: result = OnLButtonDown(message, wParam, lParam, handled); break;
    case WM_MOUSEMOVE: result = OnMouseMove(message, wParam, lParam, handled); break;
    case WM_MOUSEHOVER: result = OnMouseHover(message, wParam, lParam, handled); break;
    default: handled = false; break;
    }
    if (handled) return result;
    result = HandleOtherMessage(message, wParam, lParam, handled);
    if (handled) return result;
    if (m_paintManager.MessageHandler(message, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

}  // namespace SkinUI
