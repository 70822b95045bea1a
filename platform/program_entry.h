#pragma once
// A program's entry with its arguments as UTF-8 text on every system. Windows starts a Unicode
// program (-municode) at wmain with UTF-16 arguments; they are handed on as UTF-8, the narrow
// text of the whole tree, so no argument is lost to the ANSI code page.
//
//   int Main(int argc, char** argv) { ... }
//   KELVO_PROGRAM_ENTRY(Main)
namespace platform {

using ProgramMain = int (*)(int argc, char** argv);

#ifdef _WIN32
int RunWithUtf8Arguments(int argc, wchar_t** argv, ProgramMain run);
#define KELVO_PROGRAM_ENTRY(run) \
    int wmain(int argc, wchar_t** argv) { return ::platform::RunWithUtf8Arguments(argc, argv, run); }
#else
#define KELVO_PROGRAM_ENTRY(run) \
    int main(int argc, char** argv) { return run(argc, argv); }
#endif

}  // namespace platform
