#pragma once
// The base of every control: geometry, common attributes, painting in layers and events.
#include <cstdint>
#include <functional>
#include <string>

#include "skinui/render/bitmap.h"
#include "skinui/render/image_record.h"
#include "skinui/ui_types.h"

namespace SkinUI {

class CPaintManager;

// Flags for FindControl.
constexpr UINT kFindAll = 0, kFindVisible = 1, kFindEnabled = 2, kFindHitTest = 4,
               kFindTopFirst = 8, kFindSelfFirst = 0x80000000;

// State bits of buttons and options.
constexpr UINT kStateFocused = 0x01, kStateSelected = 0x02, kStateDisabled = 0x04,
               kStateHot = 0x08, kStatePushed = 0x10, kStateCaptured = 0x40;

class CControlUI {
public:
    using FindProc = std::function<CControlUI*(CControlUI*)>;

    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    virtual std::wstring GetClass() const { return L"Control"; }
    // The control as the named kind, or null.
    virtual CControlUI* As(const std::wstring& name);

    const std::wstring& GetName() const { return m_name; }
    void SetName(const std::wstring& name) { m_name = name; }
    CPaintManager* GetManager() const { return m_manager; }
    CControlUI* GetParent() const { return m_parent; }
    virtual void SetManager(CPaintManager* manager, CControlUI* parent, bool init = true);
    virtual void OnInit() {}

    // Text as written; GetText expands numbered-text references (not in an edit's text).
    virtual std::wstring GetText() const;
    virtual void SetText(const std::wstring& text);
    const std::wstring& GetRawText() const { return m_text; }
    // The virtual window this control belongs to: its own "virtualwnd" or its nearest parent's.
    std::wstring GetVirtualWnd() const;
    const std::wstring& GetUserData() const { return m_userData; }
    void SetUserData(const std::wstring& data) { m_userData = data; }
    std::uintptr_t GetTag() const { return m_tag; }
    void SetTag(std::uintptr_t tag) { m_tag = tag; }
    // Expanded like the text.
    std::wstring GetToolTip() const;

    // Geometry.
    const UiRect& GetPos() const { return m_rect; }
    virtual void SetPos(UiRect rc, bool needInvalidate = true);
    const UiRect& GetPadding() const { return m_padding; }
    void SetPadding(const UiRect& padding) { m_padding = padding; NeedParentLayout(); }
    UiPoint GetFixedXY() const { return m_fixedXY; }
    int GetFixedWidth() const { return m_fixedSize.cx; }
    int GetFixedHeight() const { return m_fixedSize.cy; }
    virtual void SetFixedWidth(int width);
    virtual void SetFixedHeight(int height);
    int GetMinWidth() const { return m_minSize.cx; }
    int GetMinHeight() const { return m_minSize.cy; }
    int GetMaxWidth() const { return m_maxSize.cx; }
    int GetMaxHeight() const { return m_maxSize.cy; }
    void SetMinWidth(int v) { m_minSize.cx = v < 0 ? 0 : v; NeedParentLayout(); }
    void SetMinHeight(int v) { m_minSize.cy = v < 0 ? 0 : v; NeedParentLayout(); }
    void SetMaxWidth(int v) { m_maxSize.cx = v < 0 ? 0 : v; NeedParentLayout(); }
    void SetMaxHeight(int v) { m_maxSize.cy = v < 0 ? 0 : v; NeedParentLayout(); }
    bool IsFloat() const { return m_float; }
    // The natural size for the available space; 0 on an axis means "not fixed".
    virtual UiSize EstimateSize(UiSize available);

    // State.
    virtual bool IsVisible() const { return m_visible && m_parentVisible; }
    virtual void SetVisible(bool visible = true);
    virtual void SetParentVisible(bool visible = true);
    // Called when the control stops being visible (itself or through a parent).
    virtual void OnHidden();
    virtual bool IsEnabled() const { return m_enabled; }
    virtual void SetEnabled(bool enabled = true);
    bool IsMouseEnabled() const { return m_mouseEnabled; }
    void SetMouseEnabled(bool enabled) { m_mouseEnabled = enabled; }
    bool IsKeyboardEnabled() const { return m_keyboardEnabled; }
    // Whether a right click sends "menu" ("contextmenu" in markup); off by default.
    bool IsContextMenuUsed() const { return m_contextMenuUsed; }
    void SetContextMenuUsed(bool used) { m_contextMenuUsed = used; }
    bool IsFocused() const { return m_focused; }
    virtual void SetFocus();
    virtual bool Activate();
    // The pointer's shape over the control.
    virtual CursorShape GetCursor() const { return CursorShape::Arrow; }

    // Appearance.
    Colour GetBkColor() const { return m_bkColor; }
    void SetBkColor(Colour colour) { m_bkColor = colour; Invalidate(); }
    const std::wstring& GetBkImage() const { return m_bkImage.text; }
    void SetBkImage(const std::wstring& image);
    Colour GetBorderColor() const { return m_borderColor; }
    void SetBorderColor(Colour colour) { m_borderColor = colour; Invalidate(); }

    virtual void SetAttribute(const std::wstring& name, const std::wstring& value);

    virtual CControlUI* FindControl(const FindProc& proc, UINT flags);
    virtual void HandleEvent(UiEvent& event);
    void Event(UiEvent& event);  // routes through the virtual handler

    // Painting: background colour, background image, state image, text, border.
    virtual void Paint(Bitmap& target, const UiRect& paint);
    virtual void PaintBkColor(Bitmap& target, const UiRect& paint);
    virtual void PaintBkImage(Bitmap& target, const UiRect& paint);
    virtual void PaintStatusImage(Bitmap&, const UiRect&) {}
    virtual void PaintText(Bitmap&, const UiRect&) {}
    virtual void PaintBorder(Bitmap& target, const UiRect& paint);
    bool DrawImage(Bitmap& target, const UiRect& paint, ImageDrawRecord& record);

    // Asks for the control's own rectangle to be repainted; a hidden control asks for nothing.
    void Invalidate();
    void NeedLayout();
    void NeedParentLayout();
    bool IsLayoutNeeded() const { return m_layoutNeeded; }

protected:
    CPaintManager* m_manager = nullptr;
    CControlUI* m_parent = nullptr;
    std::wstring m_name, m_text, m_toolTip, m_userData, m_virtualWindow;
    std::uintptr_t m_tag = 0;
    UiRect m_rect;
    UiRect m_padding;
    UiPoint m_fixedXY;
    UiSize m_fixedSize;
    UiSize m_minSize;
    UiSize m_maxSize{9999, 9999};
    bool m_float = false;
    bool m_visible = true;
    bool m_parentVisible = true;
    bool m_enabled = true;
    bool m_mouseEnabled = true;
    bool m_keyboardEnabled = true;
    bool m_contextMenuUsed = false;
    bool m_focused = false;
    bool m_layoutNeeded = true;
    Colour m_bkColor = 0, m_bkColor2 = 0, m_bkColor3 = 0;
    Colour m_borderColor = 0, m_focusBorderColor = 0;
    int m_borderSize = 0;
    UiSize m_borderRound;
    ImageDrawRecord m_bkImage;
};

}  // namespace SkinUI
