#include "download/download_address.h"

#include <cwctype>

bool IsDownloadAddress(const std::wstring& url, std::wstring& scheme) {
    scheme.clear();
    const std::size_t colon = url.find(L"://");
    if (colon == std::wstring::npos) return false;
    for (std::size_t i = 0; i < colon; ++i) scheme += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(url[i])));
    return scheme == L"http" || scheme == L"https";
}
