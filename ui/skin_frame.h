#pragma once
// The base of every installer window: a window bound to one skin file of the skin archive, with
// the shadow the skin asks for, the installer's own controls, and Escape that closes nothing.
#include <string>

#include "skinui/window_impl_base.h"
#include "ui/wnd_shadow.h"

// A control as the kind it must be, or null (also for no control at all).
template <class Kind>
Kind* ControlAs(SkinUI::CControlUI* control, const wchar_t* kind) {
    return control ? static_cast<Kind*>(control->As(kind)) : nullptr;
}

// What a CSkinFrame is built from (copied into the window).
struct WindowDescriptor {
    int resourceKind = static_cast<int>(SkinUI::SkinSource::ArchiveResource);
    int resourceId = 147;
    std::wstring skinFolder;
    std::wstring skinFile;
    std::wstring className;

    // The installer's descriptor of a skin file of the linked archive: kind 4, id 147, no
    // folder, and the class name the file's name up to its first ".".
    static WindowDescriptor ForSkinFile(const std::wstring& skinFile);
};

class CSkinFrame : public SkinUI::WindowImplBase {
public:
    explicit CSkinFrame(WindowDescriptor descriptor);
    ~CSkinFrame() override;

    std::wstring GetWindowClassName() const override { return m_descriptor.className; }
    // The style loses the caption and the maximise box; then the shadow follows the skin's
    // Window attributes.
    void OnSkinBuilt() override;
    std::wstring GetSkinFolder() override { return m_descriptor.skinFolder; }
    std::wstring GetSkinFile() override { return m_descriptor.skinFile; }
    SkinUI::SkinSource GetSkinSource() const override {
        return static_cast<SkinUI::SkinSource>(m_descriptor.resourceKind);
    }
    int GetSkinResourceId() const override { return m_descriptor.resourceId; }
    // Escape is taken here, so it never closes an installer window.
    SkinUI::LRESULT MessageHandler(SkinUI::UINT message, SkinUI::WPARAM wParam, SkinUI::LPARAM lParam,
                                   bool& handled) override;
    // "SequenceLabel" and "SequenceButton" (without regard to case); nothing else.
    SkinUI::CControlUI* CreateControl(const std::wstring& className) override;

    const WindowDescriptor& GetDescriptor() const { return m_descriptor; }
    CWndShadow& GetShadow() { return m_shadow; }

protected:
    // The styles of the installer's own windows (the main window and the boxes): children
    // clipped, never kept on top.
    void UseInstallerStyles();
    // Reads showshadow, shadowimage, shadowcorner, shadowholeoffset, shadowsize, shadowsharpness,
    // shadowdarkness, shadowposition and shadowcolor.
    void ConfigureShadow();

    WindowDescriptor m_descriptor;
    CWndShadow m_shadow;
};
