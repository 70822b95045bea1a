// The shipped texts: language.json complete in every language with formats intact, the main
// window's defaults the same as its Chinese texts, and every language laid out so that each text
// fits its control on every page. Then the window-side steps of choosing a language.
#include <gtest/gtest.h>

#include <json/json.h>

#include <memory>
#include <regex>
#include <set>

#include "platform/file_system.h"
#include "platform/ui_language.h"
#include "platform/utf8.h"
#include "settings/installer_settings.h"
#include "skinui/backend/headless/headless_window_system.h"
#include "skinui/combo.h"
#include "skinui/container.h"
#include "skinui/label.h"
#include "skinui/skin_resources.h"
#include "skinui/text_table.h"
#include "skinui/window_impl_base.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/ui_fixture.h"
#include "ui/window_language.h"
#include "utils/language.h"

// The window system's names, which are Windows' own macros where its headers have been seen.
using namespace SkinUI;

namespace {

const std::wstring kSkin = platform::Utf8ToWideLossy(KELVO_SKIN_FOLDER);

Json::Value ReadLanguageFile() {
    const std::optional<std::string> text = testing_support::ReadFile(platform::JoinPath(kSkin, L"language.json"));
    Json::Value root;
    std::string errors;
    const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    EXPECT_TRUE(text && reader->parse(text->data(), text->data() + text->size(), &root, &errors)) << errors;
    return root;
}

// The conversions a printf format consumes arguments with, in order ("%%" consumes none); a
// "%" that starts no conversion is returned as "?".
std::vector<std::string> Conversions(const std::string& text) {
    static const std::regex conversion("%[-+ #0]*[0-9]*(\\.[0-9]+)?(hh|h|ll|l|L|z|j|t)?[diouxXeEfFgGaAcspn%]");
    std::vector<std::string> found;
    for (std::size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at)) {
        std::smatch match;
        const std::string rest = text.substr(at);
        if (!std::regex_search(rest, match, conversion, std::regex_constants::match_continuous)) {
            found.push_back("?");
            ++at;
            continue;
        }
        if (match.str() != "%%") found.push_back(match.str());
        at += match.length();
    }
    return found;
}

TEST(LanguageData, EveryRecordSpeaksEveryLanguageWithItsFormatsIntact) {
    const Json::Value root = ReadLanguageFile();
    ASSERT_TRUE(root.isArray());
    std::set<int> ids;
    for (const Json::Value& record : root) {
        ASSERT_TRUE(record.isObject());
        ASSERT_TRUE(record["id"].isInt());
        const int id = record["id"].asInt();
        EXPECT_TRUE(ids.insert(id).second) << "id " << id << " twice";
        const std::string chinese = record["zh-CN"].asString();
        const std::vector<std::string> wanted = Conversions(chinese);
        const bool isFormat = !wanted.empty() || chinese.find("%%") != std::string::npos;
        for (const std::string& code : Utils::LocaleCodes()) {
            SCOPED_TRACE("id " + std::to_string(id) + " " + code);
            ASSERT_TRUE(record[code].isString());
            const std::string text = record[code].asString();
            EXPECT_FALSE(text.empty());
            EXPECT_TRUE(platform::Utf8ToWideStrict(text));
            if (isFormat) {
                EXPECT_EQ(Conversions(text), wanted) << text;
            } else {
                // A plain text never holds what printf would take for a conversion.
                for (const std::string& c : Conversions(text)) EXPECT_EQ(c, "?") << text;
            }
        }
        EXPECT_EQ(record.size(), Utils::LocaleCodes().size() + 1) << "id " << id;
    }
}

// Every skin file's defaults are the Chinese texts of their ids; the main window's cover every
// id, and each box defines the ids it refers to, so it shows its texts when built alone.
TEST(LanguageData, SkinDefaultsAreTheChineseTexts) {
    const Json::Value root = ReadLanguageFile();
    std::map<int, std::string> chinese;
    for (const Json::Value& record : root) chinese[record["id"].asInt()] = record["zh-CN"].asString();
    for (const wchar_t* file : {L"mainWnd.xml", L"MessageBox1Wnd.xml", L"MessageBox2Wnd.xml", L"exitTipWnd.xml",
                                L"NetworkTipWnd.xml", L"InstalledPathTipWnd.xml"}) {
        SCOPED_TRACE(platform::WideToUtf8(file));
        const std::string markup = *testing_support::ReadFile(platform::JoinPath(kSkin, file));
        std::set<int> defaults;
        const std::regex multiLanguage("<MultiLanguage id=\"([0-9]+)\" value=\"([^\"]*)\"/>");
        for (std::sregex_iterator it(markup.begin(), markup.end(), multiLanguage), end; it != end; ++it) {
            const int id = std::stoi((*it)[1]);
            std::string value = (*it)[2];
            value = std::regex_replace(value, std::regex("&#13;"), "\r");
            value = std::regex_replace(value, std::regex("&#10;"), "\n");
            EXPECT_EQ(value, chinese[id]) << "id " << id;
            defaults.insert(id);
        }
        std::set<int> referred;
        const std::regex reference("%\\{([0-9]+)\\}");
        for (std::sregex_iterator it(markup.begin(), markup.end(), reference), end; it != end; ++it)
            referred.insert(std::stoi((*it)[1]));
        for (int id : referred) EXPECT_TRUE(chinese.count(id) && defaults.count(id)) << "%{" << id << "}";
        if (std::wstring(file) == L"mainWnd.xml") {
            std::set<int> expected;
            for (const auto& [id, text] : chinese) expected.insert(id);
            EXPECT_EQ(defaults, expected);
        }
    }
}

// The main window from the linked skin archive, on the headless window system.
class MainWindow : public SkinUI::WindowImplBase {
public:
    std::wstring GetWindowClassName() const override { return L"MainWnd"; }
    std::wstring GetSkinFolder() override { return {}; }
    std::wstring GetSkinFile() override { return L"MainWnd.xml"; }
    SkinUI::SkinSource GetSkinSource() const override { return SkinUI::SkinSource::ArchiveResource; }
    int GetSkinResourceId() const override { return 147; }
    SkinUI::CControlUI* CreateControl(const std::wstring&) override { return new SkinUI::CLabelUI; }
    void Notify(SkinUI::Notification& message) override {
        if (message.type == L"itemselect") selected.push_back(static_cast<int>(message.wParam));
        WindowImplBase::Notify(message);
    }
    std::vector<int> selected;
};

class WindowLanguageTest : public testing::Test {
protected:
    void SetUp() override {
        SkinUI::SkinResources::Instance().Reset();
        SkinUI::SetWindowSystem(&system);
        handle = window.Create(nullptr, L"test", WS_VISIBLE, 0);
        ASSERT_TRUE(handle);
        InstallerSettings::Instance().Language = Utils::kNoLanguage;
    }
    void TearDown() override {
        platform::SetUiLanguageProvider(nullptr);
        InstallerSettings::Instance().Language = Utils::kNoLanguage;
        if (system.IsWindow(handle)) system.DestroyWindow(handle);
        SkinUI::SetWindowSystem(nullptr);
        SkinUI::TextTable::Instance().Clear();
        SkinUI::SkinResources::Instance().Reset();
    }
    SkinUI::CPaintManager& Manager() { return window.GetPaintManager(); }
    SkinUI::CComboUI* Combo() {
        return static_cast<SkinUI::CComboUI*>(Manager().FindControl(L"languageCombo")->As(L"Combo"));
    }

    SkinUI::HeadlessWindowSystem system;
    MainWindow window;
    SkinUI::WindowHandle handle = nullptr;
};

// Every text of every page fits its control in every language, inside the window.
TEST_F(WindowLanguageTest, EveryLanguageFitsEveryPage) {
    CWindowLanguage language(Manager());
    auto* tabs = static_cast<SkinUI::CTabLayoutUI*>(Manager().FindControl(L"mainTabLt")->As(L"TabLayout"));
    ASSERT_TRUE(tabs);
    // The hidden agreement row and hint are shown too: a skin may show them.
    for (const wchar_t* hidden : {L"treatyCtn", L"tipLbl"}) Manager().FindControl(hidden)->SetVisible(true);
    for (int index = 0; index < Utils::kLanguageCount; ++index) {
        language.ApplyLanguage(index);
        for (int page = 0; page < tabs->GetCount(); ++page) {
            tabs->SelectItem(page);
            system.RunPending();
            ui_testing::ExpectTextsFit(Manager(), 600, Utils::LocaleCodes()[index] + " page " + std::to_string(page));
        }
    }
}

TEST_F(WindowLanguageTest, FirstChoiceComesFromTheSettingsElseTheUser) {
    const struct {
        int setting;
        platform::LanguageId user;
        int chosen;
        const wchar_t* code;
    } cases[] = {
        {3, 0x0407, 3, L"id-ID"},
        {Utils::kNoLanguage, 0x0407, 5, L"de-DE"},
        {Utils::kNoLanguage, 0x0804, 0, L"en-US"},
        {Utils::kNoLanguage, 0x0416, 8, L"pt-PT"},
    };
    static platform::LanguageId user;
    for (const auto& c : cases) {
        user = c.user;
        platform::SetUiLanguageProvider([] { return user; });
        InstallerSettings::Instance().Language = c.setting;
        window.selected.clear();
        CWindowLanguage language(Manager());
        language.InitLanguage();
        EXPECT_EQ(Combo()->GetCurSel(), c.chosen);
        EXPECT_EQ(InstallerSettings::Instance().Language, c.chosen);
        EXPECT_EQ(language.GetSelectedLocaleCode(), c.code);
        EXPECT_EQ(window.selected, std::vector<int>{c.chosen});
    }
    EXPECT_EQ(Manager().FindControl(L"customeInstallBtn")->GetText(), L"Instalar agora");
    EXPECT_EQ(LanguageText(23), L"O Kelvo Kids está aberto.\r\nFecha-o e instala novamente.");
}

TEST_F(WindowLanguageTest, AppliedLanguageFitsItsLabels) {
    CWindowLanguage language(Manager());
    SkinUI::CControlUI* label = Manager().FindControl(L"lbInstallPath");
    SkinUI::CControlUI* back = Manager().FindControl(L"backBtn");
    const int backWidth = back->GetFixedWidth();
    for (int index : {5, 9, 1}) {
        language.ApplyLanguage(index);
        EXPECT_EQ(label->GetFixedWidth(), Manager().MeasureTextWidth(label->GetText(), 1));
    }
    EXPECT_EQ(label->GetText(), L"安装路径：");
    EXPECT_EQ(back->GetFixedWidth(), backWidth);  // an icon without text keeps its width
    language.ApplyLanguage(42);  // not in the table: English
    EXPECT_EQ(InstallerSettings::Instance().Language, 0);
    EXPECT_EQ(label->GetText(), L"Install to:");
}

TEST_F(WindowLanguageTest, EarlierInstallationsLanguageIsSelected) {
    testing_support::TempFolder earlier;
    CWindowLanguage language(Manager());
    InstallerSettings::Instance().Language = 3;
    language.InitLanguage();
    const struct {
        const char* config;
        int index;
    } cases[] = {
        {"[Install]\nLanguage=ko-KR\n", 10},
        {"[Install]\nOther=1\n", 0},         // no key: en-US
        {"[Install]\nLanguage=sv-SE\n", 0},  // not in the table
    };
    for (const auto& c : cases) {
        earlier.WriteFile(L"config.ini", c.config);
        EXPECT_EQ(language.LoadInstalledLanguage(earlier.Path()), c.index) << c.config;
        EXPECT_EQ(Combo()->GetCurSel(), c.index);
    }
    Combo()->RemoveAll();
    EXPECT_EQ(language.GetSelectedLocaleCode(), L"en-US");  // no selection
}

}  // namespace
