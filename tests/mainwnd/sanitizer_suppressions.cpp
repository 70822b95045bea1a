// Reports about the font libraries that are not ours. Fontconfig keeps its font tables for the
// life of the process (the leak checker would report them at exit), and Pango loads fonts on a
// helper thread synchronised with GLib's futex locks, which the race checker cannot see.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libfontconfig.so\n"
           "race:libfontconfig.so\n"
           "race:libpangoft2-1.0.so\n"
           "race:libglib-2.0.so\n";
}
