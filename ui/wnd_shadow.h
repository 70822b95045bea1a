#pragma once
// The soft drop shadow around an installer window: a click-through layered window owned by its
// parent, kept just below it, that follows the parent's moves, sizes, visibility and activation
// by seeing the parent's messages before the parent does.
#include <cstdint>
#include <memory>
#include <string>

#include "skinui/backend/window_system.h"
#include "skinui/render/image.h"
#include "ui/shadow_bitmap.h"

class CWndShadow : public SkinUI::WindowProcedure, public SkinUI::MessageHook {
public:
    CWndShadow() = default;
    ~CWndShadow() override;
    CWndShadow(const CWndShadow&) = delete;
    CWndShadow& operator=(const CWndShadow&) = delete;

    // Once at start-up, with the window system in place: false, and no shadows for the run, where
    // the window system cannot show translucent click-through windows.
    static bool Initialize();
    // The shadow of a parent window (null when it has none).
    static CWndShadow* FromParent(SkinUI::WindowHandle parent);

    // Makes the shadow window for the parent and starts following it; false (and no shadow)
    // where there can be none.
    bool Create(SkinUI::WindowHandle parent);

    // Each refuses a value out of range and keeps the old one; an accepted one shows at once.
    bool SetDarkness(int darkness);    // 0 to 255
    bool SetSharpness(int sharpness);  // 0 to 20
    bool SetSize(int size);            // -20 to 20
    bool SetPosition(int x, int y);    // each -20 to 20
    bool SetColor(std::uint32_t colorRef);
    // The image mode: a skin image drawn as a nine-grid around the window. False (and the old
    // image kept) when the image cannot be loaded.
    bool SetImage(const std::wstring& image, const SkinUI::UiRect& corners, const SkinUI::UiRect& holeOffset);

    int GetDarkness() const { return m_darkness; }
    int GetSharpness() const { return m_sharpness; }
    int GetSize() const { return m_size; }
    SkinUI::UiPoint GetPosition() const { return {m_x, m_y}; }
    std::uint32_t GetColor() const { return m_color; }
    SkinUI::WindowHandle GetShadowWindow() const { return m_window; }

    // The drawing step's pixels and place for the parent as it is now; empty when there is
    // nothing to draw.
    SkinUI::Bitmap Draw(SkinUI::UiRect& place) const;

private:
    enum : std::uint8_t { kEnabled = 1, kShown = 2, kParentVisible = 4 };

    SkinUI::LRESULT WindowProc(SkinUI::WindowHandle window, SkinUI::UINT message, SkinUI::WPARAM wParam,
                               SkinUI::LPARAM lParam) override;
    void BeforeMessage(SkinUI::WindowHandle window, SkinUI::UINT message, SkinUI::WPARAM wParam,
                       SkinUI::LPARAM lParam) override;
    // Where the shadow's top-left corner goes for the parent's rectangle.
    SkinUI::UiPoint Origin(const SkinUI::UiRect& parent) const;
    void Update();
    void Hide();
    void RedrawIfShown() {
        if (m_status & kShown) Update();
    }

    SkinUI::WindowHandle m_window = nullptr;
    SkinUI::WindowHandle m_parent = nullptr;
    std::uint8_t m_status = 0;
    std::uint8_t m_darkness = 150;
    std::uint8_t m_sharpness = 5;
    std::int8_t m_size = 0;
    std::int8_t m_x = 5, m_y = 5;
    std::uint32_t m_lastParentSize = 0;
    std::uint32_t m_color = 0;
    bool m_redrawPending = false;
    std::shared_ptr<const SkinUI::Image> m_image;
    SkinUI::UiRect m_corners, m_holeOffset;
};
