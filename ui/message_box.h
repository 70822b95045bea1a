#pragma once
// The installer's message boxes and tip windows: a modal box whose look, texts and buttons all
// come from one skin file. okBtn gives 0, cancelBtn 1, any other click 2 (the close button among
// them); closing it any other way (Alt+F4) leaves 1.
#include <functional>
#include <optional>
#include <string>

#include "skinui/label.h"
#include "ui/skin_frame.h"

class CMessageBoxWnd : public CSkinFrame {
public:
    explicit CMessageBoxWnd(WindowDescriptor descriptor) : CSkinFrame(std::move(descriptor)) {}

    void OnSkinBuilt() override;
    void OnClick(SkinUI::Notification& message) override;

    int GetResult() const { return m_result; }
    SkinUI::CLabelUI* GetTextLabel() const { return m_text; }
    SkinUI::CLabelUI* GetCaptionLabel() const { return m_caption; }

private:
    int m_result = 1;
    SkinUI::CControlUI* m_ok = nullptr;
    SkinUI::CControlUI* m_cancel = nullptr;
    SkinUI::CLabelUI* m_text = nullptr;
    SkinUI::CLabelUI* m_caption = nullptr;
};

// Shows the box of the descriptor's skin file modally over its owner (the owner disabled
// meanwhile, focused again after), with the text and caption when given, centred on the owner
// (on the work area without one) before it is first shown. Returns the box's result.
int ShowMessageBox(SkinUI::WindowHandle owner, const WindowDescriptor& descriptor,
                   const std::optional<std::wstring>& text = std::nullopt,
                   const std::optional<std::wstring>& caption = std::nullopt);

// Called with every box once it is built, filled and centred, just before its modal run (tests
// answer boxes from here; null removes it).
void SetMessageBoxHook(std::function<void(CMessageBoxWnd&)> hook);
