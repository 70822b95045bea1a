#include "ui/skin_frame.h"

#include <cwctype>

#include "skinui/markup/value_parser.h"
#include "ui/sequence_button.h"
#include "ui/sequence_label.h"

using namespace SkinUI;

namespace {

// Up to eight hexadecimal digits after an optional "#"; none when there are none or more.
std::optional<std::uint32_t> ParseColourReference(const std::wstring& text) {
    std::size_t i = !text.empty() && text[0] == L'#' ? 1 : 0;
    std::uint32_t value = 0;
    int digits = 0;
    for (; i < text.size() && std::iswxdigit(text[i]); ++i, ++digits) {
        if (digits == 8) return std::nullopt;
        const wchar_t c = text[i];
        const std::uint32_t digit = c <= L'9' ? c - L'0' : (c | 0x20) - L'a' + 10;
        value = value << 4 | digit;
    }
    if (digits == 0) return std::nullopt;
    return value;
}

}  // namespace

WindowDescriptor WindowDescriptor::ForSkinFile(const std::wstring& skinFile) {
    WindowDescriptor descriptor;
    descriptor.skinFile = skinFile;
    descriptor.className = skinFile.substr(0, skinFile.find(L'.'));
    return descriptor;
}

CSkinFrame::CSkinFrame(WindowDescriptor descriptor) : m_descriptor(std::move(descriptor)) {}

CSkinFrame::~CSkinFrame() {
    // The window goes while the frame, its shadow included, still answers its last messages.
    WindowSystem* system = GetWindowSystem();
    if (m_hWnd && system && system->IsWindow(m_hWnd)) system->DestroyWindow(m_hWnd);
}

void CSkinFrame::UseInstallerStyles() {
    WindowSystem* system = GetWindowSystem();
    system->SetStyle(m_hWnd, system->GetStyle(m_hWnd) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    system->SetExStyle(m_hWnd, system->GetExStyle(m_hWnd) & ~WS_EX_TOPMOST);
}

void CSkinFrame::OnSkinBuilt() {
    WindowSystem* system = GetWindowSystem();
    system->SetStyle(m_hWnd, system->GetStyle(m_hWnd) & ~(WS_CAPTION | WS_MAXIMIZEBOX));
    ConfigureShadow();
}

void CSkinFrame::ConfigureShadow() {
    const CPaintManager& manager = GetPaintManager();
    auto attribute = [&manager](const wchar_t* name) { return manager.GetWindowAttribute(name); };
    if (!EqualsNoCase(attribute(L"showshadow"), L"true")) return;
    m_shadow.Create(m_hWnd);
    if (std::wstring image = attribute(L"shadowimage"); !image.empty()) {
        m_shadow.SetImage(image, ParseRect(attribute(L"shadowcorner")), ParseRect(attribute(L"shadowholeoffset")));
    }
    auto number = [&](const wchar_t* name, bool (CWndShadow::*set)(int)) {
        const std::wstring value = attribute(name);
        if (!value.empty()) (m_shadow.*set)(ParseInt(value));
    };
    number(L"shadowsize", &CWndShadow::SetSize);
    number(L"shadowsharpness", &CWndShadow::SetSharpness);
    number(L"shadowdarkness", &CWndShadow::SetDarkness);
    if (std::wstring position = attribute(L"shadowposition"); !position.empty()) {
        const UiSize xy = ParseSize(position);
        m_shadow.SetPosition(xy.cx, xy.cy);
    }
    if (auto colour = ParseColourReference(attribute(L"shadowcolor"))) m_shadow.SetColor(*colour);
}

LRESULT CSkinFrame::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        handled = true;
        return 1;
    }
    return WindowImplBase::MessageHandler(message, wParam, lParam, handled);
}

CControlUI* CSkinFrame::CreateControl(const std::wstring& className) {
    if (EqualsNoCase(className, L"SequenceLabel")) return new CSequenceLabelUI;
    if (EqualsNoCase(className, L"SequenceButton")) return new CSequenceButtonUI;
    return nullptr;
}
