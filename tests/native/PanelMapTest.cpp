// Which panel a defect lies on and where it is shown, against recorded desktops.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/PanelMap.h"

namespace {

using R = TRotation;
constexpr char16_t Guid[] = u"#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}";

std::u16string Path(const char16_t* instance) {
    return std::u16string(u"\\\\?\\DISPLAY#") + instance + Guid;
}

// A laptop's panel, an external monitor, a second one of the same model, and the same model
// again with the serial of the first (cheap panels give every unit the same).
const TPanelId Laptop{
    0x30E4, 0x0412, 0, {1920, 1080}, TPanelLink::Internal, Path(u"LPL0412#4&2b1d&0&UID265988")};
const TPanelId Office{0x1D8D,
                      0x0A51,
                      0x4A31574C,
                      {2560, 1440},
                      TPanelLink::External,
                      Path(u"GLM0A51#5&1f2e&0&UID4352")};
const TPanelId Twin{0x1D8D,
                    0x0A51,
                    0x4A315800,
                    {2560, 1440},
                    TPanelLink::External,
                    Path(u"GLM0A51#5&1f2e&0&UID4353")};
const TPanelId SameSerial{0x1D8D,
                          0x0A51,
                          0x4A31574C,
                          {2560, 1440},
                          TPanelLink::External,
                          Path(u"GLM0A51#5&1f2e&0&UID4353")};
// What Wine gives: a device path and nothing else.
const TPanelId WineMonitor{
    0, 0, 0, {}, TPanelLink::Unknown, Path(u"Default_Monitor#4&17f0ff54&0&UID0")};

TPanelId WithPath(TPanelId id, const char16_t* instance) {
    id.DevicePath = Path(instance);
    return id;
}

TPanelId WithoutEdidIds(TPanelId id) {
    id.Manufacturer = id.Product = 0;
    id.Serial = 0;
    return id;
}

// A monitor as the desktop has it: its rectangle's size is the mode, rotated.
TMonitorState On(const TPanelId& id, int left, int top, int width, int height, R rotation = R::Deg0,
                 std::uint32_t scaling = 0) {
    return {id, {left, top, left + width, top + height}, rotation, scaling};
}

TPlacement Shown(int x, int y) {
    return {TPlaceStatus::Shown, {x, y}};
}
constexpr TPlacement NotConnected{TPlaceStatus::NotConnected, {}};
constexpr TPlacement OtherMode{TPlaceStatus::OtherMode, {}};

} // namespace

TEST(PanelMap, ADefectStaysOnItsPanelPixel) {
    const std::vector<TMonitorState> laptopAlone{On(Laptop, 0, 0, 1920, 1080)};
    // Docked: the external monitor is the primary, the laptop's panel right of it and lower.
    const std::vector<TMonitorState> docked{On(Office, 0, 0, 2560, 1440),
                                            On(Laptop, 2560, 200, 1920, 1080)};
    const std::vector<TMonitorState> laptopPrimary{On(Laptop, 0, 0, 1920, 1080),
                                                   On(Office, -2560, -200, 2560, 1440)};
    const std::vector<TMonitorState> twins{On(Office, 0, 0, 2560, 1440),
                                           On(Twin, 2560, 0, 2560, 1440)};
    const std::vector<TMonitorState> twinsSwapped{On(Twin, 0, 0, 2560, 1440),
                                                  On(Office, 2560, 0, 2560, 1440)};
    const std::vector<TMonitorState> sameSerial{On(Office, 0, 0, 2560, 1440),
                                                On(SameSerial, 2560, 0, 2560, 1440)};
    const std::vector<TMonitorState> sameSerialSwapped{On(SameSerial, 0, 0, 2560, 1440),
                                                       On(Office, 2560, 0, 2560, 1440)};
    const std::vector<TMonitorState> wine{On(WineMonitor, 0, 0, 1024, 768)};
    const std::vector<TMonitorState> office{On(Office, 0, 0, 2560, 1440)};
    const struct {
        const char* what;
        std::vector<TMonitorState> marked;
        TPixelPoint pixel;
        std::vector<TMonitorState> today;
        TPlacement expected;
    } cases[] = {
        {"unchanged", laptopAlone, {300, 200}, laptopAlone, Shown(300, 200)},
        {"docked: the panel moves right", laptopAlone, {300, 200}, docked, Shown(2860, 400)},
        {"undocked again", docked, {2860, 400}, laptopAlone, Shown(300, 200)},
        {"the primary swapped", laptopPrimary, {-2000, 0}, docked, Shown(560, 200)},
        {"portrait", office, {10, 20}, {On(Office, 0, 0, 1440, 2560, R::Deg90)}, Shown(1419, 10)},
        {"upside down",
         office,
         {10, 20},
         {On(Office, 0, 0, 2560, 1440, R::Deg180)},
         Shown(2549, 1419)},
        {"portrait flipped",
         office,
         {10, 20},
         {On(Office, 0, 0, 1440, 2560, R::Deg270)},
         Shown(20, 2549)},
        {"marked in portrait, shown in landscape",
         {On(Office, 0, 0, 1440, 2560, R::Deg90)},
         {1419, 10},
         office,
         Shown(10, 20)},
        {"a lower resolution", laptopAlone, {300, 200}, {On(Laptop, 0, 0, 1280, 720)}, OtherMode},
        {"marked at a lower resolution, now native",
         {On(Laptop, 0, 0, 1280, 720)},
         {300, 200},
         laptopAlone,
         OtherMode},
        {"the same scaled mode",
         {On(Laptop, 0, 0, 1280, 720, R::Deg0, 3)},
         {300, 200},
         {On(Laptop, 0, 0, 1280, 720, R::Deg0, 3)},
         Shown(300, 200)},
        {"scaled otherwise",
         {On(Laptop, 0, 0, 1280, 720, R::Deg0, 3)},
         {300, 200},
         {On(Laptop, 0, 0, 1280, 720, R::Deg0, 2)},
         OtherMode},
        {"native: every scaling is one to one",
         {On(Laptop, 0, 0, 1920, 1080, R::Deg0, 1)},
         {300, 200},
         {On(Laptop, 0, 0, 1920, 1080, R::Deg0, 128)},
         Shown(300, 200)},
        {"twins: the serial tells", twins, {2600, 5}, twinsSwapped, Shown(40, 5)},
        {"twins: the other one", twins, {40, 5}, twinsSwapped, Shown(2600, 5)},
        {"one serial: the device path tells",
         sameSerial,
         {2600, 5},
         sameSerialSwapped,
         Shown(40, 5)},
        {"one serial, both moved to other ports: nothing tells",
         sameSerial,
         {2600, 5},
         {On(WithPath(Office, u"GLM0A51#5&1f2e&0&UID9"), 0, 0, 2560, 1440),
          On(WithPath(Office, u"GLM0A51#5&1f2e&0&UID8"), 2560, 0, 2560, 1440)},
         NotConnected},
        {"alone on another port",
         office,
         {7, 8},
         {On(WithPath(Office, u"GLM0A51#5&1f2e&0&UID9"), 100, 0, 2560, 1440)},
         Shown(107, 8)},
        {"another unit of the model in its place",
         office,
         {7, 8},
         {On(Twin, 0, 0, 2560, 1440)},
         NotConnected},
        {"the panel gone", docked, {100, 100}, laptopAlone, NotConnected},
        {"and back", docked, {100, 100}, twins, Shown(100, 100)},
        {"no EDID ids today: the device path",
         office,
         {7, 8},
         {On(WithoutEdidIds(Office), -2560, 0, 2560, 1440)},
         Shown(-2553, 8)},
        {"no EDID ids, another path",
         office,
         {7, 8},
         {On(WithPath(WithoutEdidIds(Office), u"X"), 0, 0, 2560, 1440)},
         NotConnected},
        {"Wine: the same path at another size",
         wine,
         {300, 200},
         {On(WineMonitor, 0, 0, 800, 600)},
         OtherMode},
        {"Wine: another monitor at the marked size",
         wine,
         {300, 200},
         {On(WineMonitor, 0, 0, 800, 600),
          On(WithPath(WineMonitor, u"Default_Monitor#1"), 800, 0, 1024, 768)},
         OtherMode},
        {"Wine: moved",
         wine,
         {300, 200},
         {On(WithPath(WineMonitor, u"Default_Monitor#1"), 0, 0, 800, 600),
          On(WineMonitor, -1024, 84, 1024, 768)},
         Shown(-724, 284)},
    };
    for (const auto& c : cases) {
        const std::optional<TPanelBinding> binding = BindPixel(c.marked, c.pixel);
        ASSERT_TRUE(binding) << c.what;
        EXPECT_EQ(PlaceBinding(c.today, *binding), c.expected) << c.what;
    }
}

TEST(PanelMap, BindAndPlaceAreInversesInEveryRotation) {
    // A 5 x 3 panel left of and above the primary. Its corners, counted on the panel as it
    // stands unrotated, and the desktop corner that shows each: turned 90 degrees clockwise,
    // the panel's bottom left corner is the desktop's top left.
    constexpr int W = 5, H = 3, Left = -7, Top = -4;
    const TPixelPoint tl{0, 0}, tr{W - 1, 0}, bl{0, H - 1}, br{W - 1, H - 1};
    const struct {
        R rotation;
        TPixelPoint atDesktopTopLeft, atDesktopBottomRight;
    } rotations[] = {
        {R::Deg0, tl, br}, {R::Deg90, bl, tr}, {R::Deg180, br, tl}, {R::Deg270, tr, bl}};
    for (const auto& r : rotations) {
        const bool turned = r.rotation == R::Deg90 || r.rotation == R::Deg270;
        const int width = turned ? H : W, height = turned ? W : H;
        const std::vector<TMonitorState> monitors{On(Office, Left, Top, width, height, r.rotation),
                                                  On(Laptop, 0, 0, 1920, 1080)};
        EXPECT_EQ(BindPixel(monitors, {Left, Top})->Pixel, r.atDesktopTopLeft);
        EXPECT_EQ(BindPixel(monitors, {Left + width - 1, Top + height - 1})->Pixel,
                  r.atDesktopBottomRight);
        // Every desktop pixel of the monitor is a different panel pixel, and comes back.
        std::vector<int> seen(W * H);
        for (int y = Top; y < Top + height; ++y) {
            for (int x = Left; x < Left + width; ++x) {
                const std::optional<TPanelBinding> b = BindPixel(monitors, {x, y});
                ASSERT_TRUE(b);
                EXPECT_EQ(b->Mode, (TPanelSize{W, H}));
                ASSERT_TRUE(b->Pixel.X >= 0 && b->Pixel.X < W && b->Pixel.Y >= 0 && b->Pixel.Y < H);
                ++seen[static_cast<std::size_t>(b->Pixel.Y * W + b->Pixel.X)];
                EXPECT_EQ(PlaceBinding(monitors, *b), Shown(x, y));
            }
        }
        EXPECT_EQ(seen, std::vector<int>(W * H, 1));
    }
    // Between monitors of different heights: on none.
    EXPECT_FALSE(
        BindPixel(std::vector{On(Office, -7, -4, 5, 3), On(Laptop, 0, 0, 1920, 1080)}, {-1, 0}));
}

TEST(PanelMap, ReadsTheEdid) {
    // A 1920 x 1080 monitor's base block: manufacturer "GLM", product 0x0A51, serial number
    // 0x4A31574C, the first detailed timing 1920 x 1080 at 60 Hz, then a serial-number text.
    std::vector<std::uint8_t> edid{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x1D, 0x8D,
                                   0x51, 0x0A, 0x4C, 0x57, 0x31, 0x4A, 0x01, 0x20, 0x01, 0x03};
    edid.resize(54);
    const std::uint8_t timing[18] = {0x02, 0x3A, 0x80, 0x18, 0x71, 0x38, 0x2D, 0x40, 0x58,
                                     0x2C, 0x45, 0x00, 0x56, 0x50, 0x21, 0x00, 0x00, 0x1E};
    const std::uint8_t serialText[18] = {0,    0,   0,   0xFF, 0,   'A', 'B', '1', '2',
                                         '\n', ' ', ' ', ' ',  ' ', ' ', ' ', ' ', ' '};
    edid.insert(edid.end(), timing, timing + 18);
    edid.resize(128);
    TPanelId id;
    ASSERT_TRUE(ReadEdid(edid, id));
    EXPECT_EQ(id, (TPanelId{0x1D8D, 0x0A51, 0x4A31574C, {1920, 1080}, TPanelLink::Unknown, {}}));

    // The serial text, where there is one, tells apart units the number does not.
    std::copy(serialText, serialText + 18, edid.begin() + 72);
    TPanelId a, b;
    ASSERT_TRUE(ReadEdid(edid, a));
    edid[78] = '3';
    ASSERT_TRUE(ReadEdid(edid, b));
    EXPECT_TRUE(a.Serial != id.Serial && b.Serial != id.Serial && a.Serial != b.Serial);
    EXPECT_EQ(a.Native, id.Native);

    TPanelId untouched = Office;
    EXPECT_FALSE(ReadEdid(std::span(edid).first(127), untouched));
    edid[0] = 0x01;
    EXPECT_FALSE(ReadEdid(edid, untouched));
    EXPECT_EQ(untouched, Office);
}
