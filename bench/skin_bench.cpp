// On the headless back end: time to build the main window from the linked skin archive (archive
// open, markup parse, image decode, first layout and paint), one whole repaint, one frame of the
// progress page's animation repainted and presented (its damaged area only), and the main
// window's shadow bitmap.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "skinui/backend/headless/headless_window_system.h"
#include "skinui/container.h"
#include "skinui/skin_resources.h"
#include "ui/sequence_label.h"
#include "ui/shadow_bitmap.h"
#include "ui/skin_frame.h"

using namespace SkinUI;

namespace {

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Minimum(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

}  // namespace

int main() {
    HeadlessWindowSystem system;
    SetWindowSystem(&system);
    CWndShadow::Initialize();
    using Clock = std::chrono::steady_clock;
    const WindowDescriptor descriptor = WindowDescriptor::ForSkinFile(L"MainWnd.xml");

    // Pass 1: the whole build, each time from a fresh archive and image cache. The first run
    // also pays for loading the fonts.
    std::vector<double> builds;
    for (int run = 0; run < 21; ++run) {
        SkinResources::Instance().Reset();
        CSkinFrame window(descriptor);
        Clock::time_point start = Clock::now();
        WindowHandle handle = window.Create(nullptr, L"Kelvo Kids", WS_VISIBLE, 0);
        system.Snapshot(handle);
        builds.push_back(Milliseconds(Clock::now() - start));
        if (!window.GetPaintManager().GetRoot()) {
            std::fprintf(stderr, "skin_bench: the main window did not build\n");
            return 1;
        }
    }

    std::vector<double> repaints, frames, hiddenFrames, shadows;
    {
        CSkinFrame window(descriptor);
        WindowHandle handle = window.Create(nullptr, L"Kelvo Kids", WS_VISIBLE, 0);
        system.Snapshot(handle);
        CPaintManager& manager = window.GetPaintManager();

        // Pass 2: whole repaints.
        for (int run = 0; run < 200; ++run) {
            Clock::time_point start = Clock::now();
            manager.Paint();
            repaints.push_back(Milliseconds(Clock::now() - start));
        }

        // Pass 3: the progress page's animation, one frame a tick (30 ms of the virtual clock):
        // the frame's step, its repaint and its presentation. As shipped its row is hidden; then
        // shown, so that each frame draws.
        static_cast<CTabLayoutUI*>(window.FindControl(L"mainTabLt")->As(L"TabLayout"))->SelectItem(2);
        system.RunPending();
        CControlUI* animation = window.FindControl(L"progressAnLb");
        for (int run = 0; run < 200; ++run) {
            Clock::time_point start = Clock::now();
            system.AdvanceTime(30);
            hiddenFrames.push_back(Milliseconds(Clock::now() - start));
        }
        animation->GetParent()->SetVisible(true);
        system.RunPending();
        const int presents = system.PresentCount(handle);
        for (int run = 0; run < 200; ++run) {
            Clock::time_point start = Clock::now();
            system.AdvanceTime(30);
            frames.push_back(Milliseconds(Clock::now() - start));
        }
        if (system.PresentCount(handle) - presents != 200 || system.LastPresented(handle) != animation->GetPos()) {
            std::fprintf(stderr, "skin_bench: the frames did not repaint the animation alone\n");
            return 1;
        }

        // Pass 4: the main window's shadow bitmap (600 x 400, the skin's settings).
        const SoftShadow settings{6, 10, 20, 1, 1, 0x26003B76};
        for (int run = 0; run < 100; ++run) {
            Clock::time_point start = Clock::now();
            Bitmap pixels = DrawSoftShadow({600, 400}, system.GetRoundRegion(handle), settings);
            shadows.push_back(Milliseconds(Clock::now() - start));
            if (pixels.Width() != 612) return 1;
        }
    }

    std::vector<double> warm(builds.begin() + 1, builds.end());
    std::printf("first paint of the main window, first run (fonts cold): %.2f ms\n", builds.front());
    std::printf("first paint of the main window, median of %zu later runs: %.2f ms\n", warm.size(), Median(warm));
    std::printf("whole repaint of 600 x 400, median of %zu: %.3f ms (min %.3f)\n", repaints.size(), Median(repaints),
                Minimum(repaints));
    std::printf("animation frame, 48 x 48 repainted and presented, median of %zu: %.3f ms (min %.3f)\n", frames.size(),
                Median(frames), Minimum(frames));
    std::printf("animation frame while its row is hidden, median of %zu: %.3f ms (nothing painted)\n",
                hiddenFrames.size(), Median(hiddenFrames));
    std::printf("shadow bitmap of the main window (612 x 412), median of %zu: %.3f ms (min %.3f)\n", shadows.size(),
                Median(shadows), Minimum(shadows));
    SetWindowSystem(nullptr);
    return 0;
}
