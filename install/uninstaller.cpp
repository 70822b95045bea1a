#include "install/uninstaller.h"

#include "install/child_output.h"
#include "platform/file_system.h"
#include "utils/exception.h"
#include "utils/system_info.h"
#include "utils/text.h"

namespace {

const wchar_t* Word(bool value) { return value ? L"true" : L"false"; }

bool ConsoleUserIsAdmin() {
    std::wstring user;
    return Utils::GetConsoleUserName(user) && Utils::IsAdminAccount(user);
}

}  // namespace

CUninstaller::CUninstaller(StatusCallback callback, std::wstring uninstallerPath,
                           std::wstring oldInstallDir, std::optional<platform::UserAccount> runAs)
    : m_callback(std::move(callback)),
      m_uninstallerPath(std::move(uninstallerPath)),
      m_oldInstallDir(std::move(oldInstallDir)),
      m_runAs(std::move(runAs)),
      m_reader([this](const std::wstring& line, bool clean) { return Parse(line, clean); }) {}

CUninstaller::~CUninstaller() { m_worker.reset(); }

std::wstring CUninstaller::BuildCommandLine(const std::wstring& uninstallerPath, bool adminAccount,
                                            bool processElevated,
                                            const std::wstring& oldInstallDir) {
    return L"\"" + uninstallerPath + L"\" /S -adminact=" + Word(adminAccount) + L" -authorizationact=" +
           Word(processElevated) + L" -console=show _?=" + oldInstallDir;
}

void CUninstaller::Start() {
    m_worker.reset();
    // Run as the user it belongs to, it has no administrator rights to tell of.
    m_commandLine = BuildCommandLine(m_uninstallerPath, ConsoleUserIsAdmin(),
                                     !m_runAs && Utils::IsProcessAdmin(), m_oldInstallDir);
    m_worker = std::make_unique<Utils::Thread>(this, L"UnInstaller", &CUninstaller::UninstallThread);
    if (!m_worker->IsValid()) {
        m_worker.reset();
        Report(5004, 2.0);
        return;
    }
    m_worker->Resume();
}

void CUninstaller::UninstallThread(void* argument) { static_cast<CUninstaller*>(argument)->Run(); }

void CUninstaller::Report(std::int32_t code, double value, const std::wstring& text) {
    if (m_callback) m_callback(code, value, text.c_str());
}

void CUninstaller::Run() {
    if (m_uninstallerPath.empty() || !platform::IsRegularFile(m_uninstallerPath)) {
        Report(5004, 1.0, L"可执行卸载文件不存在");
        return;
    }
    Report(5002, 0);
    m_process.reset();
    m_reader.Reset();
    m_resultSeen = false;
    // The program is quoted on the command line: a quotation mark in its path cannot be.
    if (m_uninstallerPath.find(L'"') != std::wstring::npos) {
        Report(5004, 2.0);
        return;
    }
    try {
        // The command line is a fixed buffer of 1,024 characters; a longer one is refused.
        platform::SpawnOptions options;
        options.runAs = m_runAs;
        m_process = PackageOutput::LaunchChild(m_commandLine, options);
    } catch (const Utils::Exception&) {
        m_process.reset();
        Report(5004, 2.0);
        return;
    }
    // A failure stated by the uninstaller does not end the reading: it is read until it exits.
    const bool resultSeen = PackageOutput::ReadChildOutput(*m_process, m_reader, false);
    m_process->Wait();
    const int signal = m_process->TerminatingSignal();
    m_process->Release();
    m_process.reset();
    if (resultSeen) return;
    if (signal != 0)
        Report(5005, 0, L"卸载程序异常结束（信号 " + std::to_wstring(signal) + L"）");
    else
        Report(5003, 1.0);
}

int CUninstaller::Parse(const std::wstring& line, bool) {
    using namespace PackageOutput;
    std::wstring value;
    if (MatchKey(line, L"Progress=", value)) {
        Report(5002, NumberValue(value));
    } else if (MatchKey(line, L"Error=", value)) {
        if (m_resultSeen) return kNoResult;
        m_resultSeen = true;
        Report(5005, 0, TextValue(value));
        return kFailureResult;
    } else if (MatchKey(line, L"State=", value)) {
        if (m_resultSeen) return kNoResult;
        const std::wstring state = Utils::Trim(TextValue(value));
        if (state == L"Success") {
            m_resultSeen = true;
            Report(5003, 0);
            return kSuccessResult;
        }
        if (state == L"Fail") {
            m_resultSeen = true;
            Report(5005, 0, L"安装包卸载失败");
            return kFailureResult;
        }
    } else if (MatchKey(line, L"Encode=", value)) {
        m_reader.codePage = Utils::Trim(TextValue(value)) == L"UTF8" ? 65001 : 0;
    }
    return kNoResult;
}
