#include "platform/process.h"

#include <windows.h>
#include <tlhelp32.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <mutex>

#include "platform/file_reader.h"
#include "platform/file_system.h"
#include "platform/win32/windows_helpers.h"

namespace platform {
namespace {

using win32::ToHandle;

// One argument as the C runtime's splitter (CommandLineToArgvW's rules) reads it back: quoted
// when it is empty or holds blanks or quotes, backslashes doubled only before a quote.
std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') backslashes = backslashes * 2 + 1;
        quoted.append(backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L'"';
}

std::wstring BuildCommandLine(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (const std::wstring& argument : arguments) {
        if (!line.empty()) line += L' ';
        line += QuoteArgument(argument);
    }
    return line;
}

// The inheritable copies of the handles a child gets, "NUL" for those nobody gave, made for one
// start and closed after it.
class ChildHandles {
public:
    explicit ChildHandles(const StandardHandles& handles) {
        const NativeHandle given[3] = {handles.input, handles.output, handles.error};
        for (int i = 0; i < 3; ++i) {
            if (given[i] != kInvalidHandle) {
                ::DuplicateHandle(::GetCurrentProcess(), ToHandle(given[i]), ::GetCurrentProcess(), &m_handles[i], 0,
                                  TRUE, DUPLICATE_SAME_ACCESS);
            } else {
                SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
                m_handles[i] = ::CreateFileW(L"NUL", i == 0 ? GENERIC_READ : GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0, nullptr);
            }
        }
        for (HANDLE handle : m_handles) {
            if (handle == nullptr || handle == INVALID_HANDLE_VALUE) continue;
            bool seen = false;
            for (HANDLE listed : m_distinct) seen = seen || listed == handle;
            if (!seen) m_distinct.push_back(handle);
        }
    }
    ~ChildHandles() {
        for (HANDLE handle : m_handles) win32::CloseIfOpen(handle);
    }
    ChildHandles(const ChildHandles&) = delete;
    ChildHandles& operator=(const ChildHandles&) = delete;

    bool Complete() const {
        for (HANDLE handle : m_handles)
            if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
        return true;
    }
    HANDLE operator[](int i) const { return m_handles[i]; }
    std::vector<HANDLE>& Distinct() { return m_distinct; }

private:
    HANDLE m_handles[3] = {nullptr, nullptr, nullptr};
    std::vector<HANDLE> m_distinct;
};

// Starts one program; the thread handle is closed at once, the process handle returned.
bool Create(const std::vector<std::wstring>& arguments, const StandardHandles& handles, const SpawnOptions& options,
            DWORD flags, PROCESS_INFORMATION& created, std::wstring& error) {
    if (arguments.empty()) {
        error = L"no program";
        return false;
    }
    // The program is named exactly: the opening checked, else the path when it names a file;
    // only a bare name is looked up by the system's search.
    std::wstring application;
    if (options.image) {
        application = options.image->Path();
    } else if (IsRegularFile(arguments[0])) {
        application = arguments[0];
    }
    std::wstring commandLine = options.commandLine.empty() ? BuildCommandLine(arguments) : options.commandLine;
    if (commandLine.size() >= 32767) {
        error = L"command line too long";
        return false;
    }

    // Handles are made inheritable only as copies for this child, listed as the only ones it
    // inherits. Starts are taken one at a time all the same, so where the list is not honoured
    // no child inherits the copies made for another.
    static std::mutex starting;
    std::lock_guard<std::mutex> lock(starting);
    ChildHandles inherited(handles);
    if (!inherited.Complete()) {
        error = win32::ErrorText(::GetLastError());
        return false;
    }
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = inherited[0];
    startup.StartupInfo.hStdOutput = inherited[1];
    startup.StartupInfo.hStdError = inherited[2];
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> attributeBlock(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeBlock.data());
    const bool listed = size > 0 && ::InitializeProcThreadAttributeList(attributes, 1, 0, &size) &&
                        ::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                                    inherited.Distinct().data(),
                                                    inherited.Distinct().size() * sizeof(HANDLE), nullptr, nullptr);
    if (listed) {
        startup.lpAttributeList = attributes;
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    const std::wstring folder = options.workingFolder;
    const BOOL started = ::CreateProcessW(application.empty() ? nullptr : win32::ExtendedPath(application).c_str(),
                                          commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                                          folder.empty() ? nullptr : folder.c_str(), &startup.StartupInfo, &created);
    const DWORD failure = ::GetLastError();
    if (listed) ::DeleteProcThreadAttributeList(attributes);
    if (!started) {
        error = win32::ErrorText(failure);
        return false;
    }
    ::CloseHandle(created.hThread);
    return true;
}

}  // namespace

// Windows ends no process for writing to a pipe nobody reads, and a closed standard handle is no
// number a later file could take. The C runtime's text mode would add a CR before every LF the
// programs print (a reader of the protocol would see it in each value); the system's boxes about
// missing disks would stop an unattended run.
void PrepareProcess() {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool SpawnProcess(const std::vector<std::wstring>& arguments, const StandardHandles& handles, ProcessInfo& process,
                  std::wstring& error, const SpawnOptions& options) {
    // No console of its own and no window; a group of its own keeps the console's Ctrl+C meant
    // for the installer from reaching it.
    DWORD flags = CREATE_NO_WINDOW;
    if (options.group == ProcessGroup::Own) flags |= CREATE_NEW_PROCESS_GROUP;
    PROCESS_INFORMATION created{};
    if (!Create(arguments, handles, options, flags, created, error)) return false;
    process = ProcessInfo{};
    process.processId = static_cast<int>(created.dwProcessId);
    process.handle = win32::FromHandle(created.hProcess);
    return true;
}

std::uint32_t GetExitCode(ProcessInfo& process) {
    if (process.reaped || process.handle == kInvalidHandle) return process.exitCode;
    // Asked of the process's state rather than of the code alone: a child may exit with 259.
    if (::WaitForSingleObject(ToHandle(process.handle), 0) != WAIT_OBJECT_0) return kStillActive;
    DWORD code = 1;
    ::GetExitCodeProcess(ToHandle(process.handle), &code);
    process.exitCode = code;
    process.reaped = true;
    return process.exitCode;
}

std::uint32_t WaitForProcess(ProcessInfo& process) {
    if (process.reaped || process.handle == kInvalidHandle) return process.exitCode;
    ::WaitForSingleObject(ToHandle(process.handle), INFINITE);
    return GetExitCode(process);
}

void ReleaseProcess(ProcessInfo& process) {
    // A process whose handle is closed goes on; Windows keeps no zombies.
    CloseHandle(process.handle);
    process = ProcessInfo{};
}

bool AskProcessToEnd(const ProcessInfo& process) {
    if (process.reaped || process.handle == kInvalidHandle) return false;
    if (::WaitForSingleObject(ToHandle(process.handle), 0) == WAIT_OBJECT_0) return false;
    // A console program of a group of its own takes Ctrl+Break as its request to end; one without
    // a console cannot be asked, and is ended.
    if (::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(process.processId))) return true;
    return ::TerminateProcess(ToHandle(process.handle), 1) != 0;
}

bool KillProcess(const ProcessInfo& process) {
    if (process.reaped || process.handle == kInvalidHandle) return false;
    return ::TerminateProcess(ToHandle(process.handle), 1) != 0;
}

bool StartDetached(const std::vector<std::wstring>& arguments, const SpawnOptions& options, std::wstring* error) {
    std::wstring cause;
    PROCESS_INFORMATION created{};
    if (!Create(arguments, StandardHandles{}, options, DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, created, cause)) {
        if (error) *error = cause;
        return false;
    }
    ::CloseHandle(created.hProcess);
    return true;
}

// Windows cannot run another program in this process's place: the program runs as a child on
// the same standard handles, and this process ends with its exit code.
void ReplaceProcess(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::wstring> wide;
    for (const std::string& argument : arguments) wide.push_back(PathFromNative(argument));
    if (wide.empty()) return;
    wide[0] = PathFromNative(program);
    StandardHandles own;
    own.input = win32::FromHandle(::GetStdHandle(STD_INPUT_HANDLE));
    own.output = win32::FromHandle(::GetStdHandle(STD_OUTPUT_HANDLE));
    own.error = win32::FromHandle(::GetStdHandle(STD_ERROR_HANDLE));
    std::wstring error;
    PROCESS_INFORMATION created{};
    if (!Create(wide, own, SpawnOptions{}, 0, created, error)) {
        ::SetLastError(ERROR_FILE_NOT_FOUND);
        return;
    }
    ::WaitForSingleObject(created.hProcess, INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(created.hProcess, &code);
    ::ExitProcess(code);
}

int CurrentProcessId() { return static_cast<int>(::GetCurrentProcessId()); }

std::vector<int> FindProcessesByExecutableName(const std::wstring& fileName) {
    std::vector<int> found;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    // The first entry is the system's idle process, never a program.
    for (BOOL more = ::Process32FirstW(snapshot, &entry) && ::Process32NextW(snapshot, &entry); more;
         more = ::Process32NextW(snapshot, &entry)) {
        if (fileName == entry.szExeFile) found.push_back(static_cast<int>(entry.th32ProcessID));
    }
    ::CloseHandle(snapshot);
    return found;
}

}  // namespace platform
