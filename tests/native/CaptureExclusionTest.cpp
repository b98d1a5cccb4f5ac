#include <gtest/gtest.h>

#include "ui/CaptureExclusion.h"

// Asked on a build that knows the request as something else, the window would show as a black box
// in every capture; not asked on one that knows it, the overlays show in every screenshot.
TEST(CaptureExclusion, AskedFromWindowsTenBuild19041On) {
    const struct {
        unsigned major, minor, build;
        bool asked;
    } cases[] = {
        {6, 1, 7601, false},                         // Windows 7
        {6, 3, 9600, false},                         // Windows 8.1
        {10, 0, 18363, false},                       // Windows 10 1909
        {10, 0, 19040, false}, {10, 0, 19041, true}, // Windows 10 2004
        {10, 0, 22631, true},                        // Windows 11
        {10, 1, 0, true},      {11, 0, 0, true},
        {0, 0, 0, false}, // the version could not be read
    };
    for (const auto& c : cases)
        EXPECT_EQ(CanLeaveOutOfCaptures(c.major, c.minor, c.build), c.asked)
            << c.major << "." << c.minor << "." << c.build;
}
