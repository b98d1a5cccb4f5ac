#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "capture/CaptureLogic.h"

TEST(FlagsForChoice, EverySwatchOnBothBackgroundsAndThePresets) {
    struct Case {
        const char* swatch;
        std::uint32_t color;
        std::uint8_t onBlack;
        std::uint8_t onWhite;
    } cases[] = {
        {"blue", 0xFF0000, 0x04, 0x18},         {"lime", 0x00FF00, 0x02, 0x28},
        {"red", 0x0000FF, 0x01, 0x30},          {"aqua", 0xFFFF00, 0x06, 0x08},
        {"fuchsia", 0xFF00FF, 0x05, 0x10},      {"yellow", 0x00FFFF, 0x03, 0x20},
        {"white", 0xFFFFFF, 0x07, 0x00},        {"black", 0x000000, 0x00, 0x38},
        {"almost white", 0xFEFFFF, 0x03, 0x00}, {"high byte", 0xFF0000FF, 0x01, 0x30},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FlagsForChoice(TCapturePhase::Black, c.color), c.onBlack) << c.swatch;
        EXPECT_EQ(FlagsForChoice(TCapturePhase::White, c.color), c.onWhite) << c.swatch;
    }
    EXPECT_EQ(FlagsForChoice(TCapturePhase::Black, ChooserPreset(TCapturePhase::Black)), 0);
    EXPECT_EQ(FlagsForChoice(TCapturePhase::White, ChooserPreset(TCapturePhase::White)), 0);
}

namespace {

// The screen reduced to what the logic needs: scripted answers of the choosers, and a record.
class TFakeScreen : public TCaptureScreen {
public:
    std::deque<std::uint32_t> answers; // a chooser closed without a click answers its preset
    std::vector<std::string> log;
    bool open = true;

    std::uint32_t ChooseColor(TCapturePhase phase, std::uint32_t preset,
                              std::optional<std::uint32_t> suggested, std::int32_t,
                              std::int32_t) override {
        EXPECT_TRUE(open) << "a chooser after the capture ended";
        log.push_back(phase == TCapturePhase::Black ? "black chooser" : "white chooser");
        if (suggested) {
            char offered[32];
            std::snprintf(offered, sizeof offered, " offering %06X", unsigned{*suggested});
            log.back() += offered;
        }
        std::uint32_t answer = preset;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        return answer;
    }
    void CloseCapture() override {
        log.push_back("close");
        open = false;
    }
};

constexpr std::uint32_t Red = 0x0000FF, Aqua = 0xFFFF00, Blue = 0xFF0000, Yellow = 0x00FFFF,
                        None = 0xDEAD;

struct TStep {
    char action; // 'L' left click at (x, y), 'R' right click, 'E' Esc, 'K' the key of `key`
    int x = 0, y = 0;
    TCaptureBackground key = TCaptureBackground::White;
};

struct TScenario {
    const char* name;
    int prefilled; // entries (1000 + i, 0) before the capture
    TCapturePhase start;
    std::vector<TStep> steps;
    std::vector<std::uint32_t> answers; // None: closed without a click
    std::vector<TDefectPixel> added;    // the entries after the prefilled ones
    TCapturePhase end;
    std::vector<std::string> log;
};

} // namespace

TEST(CaptureLogic, Scenarios) {
    const TScenario scenarios[] = {
        {"red on black, aqua on white: one entry with both bits",
         0,
         TCapturePhase::Black,
         {{'L', 200, 150}, {'R'}, {'L', 200, 150}, {'R'}},
         {Red, Aqua},
         {{200, 150, 0x09}},
         TCapturePhase::Black,
         {"black chooser", "white chooser", "close"}},
        {"the same pixel twice on black: two entries; white adds to the first",
         0,
         TCapturePhase::Black,
         {{'L', 5, 5}, {'L', 5, 5}, {'R'}, {'L', 5, 5}, {'R'}},
         {Red, Blue, Aqua},
         {{5, 5, 0x01 | 0x08}, {5, 5, 0x04}},
         TCapturePhase::Black,
         {"black chooser", "black chooser", "white chooser", "close"}},
        {"a chooser closed without a click leaves flags 0 on black, unchanged on white",
         0,
         TCapturePhase::Black,
         {{'L', 1, 2}, {'R'}, {'L', 1, 2}, {'L', 3, 4}, {'E'}},
         {None, None, None},
         {{1, 2, 0}, {3, 4, 0}},
         TCapturePhase::White,
         {"black chooser", "white chooser", "white chooser", "close"}},
        {"Esc on white keeps white for the next capture",
         0,
         TCapturePhase::White,
         {{'L', -1, -2}, {'E'}},
         {Blue},
         {{-1, -2, 0x18}},
         TCapturePhase::White,
         {"white chooser", "close"}},
        {"Esc on black closes and stays black",
         0,
         TCapturePhase::Black,
         {{'E'}},
         {},
         {},
         TCapturePhase::Black,
         {"close"}},
        {"a full list on black closes at the first click, without a chooser",
         25,
         TCapturePhase::Black,
         {{'L', 9, 9}},
         {},
         {},
         TCapturePhase::Black,
         {"close"}},
        {"24 entries: the 25th is added, the next click on black closes",
         24,
         TCapturePhase::Black,
         {{'L', 7, 7}, {'L', 8, 8}},
         {Red},
         {{7, 7, 0x01}},
         TCapturePhase::Black,
         {"black chooser", "close"}},
        {"a full list on white: a new pixel shows the chooser, then closes without change",
         25,
         TCapturePhase::White,
         {{'L', 9, 9}},
         {Aqua},
         {},
         TCapturePhase::White,
         {"white chooser", "close"}},
        {"a full list on white still marks a pixel already in the list",
         25,
         TCapturePhase::White,
         {{'L', 1003, 0}, {'R'}},
         {Aqua},
         {},
         TCapturePhase::Black,
         {"white chooser", "close"}},
        {"blue offers yellow, adds blue-off as white does, and a right click ends the capture",
         0,
         TCapturePhase::White,
         {{'K', 0, 0, TCaptureBackground::Blue}, {'L', 3, 4}, {'R'}},
         {Yellow},
         {{3, 4, BlueOff}},
         TCapturePhase::Black,
         {"white chooser offering 00FFFF", "close"}},
        {"red and green offer aqua and fuchsia; W offers nothing again",
         0,
         TCapturePhase::White,
         {{'K', 0, 0, TCaptureBackground::Red},
          {'L', 1, 1},
          {'K', 0, 0, TCaptureBackground::Green},
          {'L', 2, 2},
          {'K', 0, 0, TCaptureBackground::White},
          {'L', 3, 3},
          {'E'}},
         {None, None, None},
         {{1, 1, 0}, {2, 2, 0}, {3, 3, 0}},
         TCapturePhase::White,
         {"white chooser offering FFFF00", "white chooser offering FF00FF", "white chooser",
          "close"}},
        {"on black the colour keys do nothing",
         0,
         TCapturePhase::Black,
         {{'K', 0, 0, TCaptureBackground::Blue}, {'L', 5, 6}, {'E'}},
         {Red},
         {{5, 6, RedOn}},
         TCapturePhase::Black,
         {"black chooser", "close"}},
    };

    for (const TScenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        TDefectList defects;
        for (int i = 0; i < s.prefilled; ++i)
            AppendDefect(defects, 1000 + i, 0);
        TFakeScreen screen;
        TCaptureLogic logic(defects, screen);
        while (logic.Phase() != s.start)
            logic.RightButton();
        screen.log.clear();
        screen.open = true;

        // One scripted answer per chooser; None: closed without a click, so the preset comes back.
        std::deque<std::uint32_t> scripted(s.answers.begin(), s.answers.end());
        for (const TStep& step : s.steps) {
            if (!screen.open)
                break;
            if (step.action == 'L') {
                screen.answers.clear();
                if (!scripted.empty() && scripted.front() != None)
                    screen.answers.push_back(scripted.front());
                logic.LeftButton(step.x, step.y);
                // A click on black with a full list shows no chooser and uses no answer.
                if (!screen.log.empty() && screen.log.back() != "close" && !scripted.empty())
                    scripted.pop_front();
            } else if (step.action == 'R') {
                logic.RightButton();
            } else if (step.action == 'K') {
                logic.ShowBackground(step.key);
            } else {
                logic.Escape();
            }
        }
        EXPECT_EQ(screen.log, s.log);
        EXPECT_EQ(logic.Phase(), s.end);
        ASSERT_EQ(defects.Count(), s.prefilled + static_cast<int>(s.added.size()));
        for (std::size_t i = 0; i < s.added.size(); ++i) {
            const TDefectPixel& d = defects[s.prefilled + static_cast<int>(i)];
            // Copies: the packed fields cannot be bound to references.
            EXPECT_EQ(int{d.X}, int{s.added[i].X}) << i;
            EXPECT_EQ(int{d.Y}, int{s.added[i].Y}) << i;
            EXPECT_EQ(int{d.Flags}, int{s.added[i].Flags}) << i;
        }
    }
}

TEST(CaptureLogic, AFullListOnWhiteStillAddsTheOffBitsOfAKnownPixel) {
    TDefectList defects;
    for (int i = 0; i < MaxDefects; ++i)
        AppendDefect(defects, 1000 + i, 0);
    defects[3].Flags = RedOn;
    TFakeScreen screen;
    TCaptureLogic logic(defects, screen);
    logic.RightButton();
    screen.answers.push_back(Aqua);
    logic.LeftButton(1003, 0);
    EXPECT_EQ(int{defects[3].Flags}, RedOn | RedOff);
    EXPECT_EQ(defects.Count(), MaxDefects);
    EXPECT_TRUE(screen.open);
}
