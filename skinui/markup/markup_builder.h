#pragma once
// Builds a control tree from a window's markup file.
#include <string>

#include "skinui/control.h"

namespace SkinUI {

class CPaintManager;

class CMarkupBuilder {
public:
    // Reads the file from the skin (archive or resource folder) and builds it. The Window
    // element's attributes and fonts go to the manager. Null (with GetError) on failure.
    CControlUI* Create(const std::wstring& skinFile, IControlFactory* factory, CPaintManager* manager);
    // The same from markup text (UTF-8).
    CControlUI* CreateFromText(const std::string& markup, IControlFactory* factory, CPaintManager* manager);
    const std::wstring& GetError() const { return m_error; }

    // A control for a class name the framework knows (compared without regard to case).
    static CControlUI* CreateBuiltInControl(const std::wstring& className);

private:
    std::wstring m_error;
};

}  // namespace SkinUI
