// The cost of one concealment tick with 25 defects on a still picture, ours against the literal
// one (eight GetPixel calls per defect, every overlay raised every tick). Run under Wine in the
// virtual desktop: `make bench`.
//
//   tick 25 defects: ours X ms, literal Y ms, ratio Z
//   reads 25 defects: batched X ms, per-pixel Y ms, ratio Z
//   tick 25 scattered defects: ours X ms, N screen copies
//   screen copy as measured: F us a copy, R ns a row, P ns a pixel
//   stacking check 25 overlays: X ms
//   raise check, a topmost window away from the defects: N raises in 200 ticks
//   raise check, a topmost window over one defect: raised at tick K, then N raises in M ticks
//
// `tick_bench --write-defects <file>` only writes the 25 defects as a defect file, for the CPU
// measurement of the running program (bench/cpu.sh).
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/ColorSolver.h"
#include "engine/ConcealmentTick.h"
#include "engine/ScreenSampler.h"
#include "engine/Unit2.h"
#include "store/DefectCodec.h"
#include "tests/windows/ScreenPattern.h"
#include "ui/Application.h"

namespace {

using Clock = std::chrono::steady_clock;

double MedianMs(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Runs `work` `rounds` times with the messages handled in between, as the main loop would.
double MedianOf(int rounds, TApplication& app, const std::function<void()>& work) {
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        work();
        samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        app.ProcessMessages();
    }
    return MedianMs(samples);
}

// The literal tick: eight screen reads per defect and a raise of every overlay, every tick.
void LiteralTick(const TDefectList& defects, HDC dc, std::span<TPixForm* const> overlays) {
    for (int i = 0; i < defects.Count(); ++i) {
        TRgb average = SampleNeighboursPerPixel(dc, defects[i].X, defects[i].Y);
        TPixForm& overlay = *overlays[static_cast<std::size_t>(i)];
        overlay.SetColor(ColorValue(SolveColor(average, defects[i].Flags)));
        overlay.ReassertTopmost();
    }
}

TDefectList BenchDefects() {
    // 25 defects spread over the screen, with the flags that make the search work hardest.
    TDefectList defects;
    const std::uint8_t flags[] = {RedOn, GreenOn, BlueOff, RedOn | GreenOn, 0x38};
    for (int i = 0; i < MaxDefects; ++i) {
        int index = AppendDefect(defects, 40 + (i % 5) * 180, 40 + (i / 5) * 130);
        defects[index].Flags = flags[i % 5];
    }
    return defects;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"--write-defects") {
        DefectFileImage image = EncodeDefects(BenchDefects());
        HANDLE file = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        bool ok =
            file != INVALID_HANDLE_VALUE &&
            WriteFile(file, image.Bytes.data(), static_cast<DWORD>(image.Size), &written, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        return ok ? 0 : 1;
    }
    TApplication app;
    app.Initialize();
    std::array<TPixForm*, MaxDefects> overlays{};
    for (TPixForm*& overlay : overlays)
        app.CreateForm(overlay);

    RECT screen = TScreenPattern::Screen();
    std::mt19937 random(125);
    std::vector<std::uint32_t> picture(static_cast<std::size_t>(screen.right * screen.bottom));
    for (auto& p : picture)
        p = random() & 0xFFFFFF;
    TScreenPattern still(screen, picture);

    TDefectList defects = BenchDefects();
    for (int i = 0; i < MaxDefects; ++i) {
        overlays[static_cast<std::size_t>(i)]->SetBounds(defects[i].X, defects[i].Y, 1, 1);
        overlays[static_cast<std::size_t>(i)]->Show();
    }
    app.ProcessMessages();

    HWND desktop = GetDesktopWindow();
    HDC dc = GetWindowDC(desktop);
    const int rounds = 201;
    TConcealmentTick tick;
    // Warm up: the first ticks recolour the overlays from black and settle the stacking order,
    // and the display takes a moment to map 25 new windows.
    for (int i = 0; i < 20; ++i) {
        tick.Run(defects, dc, overlays);
        app.ProcessMessages();
        Sleep(50);
    }
    double ours = MedianOf(rounds, app, [&] { tick.Run(defects, dc, overlays); });
    double literal = MedianOf(rounds, app, [&] { LiteralTick(defects, dc, overlays); });
    std::printf("tick 25 defects: ours %.3f ms, literal %.3f ms, ratio %.1f\n", ours, literal,
                literal / ours);

    // The reads alone, with the costs the tick has measured by now.
    TScreenSampler sampler;
    sampler.SetCosts(tick.Sampler().Costs());
    std::array<POINT, MaxDefects> centres;
    for (int i = 0; i < defects.Count(); ++i)
        centres[static_cast<std::size_t>(i)] = {defects[i].X, defects[i].Y};
    double batched = MedianOf(rounds, app, [&] {
        sampler.ReadBlocks(dc, centres);
        for (std::size_t i = 0; i < centres.size(); ++i)
            sampler.Average(i);
    });
    double perPixel = MedianOf(rounds, app, [&] {
        for (const TDefectPixel& d : defects)
            SampleNeighboursPerPixel(dc, d.X, d.Y);
    });
    std::printf("reads 25 defects: batched %.3f ms, per-pixel %.3f ms, ratio %.1f\n", batched,
                perPixel, perPixel / batched);

    // The grid above lets the five blocks of a row share one screen copy. Defects strewn at
    // random lie far apart: whether a few of them share a copy depends on what a copy costs.
    TDefectList scattered;
    std::uniform_int_distribution<int> xs(0, screen.right - 1), ys(0, screen.bottom - 1);
    while (scattered.Count() < MaxDefects) {
        const int x = xs(random), y = ys(random);
        if (FindDefect(scattered, x, y) < 0)
            AppendDefect(scattered, x, y);
    }
    for (int i = 0; i < MaxDefects; ++i) {
        scattered[i].Flags = defects[i].Flags;
        centres[static_cast<std::size_t>(i)] = {scattered[i].X, scattered[i].Y};
        overlays[static_cast<std::size_t>(i)]->SetBounds(scattered[i].X, scattered[i].Y, 1, 1);
    }
    for (int i = 0; i < 20; ++i) {
        tick.Run(scattered, dc, overlays);
        app.ProcessMessages();
        Sleep(50);
    }
    double strewn = MedianOf(rounds, app, [&] { tick.Run(scattered, dc, overlays); });
    std::printf("tick 25 scattered defects: ours %.3f ms, %d screen copies\n", strewn,
                tick.Sampler().CopyCount());
    const TCopyCost cost = tick.Sampler().Costs();
    std::printf("screen copy as measured: %.1f us a copy, %.1f ns a row, %.2f ns a pixel\n",
                cost.Fixed, 1000 * cost.PerRow, 1000 * cost.PerPixel);

    double stacking = MedianOf(rounds, app, [&] { tick.OverlaysOnTop(overlays); });
    std::printf("stacking check 25 overlays: %.3f ms\n", stacking);
    // The raise check against other always-on-top windows, on the grid again. One that keeps
    // putting itself on top (as a task bar or a tool window does) away from every defect needs
    // no raise; one that opens over a defect is passed at the next tick, and then stays below.
    for (int i = 0; i < MaxDefects; ++i)
        overlays[static_cast<std::size_t>(i)]->SetBounds(defects[i].X, defects[i].Y, 1, 1);
    for (int i = 0; i < 5; ++i) {
        tick.Run(defects, dc, overlays);
        app.ProcessMessages();
    }
    {
        const RECT away{850, 600, 1000, 740};
        TScreenPattern elsewhere(away, TScreenPattern::Uniform(away, 0x00FF00));
        int raises = 0;
        for (int i = 0; i < 200; ++i) {
            SetWindowPos(elsewhere.Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
            const int before = tick.RaiseCount();
            tick.Run(defects, dc, overlays);
            raises += tick.RaiseCount() - before;
            app.ProcessMessages();
        }
        std::printf("raise check, a topmost window away from the defects: %d raises in 200 ticks\n",
                    raises);
    }
    {
        const POINT d{defects[12].X, defects[12].Y};
        const RECT over{d.x - 10, d.y - 10, d.x + 11, d.y + 11};
        TScreenPattern covering(over, TScreenPattern::Uniform(over, 0x00FF00));
        int first = 0, after = 0;
        for (int i = 1; i <= 200; ++i) {
            const int before = tick.RaiseCount();
            tick.Run(defects, dc, overlays);
            const int raised = tick.RaiseCount() - before;
            if (raised && !first)
                first = i;
            else
                after += raised;
            app.ProcessMessages();
        }
        std::printf("raise check, a topmost window over one defect: raised at tick %d, then %d "
                    "raises in %d ticks\n",
                    first, after, 200 - first);
    }

    ReleaseDC(desktop, dc);
    app.DestroyForms();
    return 0;
}
