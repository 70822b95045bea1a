#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>

#include <string>
#include <vector>

#include "skinui/resource.h"
#include "skinui/skin_archive.h"

using namespace SkinUI;

namespace {

// A 7z archive (LZMA2) made in memory, as the build makes the skin's.
std::vector<std::uint8_t> MakeArchive(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::uint8_t> buffer(1 << 20);
    size_t used = 0;
    archive* writer = archive_write_new();
    archive_write_set_format_7zip(writer);
    archive_write_set_options(writer, "7zip:compression=lzma2");
    archive_write_open_memory(writer, buffer.data(), buffer.size(), &used);
    for (const auto& [name, content] : files) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.c_str());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(content.size()));
        archive_write_header(writer, entry);
        archive_write_data(writer, content.data(), content.size());
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    buffer.resize(used);
    return buffer;
}

}  // namespace

TEST(SkinArchive, FindsEntriesWithoutRegardToCaseOrSeparator) {
    std::vector<std::uint8_t> bytes = MakeArchive({{"mainWnd.xml", "<Window/>"},
                                                   {"exitTipWnd.xml", "x"},
                                                   {"res/mainWnd/chDirBtn1.png", "png"},
                                                   {"res/mainWnd/bg1.png", "bg"}});
    ASSERT_EQ(bytes[0], 0x37);
    ASSERT_EQ(bytes[1], 0x7A);
    SkinArchive archive;
    ASSERT_TRUE(archive.Open(bytes.data(), bytes.size()));
    EXPECT_EQ(archive.EntryCount(), 4u);
    struct Case {
        const wchar_t* name;
        const char* content;
    } cases[] = {
        {L"MainWnd.xml", "<Window/>"}, {L"ExitTipWnd.xml", "x"}, {L"res/mainWnd/chDirBtn1.png", "png"},
        {L"res\\mainWnd\\bg1.png", "bg"}, {L"RES\\MAINWND\\BG1.PNG", "bg"}, {L"mainWnd.xm", nullptr},
        {L"mainWnd.xml ", nullptr}, {L"res/mainWnd/bg2.png", nullptr},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t>* found = archive.Find(c.name);
        if (!c.content) {
            EXPECT_FALSE(found) << std::wstring(c.name).size();
            continue;
        }
        ASSERT_TRUE(found);
        EXPECT_EQ(std::string(found->begin(), found->end()), c.content);
    }
}

TEST(SkinArchive, RefusesWhatIsNotAnArchive) {
    SkinArchive archive;
    std::string junk = "this is not an archive at all";
    EXPECT_FALSE(archive.Open(reinterpret_cast<const std::uint8_t*>(junk.data()), junk.size()));
    EXPECT_FALSE(archive.Open(nullptr, 0));
    std::vector<std::uint8_t> bytes = MakeArchive({{"a.xml", std::string(5000, 'a')}});
    bytes.resize(bytes.size() / 2);  // cut short
    EXPECT_FALSE(archive.Open(bytes.data(), bytes.size()));
    EXPECT_FALSE(archive.IsOpen());
}

TEST(SkinArchive, TheLinkedSkinIsResourceZipres147) {
    ResourceBlob blob = FindResource(L"zipres", 147);
    ASSERT_TRUE(blob.data);
    ASSERT_GT(blob.size, 6u);
    const std::uint8_t signature[] = {0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C};
    EXPECT_TRUE(std::equal(signature, signature + 6, blob.data));
    EXPECT_FALSE(FindResource(L"ZIPRES", 148).data);
    EXPECT_FALSE(FindResource(L"ICON", 147).data);
}
