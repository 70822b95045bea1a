#ifndef _WIN32
#include <gtest/gtest.h>

#include <gio/gio.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "platform/file_system.h"
#include "platform/folder_chooser.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"

namespace {

using testing_support::ScopedVariable;

constexpr const char* kPortalXml =
    "<node><interface name='org.freedesktop.portal.FileChooser'>"
    "<method name='OpenFile'><arg type='s' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='a{sv}' direction='in'/><arg type='o' direction='out'/></method>"
    "</interface><interface name='org.freedesktop.portal.Request'>"
    "<method name='Close'/></interface></node>";

// A desktop portal on a private session bus that answers every OpenFile with one response
// (or none, when the response is negative) and records whether the dialog was closed.
class FakePortal {
public:
    FakePortal(int response, std::string uri) : m_response(response), m_uri(std::move(uri)) {
        m_bus = g_test_dbus_new(G_TEST_DBUS_NONE);
        g_test_dbus_up(m_bus);
        m_thread = std::thread([this] { Serve(); });
        while (!m_ready) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~FakePortal() {
        g_main_loop_quit(m_loop);
        m_thread.join();
        g_test_dbus_down(m_bus);
        g_object_unref(m_bus);
    }
    bool Closed() const { return m_closed; }
    std::string Title() const { return m_title; }

private:
    void Serve() {
        GMainContext* context = g_main_context_new();
        g_main_context_push_thread_default(context);
        m_loop = g_main_loop_new(context, FALSE);
        // A private connection: the shared one would outlive the test bus.
        const gchar* address = g_test_dbus_get_bus_address(m_bus);
        GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
            address,
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kPortalXml, nullptr);
        static const GDBusInterfaceVTable table = {&FakePortal::OnCall, nullptr, nullptr, {}};
        guint object = g_dbus_connection_register_object(connection, "/org/freedesktop/portal/desktop",
                                                         node->interfaces[0], &table, this, nullptr, nullptr);
        guint subtree = g_dbus_connection_register_object(
            connection, "/org/freedesktop/portal/desktop/request/any", node->interfaces[1], &table, this,
            nullptr, nullptr);
        GVariant* owned = g_dbus_connection_call_sync(
            connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
            g_variant_new("(su)", "org.freedesktop.portal.Desktop", 4u), G_VARIANT_TYPE("(u)"),
            G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (owned) g_variant_unref(owned);
        m_ready = true;
        g_main_loop_run(m_loop);
        g_dbus_connection_unregister_object(connection, object);
        g_dbus_connection_unregister_object(connection, subtree);
        g_dbus_node_info_unref(node);
        g_dbus_connection_close_sync(connection, nullptr, nullptr);
        g_object_unref(connection);
        g_main_loop_unref(m_loop);
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    }

    static void OnCall(GDBusConnection* connection, const gchar* sender, const gchar*, const gchar*,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                       gpointer data) {
        auto* self = static_cast<FakePortal*>(data);
        if (std::string(method) == "Close") {
            self->m_closed = true;
            g_dbus_method_invocation_return_value(invocation, nullptr);
            return;
        }
        const gchar* title = nullptr;
        GVariant* options = nullptr;
        g_variant_get(parameters, "(&s&s@a{sv})", nullptr, &title, &options);
        self->m_title = title;
        const gchar* token = "t";
        g_variant_lookup(options, "handle_token", "&s", &token);
        gboolean directory = FALSE;
        g_variant_lookup(options, "directory", "b", &directory);
        std::string unique = sender + 1;
        for (char& c : unique)
            if (c == '.') c = '_';
        // The handle path a client asked for; the Close method is served under a fixed path,
        // so only closes to that path would reach it: answer with it for the cancel case.
        std::string handle = self->m_response < 0 ? std::string("/org/freedesktop/portal/desktop/request/any")
                                                  : "/org/freedesktop/portal/desktop/request/" + unique + "/" + token;
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", handle.c_str()));
        if (self->m_response >= 0 && directory) {
            GVariantBuilder results;
            g_variant_builder_init(&results, G_VARIANT_TYPE_VARDICT);
            const gchar* uris[] = {self->m_uri.c_str(), nullptr};
            g_variant_builder_add(&results, "{sv}", "uris", g_variant_new_strv(uris, -1));
            g_dbus_connection_emit_signal(connection, sender, handle.c_str(), "org.freedesktop.portal.Request",
                                          "Response", g_variant_new("(ua{sv})", self->m_response, &results),
                                          nullptr);
        }
        g_variant_unref(options);
    }

    int m_response;
    std::string m_uri;
    GTestDBus* m_bus = nullptr;
    GMainLoop* m_loop = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_closed{false};
    std::string m_title;
};

}  // namespace

TEST(FolderChooser, AsksThePortalForADirectory) {
    struct Case {
        int response;
        const char* uri;
        platform::FolderChoice choice;
        const wchar_t* path;
    } cases[] = {
        {0, "file:///home/kid/%E6%96%87%E4%BB%B6", platform::FolderChoice::Chosen, L"/home/kid/文件"},
        {1, "", platform::FolderChoice::Cancelled, L""},
        {2, "", platform::FolderChoice::Cancelled, L""},
        {0, "not a uri", platform::FolderChoice::Cancelled, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uri);
        FakePortal portal(c.response, c.uri);
        platform::FolderChooser chooser;
        std::wstring path;
        EXPECT_EQ(chooser.Choose(L"选择一个文件夹", path), c.choice);
        EXPECT_EQ(path, c.path);
        EXPECT_EQ(portal.Title(), "选择一个文件夹");
    }
}

TEST(FolderChooser, CancelClosesAnOpenPortalDialog) {
    FakePortal portal(-1, "");
    platform::FolderChooser chooser;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        chooser.Cancel();
    });
    std::wstring path;
    EXPECT_EQ(chooser.Choose(L"t", path), platform::FolderChoice::Cancelled);
    canceller.join();
    for (int i = 0; i < 200 && !portal.Closed(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(portal.Closed());
}

TEST(FolderChooser, FallsBackToZenityWithoutAPortal) {
    testing_support::TempFolder folder;
    ScopedVariable bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kelvo-bus");
    ScopedVariable path("PATH", platform::PathToNative(folder.Path()).c_str());
    ScopedVariable wayland("WAYLAND_DISPLAY", nullptr);
    struct Case {
        const char* script;  // null: no zenity at all
        const char* display;
        platform::FolderChoice choice;
        const wchar_t* path;
    } cases[] = {
        {"echo '/home/kid/目录'", ":9", platform::FolderChoice::Chosen, L"/home/kid/目录"},
        {"exit 1", ":9", platform::FolderChoice::Cancelled, L""},
        {"exit 5", ":9", platform::FolderChoice::Unavailable, L""},
        {"echo relative/path", ":9", platform::FolderChoice::Unavailable, L""},
        {"kill -9 $$", ":9", platform::FolderChoice::Unavailable, L""},
        {"echo /never", nullptr, platform::FolderChoice::Unavailable, L""},
        {nullptr, ":9", platform::FolderChoice::Unavailable, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script ? c.script : "(none)");
        std::wstring zenity = folder.Join(L"zenity");
        platform::RemoveFile(zenity);
        if (c.script) {
            folder.WriteFile(L"zenity", std::string("#!/bin/sh\n") + c.script + "\n");
            ASSERT_TRUE(platform::SetExecutable(zenity));
        }
        ScopedVariable display("DISPLAY", c.display);
        platform::FolderChooser chooser;
        std::wstring chosen;
        EXPECT_EQ(chooser.Choose(L"选择一个文件夹", chosen), c.choice);
        EXPECT_EQ(chosen, c.path);
    }
}

TEST(FolderChooser, CancelEndsARunningZenity) {
    testing_support::TempFolder folder;
    ScopedVariable bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kelvo-bus");
    ScopedVariable path("PATH", (platform::PathToNative(folder.Path()) + ":/usr/bin:/bin").c_str());
    ScopedVariable display("DISPLAY", ":9");
    folder.WriteFile(L"zenity", "#!/bin/sh\nexec sleep 30\n");
    ASSERT_TRUE(platform::SetExecutable(folder.Join(L"zenity")));
    platform::FolderChooser chooser;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        chooser.Cancel();
    });
    // Were the cancel lost, zenity would end after 30 s with no answer: Unavailable.
    std::wstring chosen;
    EXPECT_EQ(chooser.Choose(L"t", chosen), platform::FolderChoice::Cancelled);
    canceller.join();
}
#endif
