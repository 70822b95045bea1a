#include "install/installer.h"

#include "install/child_output.h"
#include "platform/file_reader.h"
#include "settings/installer_settings.h"
#include "utils/command_line.h"
#include "utils/debug_log.h"
#include "utils/digest.h"
#include "utils/exception.h"
#include "utils/text.h"

namespace {

const wchar_t* Word(bool value) { return value ? L"true" : L"false"; }

std::int32_t StartupStyleCode(const std::wstring& style) {
    if (style == L"AutoStartup") return 1;
    if (style == L"UserStartup") return 2;
    return 0;  // "NonStartup" and anything unknown
}

std::uint32_t CodePageNamed(const std::wstring& name) {
    if (name == L"UTF8") return 65001;
    if (name == L"ACP") return 0;
    const std::int32_t number = PackageOutput::IntegerValue(name);
    return number > 0 ? static_cast<std::uint32_t>(number) : 0;
}

}  // namespace

CInstaller::CInstaller(StatusCallback callback, std::wstring packageCommand,
                       std::wstring installDir, bool desktopShortcut, bool quickLaunchShortcut,
                       bool adminAccount)
    : installDir(std::move(installDir)),
      desktopShortcut(desktopShortcut),
      quickLaunchShortcut(quickLaunchShortcut),
      adminAccount(adminAccount),
      m_callback(std::move(callback)),
      m_packageCommand(std::move(packageCommand)),
      m_reader([this](const std::wstring& line, bool clean) { return Parse(line, clean); }) {}

CInstaller::~CInstaller() { m_worker.reset(); }

std::wstring CInstaller::BuildCommandLine() const {
    std::wstring line = m_packageCommand;
    line += L" /S -console=show -version=1.0.0";
    line += L" -adminact=";
    line += Word(adminAccount);
    line += L" -authorizationact=";
    line += Word(processElevated);
    line += L" -dsc=";
    line += Word(desktopShortcut);
    line += L" -ssc=";
    line += Word(quickLaunchShortcut);
    if (!installLanguage.empty()) line += L" -inslang=\"" + installLanguage + L"\"";
    const std::wstring& extra = InstallerSettings::Instance().InstCmd;
    if (!extra.empty()) line += L" " + extra;
    if (!installDir.empty()) {
        line += L" -instdir=\"" + installDir + L"\"";
        line += L" /D=" + installDir;
    }
    return line;
}

void CInstaller::Start() {
    // The running worker reads the command line: wait for it before building the next one.
    m_worker.reset();
    m_commandLine = BuildCommandLine();
    m_worker = std::make_unique<Utils::Thread>(this, L"ABDEF", &CInstaller::InstallThread);
    if (!m_worker->IsValid()) {
        m_worker.reset();
        Report(2004, 2.0);
        return;
    }
    m_worker->Resume();
}

void CInstaller::InstallThread(void* argument) { static_cast<CInstaller*>(argument)->Run(); }

void CInstaller::Report(std::int32_t code, double value, const std::wstring& text) {
    if (m_callback) m_callback(code, value, text.c_str());
}

bool CInstaller::OpenCheckedPackage(platform::FileReader& package) const {
    const std::vector<std::wstring> words = Utils::SplitCommandLine(m_packageCommand);
    const std::wstring path = words.empty() ? std::wstring() : words[0];
    std::wstring refusal;
    if (!package.OpenToRun(path, refusal)) {
        DEBUG_LOG(L"%s refused: %s", path.c_str(), refusal.c_str());
        return false;
    }
    const auto algorithm = Utils::DigestAlgorithmOf(expectedDigest);
    if (!algorithm) {
        DEBUG_LOG(L"%s: no digest to check it against", path.c_str());
        return true;
    }
    const std::string digest = Utils::GetOpenFileDigest(package, *algorithm);
    if (digest == expectedDigest) return true;
    DEBUG_LOG(L"%s refused: its digest is %hs, not %hs", path.c_str(), digest.c_str(), expectedDigest.c_str());
    return false;
}

void CInstaller::Run() {
    Report(2001, 0);
    Report(2002, 0);
    m_reader.Reset();
    m_resultSeen = false;
    {
        // The package runs from the opening its bytes were checked through: whatever is put at
        // its path after the download's own check, now or while it starts, never runs.
        platform::FileReader package;
        if (!OpenCheckedPackage(package)) {
            Report(2004, 2.0, kRefusedPackageText);
            return;
        }
        platform::SpawnOptions options;
        options.image = &package;
        try {
            m_process = PackageOutput::LaunchChild(m_commandLine, options);
        } catch (const Utils::Exception&) {
            m_process.reset();
            Report(2004, 2.0);
            return;
        }
    }
    const bool endedByResult = PackageOutput::ReadChildOutput(*m_process, m_reader, true);
    m_process->Wait();
    const int signal = m_process->TerminatingSignal();
    m_process->Release();
    m_process.reset();
    if (endedByResult) return;
    // The exit code is not examined: a package that states nothing has done its work, unless
    // something killed it before it could.
    if (signal != 0)
        Report(2004, 0, L"安装包异常结束（信号 " + std::to_wstring(signal) + L"）");
    else
        Report(2003, 1.0);
}

int CInstaller::Parse(const std::wstring& line, bool decodedCleanly) {
    using namespace PackageOutput;
    std::wstring value;
    // Paths and addresses are passed on exactly or not at all.
    auto reportPath = [&](std::int32_t code) {
        if (decodedCleanly) Report(code, 0, TextValue(value));
    };
    if (MatchKey(line, L"Progress=", value)) {
        Report(2002, NumberValue(value));
    } else if (MatchKey(line, L"InstPath=", value)) {
        reportPath(3000);
    } else if (MatchKey(line, L"State=", value)) {
        if (m_resultSeen) return kNoResult;
        const std::wstring state = Utils::Trim(TextValue(value));
        if (state == L"Success") {
            m_resultSeen = true;
            Report(2003, 0);
            return kSuccessResult;
        }
        if (state == L"Fail") {
            m_resultSeen = true;
            Report(2004, 0, L"安装包安装失败");
            return kFailureResult;
        }
    } else if (MatchKey(line, L"InstallVersion=", value)) {
        // Known, and of no use here.
    } else if (MatchKey(line, L"ExePath=", value)) {
        if (decodedCleanly) {
            const std::wstring path = TextValue(value);
            DEBUG_LOG_AT(L"CInstaller::Parse", 207, L"ExePath: %s", path.c_str());
            Report(3001, 0, path);
        }
    } else if (MatchKey(line, L"StartExe=", value)) {
        reportPath(3001);
    } else if (MatchKey(line, L"UninstExePath=", value)) {
        reportPath(3002);
    } else if (MatchKey(line, L"UninstExe=", value)) {
        reportPath(3002);
    } else if (MatchKey(line, L"UninstEp=", value)) {
        reportPath(3003);
    } else if (MatchKey(line, L"Error=", value)) {
        if (m_resultSeen) return kNoResult;
        m_resultSeen = true;
        Report(2004, 1000.0, TextValue(value));
        return kFailureResult;
    } else if (MatchKey(line, L"TopShowDetention=", value)) {
        Report(3007, static_cast<std::uint32_t>(IntegerValue(value)));
    } else if (MatchKey(line, L"FinsihCloseDetention=", value)) {
        Report(3008, static_cast<std::uint32_t>(IntegerValue(value)));
    } else if (MatchKey(line, L"StartUrl=", value)) {
        reportPath(3004);
    } else if (MatchKey(line, L"StartupStyle=", value)) {
        Report(3005, StartupStyleCode(Utils::Trim(TextValue(value))));
    } else if (MatchKey(line, L"Encode=", value)) {
        m_reader.codePage = CodePageNamed(Utils::Trim(TextValue(value)));
    } else if (MatchKey(line, L"Message=", value)) {
        Report(3009, 0, TextValue(value));
    }
    return kNoResult;
}
