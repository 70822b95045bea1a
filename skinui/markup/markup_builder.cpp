#include "skinui/markup/markup_builder.h"

#include <pugixml.hpp>

#include <algorithm>
#include <vector>

#include "platform/utf8.h"
#include "skinui/button.h"
#include "skinui/combo.h"
#include "skinui/container.h"
#include "skinui/edit.h"
#include "skinui/label.h"
#include "skinui/markup/value_parser.h"
#include "skinui/option.h"
#include "skinui/paint_manager.h"
#include "skinui/progress.h"
#include "skinui/skin_resources.h"
#include "skinui/text_table.h"

namespace SkinUI {

namespace {

std::wstring Wide(const char* text) { return platform::Utf8ToWideLossy(text ? text : ""); }

void ApplyWindowAttributes(const pugi::xml_node& window, CPaintManager* manager) {
    for (const pugi::xml_attribute& attribute : window.attributes()) {
        std::wstring name = Wide(attribute.name()), value = Wide(attribute.value());
        manager->SetWindowAttribute(name, value);
        if (name == L"size") {
            UiSize size = ParseSize(value);
            manager->SetInitSize(size.cx, size.cy);
        } else if (name == L"caption") {
            manager->SetCaptionRect(ParseRect(value));
        } else if (name == L"roundcorner") {
            UiSize size = ParseSize(value);
            manager->SetRoundCorner(size.cx, size.cy);
        } else if (name == L"sizebox") {
            manager->SetSizeBox(ParseRect(value));
        } else if (name == L"mininfo") {
            UiSize size = ParseSize(value);
            manager->SetMinInfo(size.cx, size.cy);
        } else if (name == L"maxinfo") {
            UiSize size = ParseSize(value);
            manager->SetMaxInfo(size.cx, size.cy);
        } else if (name == L"defaultfontcolor") {
            if (auto c = ParseColour(value)) manager->SetDefaultFontColor(*c);
        } else if (name == L"disabledfontcolor") {
            if (auto c = ParseColour(value)) manager->SetDefaultDisabledColor(*c);
        }
    }
}

void AddFont(const pugi::xml_node& node, CPaintManager* manager) {
    FontSpec font;
    int id = -1;
    bool isDefault = false;
    for (const pugi::xml_attribute& attribute : node.attributes()) {
        std::wstring name = Wide(attribute.name()), value = Wide(attribute.value());
        if (name == L"id") id = ParseInt(value, -1);
        else if (name == L"name") font.name = value;
        else if (name == L"size") font.size = std::clamp(ParseInt(value, 12), 1, 500);
        else if (name == L"bold") font.bold = ParseBool(value);
        else if (name == L"underline") font.underline = ParseBool(value);
        else if (name == L"italic") font.italic = ParseBool(value);
        else if (name == L"default") isDefault = ParseBool(value);
    }
    manager->AddFont(id, font, isDefault);
}

CControlUI* BuildControl(const pugi::xml_node& node, IControlFactory* factory, int depth) {
    if (depth > 64) return nullptr;  // deeper markup is not a window anyone means to build
    std::wstring className = Wide(node.name());
    CControlUI* control = CMarkupBuilder::CreateBuiltInControl(className);
    if (!control && factory) control = factory->CreateControl(className);
    if (!control) return nullptr;
    for (const pugi::xml_attribute& attribute : node.attributes()) {
        control->SetAttribute(Wide(attribute.name()), Wide(attribute.value()));
    }
    auto* container = static_cast<CContainerUI*>(control->As(L"Container"));
    if (container) {
        for (const pugi::xml_node& child : node.children()) {
            if (child.type() != pugi::node_element) continue;
            if (CControlUI* item = BuildControl(child, factory, depth + 1)) container->Add(item);
        }
    }
    return control;
}

}  // namespace

CControlUI* CMarkupBuilder::CreateBuiltInControl(const std::wstring& className) {
    std::wstring name = AsciiLower(className);
    if (name == L"control") return new CControlUI;
    if (name == L"container") return new CContainerUI;
    if (name == L"verticallayout") return new CVerticalLayoutUI;
    if (name == L"horizontallayout") return new CHorizontalLayoutUI;
    if (name == L"tablayout") return new CTabLayoutUI;
    if (name == L"label") return new CLabelUI;
    if (name == L"text") return new CTextUI;
    if (name == L"button") return new CButtonUI;
    if (name == L"option") return new COptionUI;
    if (name == L"checkbox") return new CCheckBoxUI;
    if (name == L"edit") return new CEditUI;
    if (name == L"progress") return new CProgressUI;
    if (name == L"combo") return new CComboUI;
    if (name == L"listlabelelement") return new CListLabelElementUI;
    return nullptr;
}

CControlUI* CMarkupBuilder::Create(const std::wstring& skinFile, IControlFactory* factory, CPaintManager* manager) {
    std::vector<std::uint8_t> bytes;
    if (!SkinResources::Instance().ReadMarkup(skinFile, bytes, m_error)) return nullptr;
    return CreateFromText(std::string(bytes.begin(), bytes.end()), factory, manager);
}

CControlUI* CMarkupBuilder::CreateFromText(const std::string& markup, IControlFactory* factory, CPaintManager* manager) {
    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_buffer(markup.data(), markup.size(), pugi::parse_default,
                                                         pugi::encoding_utf8);
    if (!parsed) {
        m_error = Wide(parsed.description());
        return nullptr;
    }
    pugi::xml_node window;
    for (const pugi::xml_node& node : document.children()) {
        if (node.type() == pugi::node_element && EqualsNoCase(Wide(node.name()), L"Window")) {
            window = node;
            break;
        }
    }
    if (!window) {
        m_error = L"No Window element";
        return nullptr;
    }
    if (manager) ApplyWindowAttributes(window, manager);
    CControlUI* root = nullptr;
    for (const pugi::xml_node& node : window.children()) {
        if (node.type() != pugi::node_element) continue;
        std::wstring name = AsciiLower(Wide(node.name()));
        if (name == L"font") {
            if (manager) AddFont(node, manager);
        } else if (name == L"multilanguage") {
            TextTable::Instance().SetDefaultText(ParseInt(Wide(node.attribute("id").value()), -1),
                                                 Wide(node.attribute("value").value()));
        } else if (name == L"default" || name == L"image" || name == L"style") {
            // Class defaults and shared images are not used by these skins.
        } else if (!root) {
            root = BuildControl(node, factory, 0);
        }
    }
    if (!root) m_error = L"No control in the Window element";
    return root;
}

}  // namespace SkinUI
