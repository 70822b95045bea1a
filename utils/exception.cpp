#include "utils/exception.h"

#include "utils/text.h"

namespace Utils {

Exception::Exception(const std::wstring& message)
    : std::runtime_error(WideToMultiByte(message, kAnsiCodePage)), m_message(message) {}

}  // namespace Utils
