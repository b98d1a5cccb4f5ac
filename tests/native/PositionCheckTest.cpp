#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "capture/PositionCheck.h"

namespace {

// The primary monitor, and a smaller one left of it and lower: gaps above and below it.
const TPixelRect Primary{0, 0, 1024, 768}, Secondary{-800, 84, 0, 684};

} // namespace

TEST(PositionCheck, StepsStayOnTheMonitorsAndCrossOnlyWhereTheyTouch) {
    const TPixelRect both[] = {Primary, Secondary};
    const TScreenLayout layout(both);
    struct Case {
        const char* name;
        TPixelPoint at;
        int dx, dy;
        TPixelPoint to;
    } cases[] = {
        {"one pixel", {10, 10}, 1, 0, {11, 10}},
        {"ten up", {10, 30}, 0, -10, {10, 20}},
        {"ten beyond the right edge stop at it", {1020, 5}, 10, 0, {1023, 5}},
        {"at the bottom edge", {500, 767}, 0, 1, {500, 767}},
        {"onto the other monitor", {0, 100}, -1, 0, {-1, 100}},
        {"into the gap above the other monitor", {3, 50}, -10, 0, {0, 50}},
        {"into the gap below it", {-5, 680}, 0, 10, {-5, 683}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StepCover(c.at, c.dx, c.dy, layout), c.to) << c.name;
}

TEST(PositionCheck, TheHintKeepsMoreThanItsClearanceFromEveryPoint) {
    // A 500 x 30 hint on a work area above a 30-pixel task bar: at the top {262, 24, 762, 54},
    // else at the bottom {262, 684, 762, 714}.
    const TPixelRect work{0, 0, 1024, 738};
    const TPixelRect top{262, 24, 762, 54}, bottom{262, 684, 762, 714};
    struct Case {
        const char* name;
        std::vector<TPixelPoint> points;
        std::optional<TPixelRect> place;
    } cases[] = {
        {"in the middle", {{512, 384}}, top},
        {"100 below the top place: too close", {{512, 153}}, bottom},
        {"101 below it", {{512, 154}}, top},
        {"100 left of it", {{162, 30}}, bottom},
        {"101 right of it", {{862, 30}}, top},
        {"near both places", {{512, 60}, {512, 680}}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HintPlace(work, 500, 30, 24, c.points, 100), c.place) << c.name;
    EXPECT_EQ(HintPlace({0, 0, 400, 738}, 500, 30, 24, {}, 100), std::nullopt) << "too narrow";
}
