// The cost of one concealment tick with 25 defects on a still picture, ours against the literal
// one (eight GetPixel calls per defect, every overlay raised every tick), and the CPU share of the
// running program. Run under Wine in the virtual desktop: `make bench`.
//
//   tick 25 defects: ours X ms, literal Y ms, ratio Z
//   reads 25 defects: batched X ms, per-pixel Y ms, ratio Z
//   cpu 25 defects, 30 s at 8 ticks/s: X % of one core
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

double ProgramCpuShare(const TDefectList& defects, int seconds) {
    wchar_t exe[4096] = {};
    if (!GetEnvironmentVariableW(L"GLIMMORA_EXE", exe, 4096))
        return -1;
    std::wstring source = exe;
    if (!source.empty() && source[0] == L'/') {
        source = L"Z:" + source;
        std::replace(source.begin(), source.end(), L'/', L'\\');
    }
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    std::wstring folder = std::wstring(temp) + L"glimmora-bench\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring target = folder + L"Glimmora.exe";
    CopyFileW(source.c_str(), target.c_str(), FALSE);
    DefectFileImage image = EncodeDefects(defects);
    HANDLE file = CreateFileW((folder + L"Glimmora.pix").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, image.Bytes.data(), static_cast<DWORD>(image.Size), &written, nullptr);
    CloseHandle(file);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + target + L"\"";
    if (!CreateProcessW(target.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info))
        return -1;
    WaitForInputIdle(info.hProcess, 20000);
    Sleep(2000); // past the start-up
    auto cpu = [&] {
        FILETIME created, exited, kernel, user;
        GetProcessTimes(info.hProcess, &created, &exited, &kernel, &user);
        auto value = [](FILETIME t) {
            return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        return static_cast<double>(value(kernel) + value(user)) / 1e7; // seconds
    };
    double cpuBefore = cpu();
    auto wallBefore = Clock::now();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    double used = cpu() - cpuBefore;
    double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    if (HWND main = FindWindowW(L"TForm1", nullptr))
        PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return 100.0 * used / wall;
}

} // namespace

int main() {
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

    // 25 defects spread over the screen, with the flags that make the search work hardest.
    TDefectList defects;
    const std::uint8_t flags[] = {RedOn, GreenOn, BlueOff, RedOn | GreenOn, 0x38};
    for (int i = 0; i < MaxDefects; ++i) {
        int index = AppendDefect(defects, 40 + (i % 5) * 180, 40 + (i / 5) * 130);
        defects[index].Flags = flags[i % 5];
    }
    for (int i = 0; i < MaxDefects; ++i) {
        overlays[static_cast<std::size_t>(i)]->SetBounds(defects[i].X, defects[i].Y, 1, 1);
        overlays[static_cast<std::size_t>(i)]->Show();
    }
    app.ProcessMessages();

    HWND desktop = GetDesktopWindow();
    HDC dc = GetWindowDC(desktop);
    const int rounds = 201;
    TConcealmentTick tick;
    double ours = MedianOf(rounds, app, [&] { tick.Run(defects, dc, overlays); });
    double literal = MedianOf(rounds, app, [&] { LiteralTick(defects, dc, overlays); });
    std::printf("tick 25 defects: ours %.3f ms, literal %.3f ms, ratio %.1f\n", ours, literal,
                literal / ours);

    TScreenSampler sampler;
    double batched = MedianOf(rounds, app, [&] {
        for (const TDefectPixel& d : defects)
            sampler.SampleNeighbours(dc, d.X, d.Y);
    });
    double perPixel = MedianOf(rounds, app, [&] {
        for (const TDefectPixel& d : defects)
            SampleNeighboursPerPixel(dc, d.X, d.Y);
    });
    std::printf("reads 25 defects: batched %.3f ms, per-pixel %.3f ms, ratio %.1f\n", batched,
                perPixel, perPixel / batched);
    ReleaseDC(desktop, dc);
    std::fflush(stdout);
    app.DestroyForms();

    double share = ProgramCpuShare(defects, 30);
    if (share < 0)
        std::printf("cpu: GLIMMORA_EXE not set or the program did not start\n");
    else
        std::printf("cpu 25 defects, 30 s at 8 ticks/s: %.2f %% of one core\n", share);
    return 0;
}
