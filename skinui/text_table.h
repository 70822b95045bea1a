#pragma once
// The numbered-text table: markup texts may refer to a registered text as %{n}.
#include <map>
#include <string>

namespace SkinUI {

class TextTable {
public:
    static TextTable& Instance();
    // A later text for the same id replaces the earlier one.
    void SetText(int id, const std::wstring& text) { m_texts[id] = text; }
    // A markup's default: registered only when the id has no text yet, so a window built after a
    // language was loaded keeps that language.
    void SetDefaultText(int id, const std::wstring& text) { m_texts.emplace(id, text); }
    void Clear() { m_texts.clear(); }
    // Every %{n} whose number is registered is replaced; others stay as they are.
    std::wstring Expand(const std::wstring& text) const;

private:
    std::map<int, std::wstring> m_texts;
};

}  // namespace SkinUI
