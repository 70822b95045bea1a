#include "skinui/text_table.h"

namespace SkinUI {

TextTable& TextTable::Instance() {
    static TextTable table;
    return table;
}

std::wstring TextTable::Expand(const std::wstring& text) const {
    if (m_texts.empty() || text.find(L"%{") == std::wstring::npos) return text;
    std::wstring result;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, 2, L"%{") == 0) {
            std::size_t close = text.find(L'}', i + 2);
            std::size_t digits = i + 2;
            while (digits < text.size() && text[digits] >= L'0' && text[digits] <= L'9') ++digits;
            if (close != std::wstring::npos && close == digits && digits > i + 2 && digits - i - 2 < 10) {
                auto found = m_texts.find(std::stoi(text.substr(i + 2, digits - i - 2)));
                if (found != m_texts.end()) {
                    result += found->second;
                    i = close + 1;
                    continue;
                }
            }
        }
        result += text[i++];
    }
    return result;
}

}  // namespace SkinUI
