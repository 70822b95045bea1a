// Fontconfig keeps its font tables for the life of the process; the leak checker would report
// them at exit although nothing of ours is lost.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
