#include "ui/CaptureExclusion.h"

bool CanLeaveOutOfCaptures(unsigned major, unsigned minor, unsigned build) noexcept {
    constexpr unsigned FirstBuild = 19041;
    if (major != 10)
        return major > 10;
    return minor > 0 || build >= FirstBuild;
}
