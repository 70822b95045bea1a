#include "platform/ui_language.h"

#include <windows.h>

namespace platform {

LanguageId SystemUiLanguage() { return ::GetUserDefaultUILanguage(); }

}  // namespace platform
