#include "ui/window_language.h"

#include <string_view>

#include "settings/installer_settings.h"
#include "skinui/combo.h"
#include "skinui/label.h"
#include "skinui/skin_resources.h"
#include "skinui/text_table.h"
#include "ui/skin_frame.h"
#include "utils/language.h"

namespace {

constexpr const wchar_t* kLanguageCombo = L"languageCombo";
constexpr const wchar_t* kLanguageFile = L"language.json";

}  // namespace

int LoadLanguageStrings(int index, const std::wstring& wantedCode) {
    std::vector<std::uint8_t> bytes;
    const bool found = SkinUI::SkinResources::Instance().ReadFile(kLanguageFile, bytes);
    const std::string_view file(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return Utils::LoadLanguageStrings(index, wantedCode, found ? &file : nullptr,
                                      [](int id, const std::wstring& text) {
                                          SkinUI::TextTable::Instance().SetText(id, text);
                                      });
}

std::wstring LanguageText(int id) {
    return SkinUI::TextTable::Instance().Expand(L"%{" + std::to_wstring(id) + L"}");
}

SkinUI::CComboUI* CWindowLanguage::Combo() const {
    return ControlAs<SkinUI::CComboUI>(m_manager.FindControl(kLanguageCombo), L"Combo");
}

void CWindowLanguage::UpdateRoot() {
    if (SkinUI::CControlUI* root = m_manager.GetRoot()) root->NeedLayout();
}

void CWindowLanguage::InitLanguage() {
    SkinUI::CComboUI* combo = Combo();
    if (!combo) return;
    int index = InstallerSettings::Instance().Language;
    if (index == Utils::kNoLanguage) index = Utils::LanguageFromUiLanguage();
    combo->SelectItem(index, false, true);
    ApplyLanguage(index);
}

void CWindowLanguage::ApplyLanguage(int index) {
    const int inForce = LoadLanguageStrings(index, L"");
    UpdateRoot();
    for (const wchar_t* name : {L"lbLanguage", L"lbInstallPath", L"backBtn"}) FitControlWidth(name);
    // The other controls sized to their text in the shipped markup: in another language their
    // Chinese widths would cut the text or leave gaps.
    for (const wchar_t* name : {L"lbOptions", L"createDSCb", L"createQSCb", L"treatyCb", L"treatyBtn"})
        FitControlWidth(name);
    InstallerSettings::Instance().Language = inForce;
}

void CWindowLanguage::FitControlWidth(const std::wstring& name) {
    SkinUI::CControlUI* control = m_manager.FindControl(name);
    if (!control) return;
    const std::wstring text = control->GetText();
    if (text.empty()) return;
    auto* label = static_cast<SkinUI::CLabelUI*>(control->As(L"Label"));
    const int font = label ? label->GetFont() : -1;
    const int padding = label ? label->GetTextPadding().left : 0;
    control->SetFixedWidth(m_manager.MeasureTextWidth(text, font) + padding);
}

int CWindowLanguage::LoadInstalledLanguage(const std::wstring& installDir) {
    const int index = LoadLanguageStrings(0, Utils::InstalledLanguageCode(installDir));
    UpdateRoot();
    if (SkinUI::CComboUI* combo = Combo()) combo->SelectItem(index, false, true);
    return index;
}

std::wstring CWindowLanguage::GetSelectedLocaleCode() const {
    SkinUI::CComboUI* combo = Combo();
    if (!combo) return {};
    const std::wstring code = Utils::LocaleCodeOf(combo->GetCurSel());
    return code.empty() ? L"en-US" : code;
}
