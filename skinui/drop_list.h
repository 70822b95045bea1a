#pragma once
// The drop-down list of a combo: an owned popup window that never takes activation, painted by
// the framework into its own bitmap. The keyboard focus stays with the owner window, so while
// the list is open it takes the owner's navigation keys first (a pre-translate filter ahead of
// the window's own) and watches the owner's messages (a message hook) to close when the owner
// loses activation, moves, changes size, hides, is pressed elsewhere or goes away.
#include <string>

#include "skinui/render/bitmap.h"
#include "skinui/window_wnd.h"

namespace SkinUI {

class CComboUI;
class CPaintManager;

// How a drop-down list looks; colours are straight AARRGGBB, 0 leaves that part out.
struct DropListStyle {
    int rowHeight = 0;  // 0: the combo's font height plus 10
    int rows = 8;       // rows shown before the list scrolls
    Colour bkColor = 0xFFFFFFFF;
    Colour borderColor = 0xFFD0D7E2;
    Colour hotColor = 0xFFEAF4FF;       // the row under the pointer or the keys
    Colour selectedColor = 0;           // background of the combo's current item
    Colour textColor = 0;               // 0: the combo's text colour
    Colour selectedTextColor = 0xFF1890FF;
    Colour thumbColor = 0xFFC5CEDA;     // the scroll position, drawn when the list scrolls
};

class CDropListWnd : public CWindowWnd, public MessageHook, public IMessageFilter {
public:
    explicit CDropListWnd(CComboUI& combo) : m_combo(combo) {}
    ~CDropListWnd() override;

    std::wstring GetWindowClassName() const override { return L"SkinDropList"; }

    // Opens under the combo, as wide as it (above it when the work area has no room below),
    // with the combo's item highlighted; false when the combo has no place, no items or no window.
    bool Open();
    void Close();
    bool IsOpen() const { return m_hWnd != nullptr; }

    // The highlighted row (-1 when none) and the first row shown.
    int GetHotIndex() const { return m_hot; }
    int GetTopIndex() const { return m_top; }
    int GetVisibleRows() const { return m_rows; }
    int GetRowHeight() const { return m_rowHeight; }
    // Moves the first row shown by this many rows (negative: up), within the items.
    void Scroll(int rows);
    // The wheel's delta (120 per notch, forward positive) as rows to scroll.
    void Wheel(int delta);
    // Makes a row the highlighted one and scrolls it into view.
    void SetHot(int index);
    // The item under a point of the list window; -1 when none.
    int ItemAt(UiPoint point) const;
    // The rectangle of a row in the list window (empty when it is not shown).
    UiRect RowRect(int index) const;

    // MessageHook: the owner's messages.
    void BeforeMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) override;
    // IMessageFilter: the owner's keys.
    LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnLastMessage(WindowHandle window) override;

private:
    // Stops watching the owner; safe to call more than once.
    void Detach();
    int Border() const;
    void Paint(const UiRect& area);
    // Hands the pick to the combo. The combo (and this list) may be gone afterwards.
    void Choose(int index);

    CComboUI& m_combo;
    WindowHandle m_owner = nullptr;
    CPaintManager* m_filtered = nullptr;  // the manager this list is a filter of
    Bitmap m_bitmap;
    int m_rowHeight = 0;
    int m_rows = 0;  // rows shown, fixed when the list opens
    int m_top = 0;
    int m_hot = -1;
    int m_wheelRest = 0;  // wheel movement short of a row
    bool m_pressed = false;  // a press began on the list
};

}  // namespace SkinUI
