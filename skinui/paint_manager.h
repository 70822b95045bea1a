#pragma once
// One per window: owns the control tree and the window's bitmap, routes mouse, keyboard and
// timers to controls, keeps fonts and the window's markup attributes, and delivers
// notifications to the window's sinks.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "skinui/control.h"
#include "skinui/render/text_renderer.h"

namespace SkinUI {

class CPaintManager {
public:
    CPaintManager();
    ~CPaintManager();
    CPaintManager(const CPaintManager&) = delete;
    CPaintManager& operator=(const CPaintManager&) = delete;

    void Init(WindowHandle window);
    WindowHandle GetPaintWindow() const { return m_window; }

    // The control tree; the manager owns the root from now on.
    bool AttachRoot(CControlUI* root);
    CControlUI* GetRoot() const { return m_root; }
    void ReleaseRoot();
    CControlUI* FindControl(const std::wstring& name) const;
    // The control under a point of the client area. The tree is laid out first when it needs it:
    // input can come before the window's first paint (a click queued as the window appeared).
    CControlUI* FindControl(UiPoint point);
    void NameControl(CControlUI* control);
    // Forgets every reference to a control that is going away.
    void ForgetControl(CControlUI* control);

    // Window attributes from markup.
    UiSize GetInitSize() const { return m_initSize; }
    void SetInitSize(int cx, int cy) { m_initSize = {cx, cy}; }
    const UiRect& GetCaptionRect() const { return m_caption; }
    void SetCaptionRect(const UiRect& rect) { m_caption = rect; }
    UiSize GetRoundCorner() const { return m_roundCorner; }
    void SetRoundCorner(int cx, int cy) { m_roundCorner = {cx, cy}; }
    const UiRect& GetSizeBox() const { return m_sizeBox; }
    void SetSizeBox(const UiRect& rect) { m_sizeBox = rect; }
    UiSize GetMinInfo() const { return m_minInfo; }
    void SetMinInfo(int cx, int cy) { m_minInfo = {cx, cy}; }
    UiSize GetMaxInfo() const { return m_maxInfo; }
    void SetMaxInfo(int cx, int cy) { m_maxInfo = {cx, cy}; }
    void SetWindowAttribute(const std::wstring& name, const std::wstring& value);
    // Any attribute of the Window element by name (empty when absent).
    std::wstring GetWindowAttribute(const std::wstring& name) const;
    Colour GetDefaultFontColor() const { return m_defaultFontColor; }
    Colour GetDefaultDisabledColor() const { return m_defaultDisabledColor; }
    void SetDefaultFontColor(Colour c) { m_defaultFontColor = c; }
    void SetDefaultDisabledColor(Colour c) { m_defaultDisabledColor = c; }

    // Fonts: id -1 (or an unknown id) is the default font.
    void AddFont(int id, const FontSpec& font, bool isDefault);
    const FontSpec& GetFont(int id) const;
    int GetFontHeight(int id) const { return FontHeight(GetFont(id)); }
    int MeasureTextWidth(const std::wstring& text, int fontId) const;

    // Notifications. A synchronous one reaches every sink at once; a queued one (async) is
    // delivered later on the window's thread, and may be sent from any thread: nothing of the
    // control tree is read until delivery.
    void AddNotifier(INotifySink* sink);
    void RemoveNotifier(INotifySink* sink);
    void SendNotify(CControlUI* control, const std::wstring& type, WPARAM wParam = 0, LPARAM lParam = 0,
                    bool async = false, bool enableRepeat = true);
    void SendNotify(Notification& message, bool async = false, bool enableRepeat = true);

    // Pre-translate filters see a window's input before the window does; one added first goes
    // ahead of the others (a drop-down list takes its owner's keys before the window's own).
    void AddPreMessageFilter(IMessageFilter* filter, bool first = false);
    void RemovePreMessageFilter(IMessageFilter* filter);
    void AddMessageFilter(IMessageFilter* filter);
    void RemoveMessageFilter(IMessageFilter* filter);

    // Timers per control; each (control, id) pair has its own window timer.
    bool SetTimer(CControlUI* control, UINT id, UINT elapse);
    bool KillTimer(CControlUI* control, UINT id);
    void KillTimer(CControlUI* control);

    CControlUI* GetFocus() const { return m_focus; }
    void SetFocus(CControlUI* control);
    CControlUI* GetHover() const { return m_hover; }
    UiPoint GetMousePos() const { return m_lastMouse; }

    // Repaint and relayout. Damage adds up until the window's next paint.
    void Invalidate();
    void Invalidate(const UiRect& rect);
    void NeedLayout() { m_layoutNeeded = true; Invalidate(); }
    // A control became hidden: it is no longer hovered, pressed or focused.
    void ControlHidden(CControlUI* control);
    // Lays out (when needed) and paints the tree into the window's bitmap inside the area, then
    // presents that area. A layout repaints and presents the whole window.
    void Paint(const UiRect& area);
    void Paint() { Paint(ClientRect()); }
    const Bitmap& GetBitmap() const { return m_bitmap; }

    // The framework's handling of a window message; true when taken.
    bool MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The manager of a window, or null.
    static CPaintManager* FromWindow(WindowHandle window);
    // The pre-translate hooks of the window a message is addressed to; true when taken.
    static bool TranslateMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct TimerInfo {
        CControlUI* sender;
        UINT id;
        UINT windowTimer;
        bool killed;
    };

    void DeliverQueued();
    bool WindowTimerInUse(UINT number) const;
    UiRect ClientRect() const;
    // Gives the controls their places when they need new ones; the next paint draws everything.
    void LayOutIfNeeded();
    // Clears what lies outside the window's rounded region, inside the area.
    void ClipRoundCorners(const UiRect& area);

    WindowHandle m_window = nullptr;
    CControlUI* m_root = nullptr;
    CControlUI* m_focus = nullptr;
    CControlUI* m_hover = nullptr;
    CControlUI* m_captured = nullptr;
    UiPoint m_lastMouse;
    Bitmap m_bitmap;
    bool m_layoutNeeded = true;
    bool m_painting = false;

    std::map<std::wstring, CControlUI*> m_names;
    std::vector<std::pair<std::wstring, std::wstring>> m_windowAttributes;
    UiSize m_initSize, m_roundCorner, m_minInfo, m_maxInfo;
    UiRect m_caption, m_sizeBox;
    Colour m_defaultFontColor = 0xFF000000, m_defaultDisabledColor = 0xFFA7A6AA;

    std::map<int, FontSpec> m_fonts;
    FontSpec m_defaultFont;

    std::vector<INotifySink*> m_notifiers;
    std::vector<IMessageFilter*> m_preFilters;
    std::vector<IMessageFilter*> m_filters;
    std::vector<TimerInfo> m_timers;
    UINT m_timerCounter = 0;

    std::mutex m_asyncMutex;  // the queued notifications may come from any thread
    std::vector<Notification> m_asyncNotify;
    bool m_asyncPosted = false;
    std::vector<Notification>* m_delivering = nullptr;  // the batch being delivered
};

}  // namespace SkinUI
