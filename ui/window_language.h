#pragma once
// The interface language of the main window: the steps the window takes at initialisation, when
// the user picks a language in "languageCombo", and when it asks which locale to hand to the
// setup package. It works on the window's paint manager only, so any window built from the
// main window's markup can use it; everything runs on the window's thread.
#include <string>

#include "skinui/paint_manager.h"

namespace SkinUI {
class CComboUI;
}

// Loads the texts of one language from the skin package's "language.json" into the
// framework's numbered-text table and returns the index in force (see Utils::LoadLanguageStrings).
int LoadLanguageStrings(int index, const std::wstring& wantedCode);

// A numbered text as the current language has it ("%{id}" when none is registered).
std::wstring LanguageText(int id);

class CWindowLanguage {
public:
    explicit CWindowLanguage(SkinUI::CPaintManager& manager) : m_manager(manager) {}

    // The first choice, when the window has "languageCombo": the settings' language, else the
    // user's interface language, selected in the combo (raising "itemselect") and applied.
    void InitLanguage();
    // Loads the language, lays the window out anew, fits the labels whose text changed length,
    // and makes the index in force the settings' language.
    void ApplyLanguage(int index);
    // Sets the control's fixed width to its text's width plus its left text padding. A control
    // without text keeps its width (an icon button would otherwise vanish).
    void FitControlWidth(const std::wstring& name);
    // The language an earlier installation recorded in its "config.ini", loaded and laid out;
    // with "languageCombo" it is also selected there (raising "itemselect"). Returns the index.
    int LoadInstalledLanguage(const std::wstring& installDir);
    // The locale of the combo's selection ("en-US" without one); empty without the combo.
    std::wstring GetSelectedLocaleCode() const;

private:
    SkinUI::CComboUI* Combo() const;
    void UpdateRoot();

    SkinUI::CPaintManager& m_manager;
};
