#include <gtest/gtest.h>

#include <windows.h>

#include <archive.h>
#include <archive_entry.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Entries = std::map<std::string, std::string>;

struct ReaderFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct WriterFree {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryFree {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};

// The formats and filters the skin reader accepts.
testing::AssertionResult ReadAll(const void* data, size_t size, Entries& out) {
    std::unique_ptr<archive, ReaderFree> reader(archive_read_new());
    archive_read_support_format_7zip(reader.get());
    archive_read_support_format_zip(reader.get());
    archive_read_support_filter_all(reader.get());
    if (archive_read_open_memory(reader.get(), data, size) != ARCHIVE_OK)
        return testing::AssertionFailure() << "open: " << archive_error_string(reader.get());
    archive_entry* entry = nullptr;
    int status;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        std::string content(static_cast<size_t>(archive_entry_size(entry)), '\0');
        la_ssize_t got = archive_read_data(reader.get(), content.data(), content.size());
        if (got != static_cast<la_ssize_t>(content.size()))
            return testing::AssertionFailure() << archive_entry_pathname(entry) << ": read " << got
                                               << " of " << content.size() << ": "
                                               << archive_error_string(reader.get());
        out[archive_entry_pathname(entry)] = content;
    }
    if (status != ARCHIVE_EOF)
        return testing::AssertionFailure() << "header: " << archive_error_string(reader.get());
    return testing::AssertionSuccess();
}

// Compressible text that shows whether a compressor ran at all.
std::string Lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "line " + std::to_string(i) + "\n";
    return text;
}

TEST(WindowsSmokeArchive, ReadsThe7zThatBsdtarMadeFromTheProgramsResources) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(147), L"ZIPRES");
    ASSERT_NE(found, nullptr) << GetLastError();
    HGLOBAL loaded = LoadResource(nullptr, found);
    ASSERT_NE(loaded, nullptr);
    const void* data = LockResource(loaded);
    DWORD size = SizeofResource(nullptr, found);
    ASSERT_NE(data, nullptr);

    Entries entries;
    ASSERT_TRUE(ReadAll(data, size, entries));
    EXPECT_EQ(entries, (Entries{{"greeting.txt", "你好, Kelvo\n"}, {"lines.txt", Lines(2000)}}));
    EXPECT_LT(size, Lines(2000).size() / 4) << "the archive is not LZMA2-compressed";
}

TEST(WindowsSmokeArchive, WritesInMemoryAndReadsBackEachCompressor) {
    struct Case {
        const char* name;
        int (*format)(archive*);
        const char* options;
    };
    const Case cases[] = {
        {"7z LZMA2", archive_write_set_format_7zip, "7zip:compression=lzma2"},
        {"7z LZMA", archive_write_set_format_7zip, "7zip:compression=lzma1"},
        {"zip deflate", archive_write_set_format_zip, "zip:compression=deflate"},
    };
    const Entries input{{"skin/main.xml", "<Window size=\"560,380\"/>"}, {"lines.txt", Lines(2000)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<char> buffer(1 << 20);
        size_t used = 0;
        std::unique_ptr<archive, WriterFree> writer(archive_write_new());
        ASSERT_EQ(c.format(writer.get()), ARCHIVE_OK);
        ASSERT_EQ(archive_write_set_options(writer.get(), c.options), ARCHIVE_OK)
            << archive_error_string(writer.get());
        ASSERT_EQ(archive_write_open_memory(writer.get(), buffer.data(), buffer.size(), &used), ARCHIVE_OK);
        for (const auto& [name, content] : input) {
            std::unique_ptr<archive_entry, EntryFree> entry(archive_entry_new());
            archive_entry_set_pathname(entry.get(), name.c_str());
            archive_entry_set_filetype(entry.get(), AE_IFREG);
            archive_entry_set_perm(entry.get(), 0644);
            archive_entry_set_size(entry.get(), static_cast<la_int64_t>(content.size()));
            ASSERT_EQ(archive_write_header(writer.get(), entry.get()), ARCHIVE_OK)
                << archive_error_string(writer.get());
            ASSERT_EQ(archive_write_data(writer.get(), content.data(), content.size()),
                      static_cast<la_ssize_t>(content.size()));
        }
        ASSERT_EQ(archive_write_close(writer.get()), ARCHIVE_OK) << archive_error_string(writer.get());
        EXPECT_LT(used, Lines(2000).size() / 2) << "stored rather than compressed";

        Entries output;
        ASSERT_TRUE(ReadAll(buffer.data(), used, output));
        EXPECT_EQ(output, input);
    }
}

}  // namespace
