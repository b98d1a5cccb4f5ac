// Today's monitors as the system gives them, and a defect bound to one of them.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "engine/Monitors.h"
#include "tests/support/DisplayMode.h"

namespace {

std::vector<TPixelRect> SystemRectangles() {
    std::vector<TPixelRect> rects;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, LPRECT r, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<TPixelRect>*>(param)->push_back(
                {r->left, r->top, r->right, r->bottom});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&rects));
    return rects;
}

TPlacement Shown(TPixelPoint at) {
    return {TPlaceStatus::Shown, at};
}

} // namespace

TEST(Monitors, EveryMonitorIsToldApartAndGivesBackWhatIsBoundOnIt) {
    const std::vector<TMonitorState> monitors = ReadMonitors();
    const std::vector<TPixelRect> rects = SystemRectangles();
    ASSERT_EQ(monitors.size(), rects.size());
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        EXPECT_EQ(monitors[i].Desktop, rects[i]);
        EXPECT_FALSE(monitors[i].Panel.DevicePath.empty());
        EXPECT_EQ(FindPanel(monitors, monitors[i].Panel), static_cast<int>(i));
        const TPixelRect& r = rects[i];
        for (const TPixelPoint p :
             {TPixelPoint{r.Left, r.Top}, TPixelPoint{r.Right - 1, r.Bottom - 1},
              TPixelPoint{(r.Left + r.Right) / 2, r.Top + 1}}) {
            const std::optional<TPanelBinding> binding = BindPixel(monitors, p);
            ASSERT_TRUE(binding);
            EXPECT_EQ(PlaceBinding(monitors, *binding), Shown(p));
        }
    }
}

TEST(Monitors, AnotherResolutionIsTheSamePanelInAnotherMode) {
    const std::optional<TPanelBinding> binding = BindPixel(ReadMonitors(), {300, 200});
    ASSERT_TRUE(binding);
    {
        const TDisplayMode lower(800, 600);
        ASSERT_TRUE(lower.Changed());
        EXPECT_EQ(PlaceBinding(ReadMonitors(), *binding).Status, TPlaceStatus::OtherMode);
    }
    EXPECT_EQ(PlaceBinding(ReadMonitors(), *binding), Shown({300, 200}));
}
