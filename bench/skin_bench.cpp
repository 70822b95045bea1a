// Time to build the main window from the linked skin archive (archive open, markup parse,
// image decode, first layout and paint) and time of one full repaint, on the headless back end.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "skinui/backend/headless/headless_window_system.h"
#include "skinui/label.h"
#include "skinui/skin_resources.h"
#include "skinui/window_impl_base.h"

using namespace SkinUI;

namespace {

class MainWindow : public WindowImplBase {
public:
    std::wstring GetWindowClassName() const override { return L"MainWnd"; }
    std::wstring GetSkinFolder() override { return {}; }
    std::wstring GetSkinFile() override { return L"MainWnd.xml"; }
    SkinSource GetSkinSource() const override { return SkinSource::ArchiveResource; }
    int GetSkinResourceId() const override { return 147; }
    CControlUI* CreateControl(const std::wstring&) override { return new CLabelUI; }
};

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    HeadlessWindowSystem system;
    SetWindowSystem(&system);
    using Clock = std::chrono::steady_clock;

    // Pass 1: the whole build, each time from a fresh archive and image cache. The first run
    // also pays for loading the fonts.
    std::vector<double> builds;
    for (int run = 0; run < 21; ++run) {
        SkinResources::Instance().Reset();
        MainWindow window;
        Clock::time_point start = Clock::now();
        WindowHandle handle = window.Create(nullptr, L"Kelvo Kids", WS_VISIBLE, 0);
        system.Snapshot(handle);
        builds.push_back(Milliseconds(Clock::now() - start));
        if (!window.GetPaintManager().GetRoot()) {
            std::fprintf(stderr, "skin_bench: the main window did not build\n");
            return 1;
        }
    }

    // Pass 2: full repaints of one window.
    std::vector<double> repaints;
    {
        MainWindow window;
        WindowHandle handle = window.Create(nullptr, L"Kelvo Kids", WS_VISIBLE, 0);
        system.Snapshot(handle);
        CPaintManager& manager = window.GetPaintManager();
        for (int run = 0; run < 200; ++run) {
            Clock::time_point start = Clock::now();
            manager.Paint();
            repaints.push_back(Milliseconds(Clock::now() - start));
        }
    }

    std::vector<double> warm(builds.begin() + 1, builds.end());
    std::printf("first paint of the main window, first run (fonts cold): %.2f ms\n", builds.front());
    std::printf("first paint of the main window, median of %zu later runs: %.2f ms\n", warm.size(), Median(warm));
    std::printf("full repaint of 600 x 400, median of %zu: %.3f ms (min %.3f)\n", repaints.size(), Median(repaints),
                *std::min_element(repaints.begin(), repaints.end()));
    SetWindowSystem(nullptr);
    return 0;
}
