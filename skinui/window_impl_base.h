#pragma once
// A window built from a skin file: it is its own notification sink, message filter and
// control factory, and answers the common title-bar and keyboard behaviour.
#include <string>

#include "skinui/paint_manager.h"
#include "skinui/window_wnd.h"

namespace SkinUI {

// Where a window's skin comes from: files under the resource folder, an archive file there, the
// program's resources, or an archive stored as a resource of type "ZIPRES".
enum class SkinSource : int { Folder = 1, ArchiveFile = 2, Resource = 3, ArchiveResource = 4 };

#ifndef CS_DBLCLKS
constexpr UINT CS_DBLCLKS = 0x0008;
#endif

class WindowImplBase : public CWindowWnd, public INotifySink, public IMessageFilter, public IControlFactory {
public:
    WindowImplBase() = default;

    std::wstring GetSuperClassName() const override { return {}; }
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnLastMessage(WindowHandle window) override;
    ~WindowImplBase() override;
    virtual void OnSkinBuilt() {}
    virtual void OnClick(Notification& message);
    virtual std::wstring GetSkinFolder() = 0;
    virtual std::wstring GetSkinFile() = 0;
    virtual LRESULT OnDefaultKey(WPARAM wParam);
    virtual SkinSource GetSkinSource() const { return SkinSource::Folder; }
    virtual std::wstring GetSkinArchiveName() const { return {}; }
    // The id of the skin's resource (ArchiveResource); 0 for none.
    virtual int GetSkinResourceId() const { return 0; }

    virtual LRESULT OnClose(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnNcActivate(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnNcCalcSize(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnNcPaint(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnNcHitTest(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnMouseWheel(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnMouseHover(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnSize(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnChar(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnSysCommand(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnCreate(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnKeyDown(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnKillFocus(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnSetFocus(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT OnMouseMove(UINT, WPARAM, LPARAM, bool& handled);
    virtual LRESULT HandleOtherMessage(UINT, WPARAM, LPARAM, bool& handled);
    virtual std::uint32_t GetStyle();

    // INotifySink: clicks go to OnClick.
    void Notify(Notification& message) override;
    // IMessageFilter (registered as a pre-translate hook): Enter and Escape key-downs.
    LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    // IControlFactory: the base knows no extra controls.
    CControlUI* CreateControl(const std::wstring&) override { return nullptr; }

    CPaintManager& GetPaintManager() { return m_paintManager; }
    CControlUI* FindControl(const std::wstring& name) const { return m_paintManager.FindControl(name); }

protected:
    CPaintManager m_paintManager;
};

}  // namespace SkinUI
