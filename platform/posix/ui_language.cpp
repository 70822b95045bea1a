#include "platform/ui_language.h"

#include <cstdlib>

namespace platform {

LanguageId SystemUiLanguage() {
    return LanguageIdFromLocaleVariables(std::getenv("LANGUAGE"), std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                                         std::getenv("LANG"));
}

}  // namespace platform
