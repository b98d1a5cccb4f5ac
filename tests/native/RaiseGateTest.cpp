// When the tick raises the overlays: at once for a new window over a defect or overlays out of
// order, at most once a second for a window that the last raise did not pass.
#include <gtest/gtest.h>

#include <vector>

#include "engine/RaiseGate.h"

TEST(RaiseGate, RetriesAWindowItCannotPassOnceASecondAndAnyOtherAtOnce) {
    using F = TRaiseGate::TFinding;
    const F nothing{}, order{true, false, false}, covered{false, true, false},
        unpassed{false, false, true}, both{false, true, true};
    struct Step {
        std::uint64_t ms;
        F found;
        bool raise;
        std::vector<std::uintptr_t> stillCovering; // after the raise
    };
    const Step steps[] = {
        {0, nothing, false, {}},
        {125, covered, true, {7}},  // window 7 stays above: a band above the topmost
        {250, unpassed, false, {}}, // ... not tried again within the second
        {1000, unpassed, false, {}},
        {1125, unpassed, true, {7}}, // a second after the last try
        {1250, both, true, {7}},     // another window over a defect is passed at once
        {1375, order, true, {}},     // and so are overlays out of order; 7 has gone too
        {1500, covered, true, {7}},  // 7 is back: no longer known, so at once
        {1625, nothing, false, {}},  // it no longer covers anything and is forgotten
        {1750, covered, true, {}},
    };
    TRaiseGate gate;
    for (const Step& s : steps) {
        EXPECT_EQ(gate.ShouldRaise(s.found, s.ms), s.raise) << "at " << s.ms;
        if (s.raise)
            gate.Raised(s.stillCovering, s.ms);
        if (s.raise)
            EXPECT_EQ(std::vector(gate.Unpassed().begin(), gate.Unpassed().end()), s.stillCovering);
    }
}
