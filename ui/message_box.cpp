#include "ui/message_box.h"

#include "utils/debug_log.h"

using namespace SkinUI;

namespace {

std::function<void(CMessageBoxWnd&)>& BoxHook() {
    static std::function<void(CMessageBoxWnd&)> hook;
    return hook;
}

}  // namespace

void CMessageBoxWnd::OnSkinBuilt() {
    CSkinFrame::OnSkinBuilt();
    UseInstallerStyles();
    m_ok = FindControl(L"okBtn");
    m_cancel = FindControl(L"cancelBtn");
    m_text = ControlAs<CLabelUI>(FindControl(L"textLbl"), L"Label");
    m_caption = ControlAs<CLabelUI>(FindControl(L"captionLbl"), L"Label");
}

void CMessageBoxWnd::OnClick(Notification& message) {
    if (message.sender && message.sender == m_ok) {
        Close(IDOK);
        m_result = 0;
    } else if (message.sender && message.sender == m_cancel) {
        Close(IDCANCEL);
        m_result = 1;
    } else {
        CSkinFrame::OnClick(message);
        m_result = 2;
    }
}

int ShowMessageBox(WindowHandle owner, const WindowDescriptor& descriptor, const std::optional<std::wstring>& text,
                   const std::optional<std::wstring>& caption) {
    CMessageBoxWnd box(descriptor);
    // Hidden until it holds its texts and stands in its place.
    if (!box.Create(owner, L"消息框", WS_OVERLAPPEDWINDOW, 0)) {
        DEBUG_LOG(L"no box for %s", descriptor.skinFile.c_str());
        return box.GetResult();
    }
    if (text && box.GetTextLabel()) box.GetTextLabel()->SetText(*text);
    if (caption && box.GetCaptionLabel()) box.GetCaptionLabel()->SetText(*caption);
    box.CenterWindow();
    if (BoxHook()) BoxHook()(box);
    box.ShowModal();
    return box.GetResult();
}

void SetMessageBoxHook(std::function<void(CMessageBoxWnd&)> hook) { BoxHook() = std::move(hook); }
