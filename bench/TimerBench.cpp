// The thread timer's real rate at the program's two periods (repair flashes, concealment tick),
// with the high-resolution timer and with the timed waits that Windows before 10 1803 is left
// with. Under Wine every wait is exact, so only a Windows machine shows what this is about: there
// a timed wait ends on the system's timer tick (15.625 ms unless some program asks for less).
// Run `timer_bench.exe` on Windows; `make bench` runs it under Wine.
//
//   33 ms, high-resolution timer: 30.0 ticks/s (30.3 due), intervals 32.1 to 34.2 ms
//   33 ms, timed waits: ...
//   33 ms, the high resolution refused: ...   (when the system refuses it)
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "engine/ThreadTimer.h"
#include "ui/Application.h"

namespace {

HANDLE WINAPI RefusingTimerMaker(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

std::int64_t CounterNow() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

struct TTickTimes {
    void Tick(TComponent*) { times.push_back(CounterNow()); }
    std::vector<std::int64_t> times;
};

void Measure(TApplication& app, std::uint32_t periodMs, bool refuseHighResolution) {
    constexpr double Seconds = 5;
    TTimerThread::MakeTickTimer =
        refuseHighResolution ? &RefusingTimerMaker : &CreateWaitableTimerExW;
    TTickTimes ticks;
    ticks.times.reserve(1000);
    TThreadTimer timer(nullptr);
    timer.SetInterval(periodMs);
    timer.SetOnTimer(MakeNotifyEvent<&TTickTimes::Tick>(&ticks));
    timer.SetEnabled(true);
    const bool highResolution = timer.Worker()->HighResolution();
    const std::int64_t start = CounterNow();
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const auto end = start + static_cast<std::int64_t>(Seconds * frequency.QuadPart);
    while (ticks.times.empty() || ticks.times.back() < end)
        app.HandleMessage();
    timer.SetEnabled(false);

    double shortest = 1e9, longest = 0;
    for (std::size_t i = 1; i < ticks.times.size(); ++i) {
        const double ms = 1000.0 * (ticks.times[i] - ticks.times[i - 1]) / frequency.QuadPart;
        shortest = std::min(shortest, ms);
        longest = std::max(longest, ms);
    }
    const double span = static_cast<double>(ticks.times.back() - start) / frequency.QuadPart;
    std::printf("%u ms, %s: %.1f ticks/s (%.1f due), intervals %.1f to %.1f ms\n", periodMs,
                highResolution         ? "high-resolution timer"
                : refuseHighResolution ? "timed waits"
                                       : "the high resolution refused",
                static_cast<double>(ticks.times.size()) / span, 1000.0 / periodMs, shortest,
                longest);
}

} // namespace

int wmain() {
    TApplication app;
    app.Initialize();
    for (std::uint32_t period : {33u, 125u})
        for (bool refuse : {false, true})
            Measure(app, period, refuse);
    TTimerThread::MakeTickTimer = &CreateWaitableTimerExW;
    return 0;
}
