// The demo setup package: installs the product into the folder named on its command line and
// prints its progress as key=value lines, paced like a real installer.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "demo_options.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/module_path.h"
#include "platform/utf8.h"

namespace demo {
namespace {

namespace fs = std::filesystem;

bool HasArgument(const std::vector<std::string>& arguments, const std::string& word) {
    for (const auto& argument : arguments)
        if (argument == word) return true;
    return false;
}

std::string Unquote(std::string text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    return text;
}

// The messages are printed in the code page the options name: UTF-8 after "Encode=UTF8" by
// default, or any other page announced by number, or the ANSI page without an announcement.
class Printer {
public:
    explicit Printer(const Options& options) : m_encode(options.Text("encode", "utf8")) {}

    void Announce() const {
        if (m_encode == "utf8")
            PrintLine("Encode=UTF8");
        else if (m_encode != "acp")
            PrintLine("Encode=" + m_encode);
    }

    void Text(const std::string& key, const std::string& utf8) const {
        if (m_encode == "utf8") {
            PrintLine(key + "=" + utf8);
            return;
        }
        const std::uint32_t page = m_encode == "acp" ? 0 : std::strtoul(m_encode.c_str(), nullptr, 10);
        auto bytes = platform::EncodeCodePage(platform::Utf8ToWideLossy(utf8), page);
        PrintLine(key + "=" + (bytes ? *bytes : utf8));
    }

private:
    std::string m_encode;
};

void CopySelf(const fs::path& self, const fs::path& target) {
    std::error_code error;
    fs::copy_file(self, target, fs::copy_options::overwrite_existing, error);
    fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec, error);
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
}

void Flood(long kibibytes) {
    const std::string line = "Log=" + std::string(1019, '#') + "\n";  // 1,024 bytes
    for (long count = 0; count < kibibytes; ++count) PrintRaw(line);
}

}  // namespace

int RunPackage(const std::vector<std::string>& arguments, const Options& options) {
    const Printer printer(options);
    const long pace = options.Number("pace", 60);
    const int exitCode = static_cast<int>(options.Number("exit-code", 0));
    if (!HasArgument(arguments, "/S")) {
        PrintLine("Error=this package installs silently only (/S)");
        return 2;
    }
    // "-instdir" carries the folder intact; "/D=" takes the rest of the line, where the splitting
    // of the command line has already folded runs of blanks into one.
    std::string folder = Unquote(ArgumentValue(arguments, "-instdir"));
    if (folder.empty()) folder = RestOfLine(arguments, "/D=");
    if (folder.empty()) {
        const char* home = std::getenv("HOME");
        folder = std::string(home ? home : "/tmp") + "/.local/opt/kelvoKids";
    }
    const bool quiet = options.Has("silent");
    auto say = [&](const std::string& line) {
        if (!quiet) PrintLine(line);
    };

    // Each message opens a box in the installer's window: printed only when asked for.
    const bool messages = !quiet && options.Has("messages");
    if (!quiet) printer.Announce();
    if (messages) printer.Text("Message", "正在安装 Kelvo Kids少儿编程");
    say("Progress=0.05");
    Pause(pace);
    if (options.Has("noise")) {
        PrintRaw(std::string("\x01\xff\xfe\x00garbage\x80\x81=\x00\n", 16));
        PrintRaw("Progress\xff=\xfe\n");
    }
    if (options.Has("long-line")) printer.Text("Message", std::string(3000, 'L') + "长");
    if (options.Has("flood")) Flood(options.Number("flood", 256));

    const fs::path target = PathFromUtf8(folder);
    std::error_code error;
    fs::create_directories(target, error);
    if (error || !fs::is_directory(target)) {
        say("Error=cannot create folder " + folder);
        return 3;
    }
    say("InstPath=" + folder);
    say("InstallVersion=1.0.0");
    say("Progress=0.3");
    Pause(pace);

    const fs::path self = PathFromUtf8(platform::PathToNative(platform::GetModulePath()));
    CopySelf(self, target / "Kelvo_Kids.exe");
    say("Progress=0.6");
    Pause(pace);
    CopySelf(self, target / "uninst.ep");
    std::string record = "[Install]\ndsc=" + ArgumentValue(arguments, "-dsc") +
                         "\nssc=" + ArgumentValue(arguments, "-ssc") +
                         "\ninslang=" + Unquote(ArgumentValue(arguments, "-inslang")) +
                         "\nadminact=" + ArgumentValue(arguments, "-adminact") +
                         "\nauthorizationact=" + ArgumentValue(arguments, "-authorizationact") +
                         "\ninstdir=" + Unquote(ArgumentValue(arguments, "-instdir")) + "\nD=" +
                         RestOfLine(arguments, "/D=") + "\n";
    WriteText(target / "demo-install.ini", record);
    // The product reads its interface language from here.
    if (const std::string language = Unquote(ArgumentValue(arguments, "-inslang")); !language.empty())
        WriteText(target / "config.ini", "[Install]\nLanguage=" + language + "\n");
    if (options.Has("override")) WriteText(target / "set.ini", "[Uninstall]\nIsOverride=" + options.Text("override") + "\n");
    say("Progress=0.9");
    Pause(pace);

    if (options.Has("fail")) {
        say("State=Fail");
        Pause(options.Number("slow-exit", 0));
        return exitCode ? exitCode : 1;
    }
    if (options.Has("error")) {
        if (!quiet) printer.Text("Error", options.Text("error", "安装出错"));
        Pause(options.Number("slow-exit", 0));
        return exitCode ? exitCode : 1;
    }
    say("ExePath=" + PathToUtf8(target / "Kelvo_Kids.exe"));
    say("UninstExePath=" + PathToUtf8(target / "uninst.ep"));
    say("UninstEp=" + PathToUtf8(target / "uninst.ep"));
    // What the installer does at the end, when the options name it.
    if (options.Has("start-url") && !quiet) printer.Text("StartUrl", options.Text("start-url"));
    if (options.Has("top-show")) say("TopShowDetention=" + options.Text("top-show"));
    if (options.Has("finish-close")) say("FinsihCloseDetention=" + options.Text("finish-close"));
    if (options.Has("startup")) say("StartupStyle=" + options.Text("startup"));
    if (messages) printer.Text("Message", "安装完成");
    say("Progress=1");
    if (!options.Has("no-result") && !quiet) {
        if (options.Has("split")) {
            PrintRaw("State=Su");
            Pause(50);
            PrintRaw("ccess\n");
        } else {
            PrintLine("State=Success");
        }
    }
    if (options.Has("trailing-flood")) Flood(options.Number("trailing-flood", 256));
    Pause(options.Number("slow-exit", 0));
    return exitCode;
}

}  // namespace demo
