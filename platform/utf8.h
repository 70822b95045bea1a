#pragma once
// UTF-8 and wide text (UTF-32 on Linux) without locale: the encoding of file names, URLs and
// network text.
#include <optional>
#include <string>

namespace platform {

// Characters that cannot be encoded (surrogates, values past U+10FFFF) become U+FFFD.
std::string WideToUtf8(const std::wstring& text);
// Empty optional when the bytes are not valid UTF-8.
std::optional<std::wstring> Utf8ToWideStrict(const std::string& bytes);
// Invalid sequences become U+FFFD.
std::wstring Utf8ToWideLossy(const std::string& bytes);

}  // namespace platform
