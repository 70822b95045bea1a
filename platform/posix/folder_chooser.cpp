#include "platform/folder_chooser.h"

#include <gio/gio.h>
#include <glib-unix.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/file_system.h"
#include "platform/utf8.h"

namespace platform {

struct FolderChooser::State {
    GCancellable* cancellable = g_cancellable_new();
    ~State() { g_object_unref(cancellable); }
};

namespace {

constexpr int kPortalCallTimeoutMilliseconds = 10000;

// One dialog's run on a private main context: the portal's answer or zenity's output and exit
// end the loop, and so does a cancel from the window's thread.
struct Run {
    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
    GCancellable* cancellable = nullptr;
    bool answered = false;
    FolderChoice choice = FolderChoice::Cancelled;
    std::string path;

    // zenity
    std::string output;
    bool outputEnded = false;
    bool exited = false;
    int waitStatus = 0;

    void Quit() { g_main_loop_quit(loop); }
};

gboolean OnCancelled(GCancellable*, gpointer data) {
    static_cast<Run*>(data)->Quit();
    return G_SOURCE_REMOVE;
}

// Runs the loop until Quit, with the cancel wired in.
void RunLoop(Run& run) {
    GSource* source = g_cancellable_source_new(run.cancellable);
    g_source_set_callback(source, G_SOURCE_FUNC(OnCancelled), &run, nullptr);
    g_source_attach(source, run.context);
    g_main_loop_run(run.loop);
    g_source_destroy(source);
    g_source_unref(source);
}

// --- The desktop portal -------------------------------------------------------------------

void OnPortalResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                      GVariant* parameters, gpointer data) {
    auto& run = *static_cast<Run*>(data);
    guint32 response = 2;
    GVariant* results = nullptr;
    g_variant_get(parameters, "(u@a{sv})", &response, &results);
    run.answered = true;
    run.choice = FolderChoice::Cancelled;
    const gchar** uris = nullptr;
    if (response == 0 && results && g_variant_lookup(results, "uris", "^a&s", &uris) && uris &&
        uris[0]) {
        if (gchar* file = g_filename_from_uri(uris[0], nullptr, nullptr)) {
            run.path = file;
            run.choice = FolderChoice::Chosen;
            g_free(file);
        }
    }
    g_free(uris);
    if (results) g_variant_unref(results);
    run.Quit();
}

GDBusConnection* OpenSessionBus(GCancellable* cancellable) {
    // A private connection rather than the shared one: it goes with this dialog, and a test's
    // bus set in the environment is read now, not whenever the process first asked.
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, cancellable, nullptr);
    if (!address) return nullptr;
    GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, cancellable, nullptr);
    g_free(address);
    return connection;
}

std::string RequestPath(GDBusConnection* connection, const std::string& token) {
    std::string sender = g_dbus_connection_get_unique_name(connection);
    if (!sender.empty() && sender[0] == ':') sender.erase(0, 1);
    for (char& c : sender)
        if (c == '.') c = '_';
    return "/org/freedesktop/portal/desktop/request/" + sender + "/" + token;
}

// False when there is no portal to ask (then zenity is tried).
bool AskPortal(Run& run, const std::string& title) {
    GDBusConnection* connection = OpenSessionBus(run.cancellable);
    if (!connection) return false;
    static std::atomic<unsigned> counter{0};
    std::string token = "kelvo" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    // Subscribing before the call, to the path the answer will come from, so a quick answer is
    // not missed.
    std::string expected = RequestPath(connection, token);
    guint subscription = g_dbus_connection_signal_subscribe(
        connection, nullptr, "org.freedesktop.portal.Request", "Response", expected.c_str(),
        nullptr, G_DBUS_SIGNAL_FLAGS_NONE, OnPortalResponse, &run, nullptr);

    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
    g_variant_builder_add(&options, "{sv}", "directory", g_variant_new_boolean(TRUE));
    g_variant_builder_add(&options, "{sv}", "modal", g_variant_new_boolean(TRUE));
    GVariant* reply = g_dbus_connection_call_sync(
        connection, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
        "org.freedesktop.portal.FileChooser", "OpenFile",
        g_variant_new("(ssa{sv})", "", title.c_str(), &options), G_VARIANT_TYPE("(o)"),
        G_DBUS_CALL_FLAGS_NONE, kPortalCallTimeoutMilliseconds, run.cancellable, nullptr);
    if (!reply) {
        g_dbus_connection_signal_unsubscribe(connection, subscription);
        g_object_unref(connection);
        return g_cancellable_is_cancelled(run.cancellable);  // cancelled: no fallback either
    }
    const gchar* handle = nullptr;
    g_variant_get(reply, "(&o)", &handle);
    std::string handlePath = handle ? handle : "";
    g_variant_unref(reply);
    if (handlePath != expected) {
        // Portals older than handle tokens choose their own path.
        g_dbus_connection_signal_unsubscribe(connection, subscription);
        subscription = g_dbus_connection_signal_subscribe(
            connection, nullptr, "org.freedesktop.portal.Request", "Response",
            handlePath.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE, OnPortalResponse, &run,
            nullptr);
    }

    if (!run.answered) RunLoop(run);
    if (!run.answered) {
        // Cancelled by the window: take the dialog away.
        g_dbus_connection_call(connection, "org.freedesktop.portal.Desktop", handlePath.c_str(),
                               "org.freedesktop.portal.Request", "Close", nullptr, nullptr,
                               G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
        g_dbus_connection_flush_sync(connection, nullptr, nullptr);
        run.choice = FolderChoice::Cancelled;
    }
    g_dbus_connection_signal_unsubscribe(connection, subscription);
    g_dbus_connection_close_sync(connection, nullptr, nullptr);
    g_object_unref(connection);
    return true;
}

// --- zenity -------------------------------------------------------------------------------

bool HasDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

void MaybeQuitZenity(Run& run) {
    if (run.outputEnded && run.exited) run.Quit();
}

gboolean OnZenityOutput(gint descriptor, GIOCondition, gpointer data) {
    auto& run = *static_cast<Run*>(data);
    char buffer[4096];
    ssize_t count = ::read(descriptor, buffer, sizeof buffer);
    if (count > 0) {
        // A path is short; anything far longer is not an answer we would use.
        if (run.output.size() < 65536) run.output.append(buffer, static_cast<std::size_t>(count));
        return G_SOURCE_CONTINUE;
    }
    if (count < 0 && errno == EINTR) return G_SOURCE_CONTINUE;
    run.outputEnded = true;
    MaybeQuitZenity(run);
    return G_SOURCE_REMOVE;
}

void OnZenityExit(GPid, gint status, gpointer data) {
    auto& run = *static_cast<Run*>(data);
    run.exited = true;
    run.waitStatus = status;
    MaybeQuitZenity(run);
}

FolderChoice AskZenity(Run& run, const std::string& title) {
    if (!HasDisplay()) return FolderChoice::Unavailable;
    gchar* program = g_find_program_in_path("zenity");
    if (!program) return FolderChoice::Unavailable;
    std::string titleOption = "--title=" + title;
    gchar* argv[] = {program, const_cast<gchar*>("--file-selection"),
                     const_cast<gchar*>("--directory"), titleOption.data(), nullptr};
    GPid pid = 0;
    gint output = -1;
    gboolean started = g_spawn_async_with_pipes(
        nullptr, argv, nullptr,
        static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDERR_TO_DEV_NULL), nullptr,
        nullptr, &pid, nullptr, &output, nullptr, nullptr);
    g_free(program);
    if (!started) return FolderChoice::Unavailable;

    GSource* reader = g_unix_fd_source_new(output, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR));
    g_source_set_callback(reader, G_SOURCE_FUNC(OnZenityOutput), &run, nullptr);
    g_source_attach(reader, run.context);
    GSource* watch = g_child_watch_source_new(pid);
    g_source_set_callback(watch, G_SOURCE_FUNC(OnZenityExit), &run, nullptr);
    g_source_attach(watch, run.context);

    RunLoop(run);
    if (!run.exited) {
        // Cancelled by the window: end the dialog and reap it.
        ::kill(pid, SIGTERM);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    g_source_destroy(reader);
    g_source_unref(reader);
    g_source_destroy(watch);
    g_source_unref(watch);
    ::close(output);
    g_spawn_close_pid(pid);

    if (!run.exited) return FolderChoice::Cancelled;
    if (WIFEXITED(run.waitStatus) && WEXITSTATUS(run.waitStatus) == 1) return FolderChoice::Cancelled;
    if (!WIFEXITED(run.waitStatus) || WEXITSTATUS(run.waitStatus) != 0) return FolderChoice::Unavailable;
    std::string& path = run.output;
    if (!path.empty() && path.back() == '\n') path.pop_back();
    if (path.empty() || path[0] != '/' || path.find('\n') != std::string::npos)
        return FolderChoice::Unavailable;
    run.path = path;
    return FolderChoice::Chosen;
}

}  // namespace

FolderChooser::FolderChooser() : m_state(std::make_shared<State>()) {}
FolderChooser::~FolderChooser() = default;

void FolderChooser::Cancel() { g_cancellable_cancel(m_state->cancellable); }

FolderChoice FolderChooser::Choose(const std::wstring& title, std::wstring& path) {
    if (g_cancellable_is_cancelled(m_state->cancellable)) return FolderChoice::Cancelled;
    Run run;
    run.context = g_main_context_new();
    run.loop = g_main_loop_new(run.context, FALSE);
    run.cancellable = m_state->cancellable;
    // Signal callbacks go to the context that is the thread's default when subscribing.
    g_main_context_push_thread_default(run.context);

    std::string titleText = WideToUtf8(title);
    FolderChoice choice;
    if (AskPortal(run, titleText))
        choice = run.choice;
    else if (g_cancellable_is_cancelled(run.cancellable))
        choice = FolderChoice::Cancelled;
    else
        choice = AskZenity(run, titleText);

    g_main_context_pop_thread_default(run.context);
    g_main_loop_unref(run.loop);
    g_main_context_unref(run.context);
    if (choice == FolderChoice::Chosen) path = PathFromNative(run.path);
    return choice;
}

}  // namespace platform
