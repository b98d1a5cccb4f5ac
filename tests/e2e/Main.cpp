// Entry of the end-to-end tests: the Glimmora.exe under test comes from GLIMMORA_EXE.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/Driver.h"

namespace {

constexpr const wchar_t* RetriedMark = L"GLIMMORA_E2E_RETRIED";

// The names of the tests that failed in this run, as a filter: "Suite.Name:Suite.Other".
std::string FailedFilter() {
    std::string filter;
    const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
    for (int s = 0; s < unit.total_test_suite_count(); ++s) {
        const testing::TestSuite& suite = *unit.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t) {
            const testing::TestInfo& test = *suite.GetTestInfo(t);
            if (test.result() && test.result()->Failed())
                filter +=
                    (filter.empty() ? "" : ":") + std::string(suite.name()) + "." + test.name();
        }
    }
    return filter;
}

// Input under Wine goes through the X server and Wine's own event threads, and on a loaded
// machine an event now and then comes too late for the step that waits on it. A test that fails
// runs once more, alone and in a fresh process; a fault fails it twice, and the first failure
// stays in the log above.
int RunFailedAgain(const std::string& filter) {
    std::printf("\n[ RETRY    ] once more, in a fresh process: %s\n", filter.c_str());
    std::fflush(stdout);
    wchar_t self[4096] = {};
    if (!GetModuleFileNameW(nullptr, self, 4096))
        return 1;
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=" +
                           std::wstring(filter.begin(), filter.end());
    SetEnvironmentVariableW(RetriedMark, L"1");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        return 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    wchar_t exe[4096] = {};
    if (!GetEnvironmentVariableW(L"GLIMMORA_EXE", exe, 4096)) {
        fprintf(stderr, "GLIMMORA_EXE is not set\n");
        return 2;
    }
    GlimmoraExe = exe;
    if (RUN_ALL_TESTS() == 0)
        return 0;
    // The run once more is the last word: it does not retry again. Nor does a repeated run,
    // which is there to find exactly these failures.
    const std::string failed = FailedFilter();
    if (failed.empty() || GetEnvironmentVariableW(RetriedMark, nullptr, 0) ||
        testing::GTEST_FLAG(repeat) != 1)
        return 1;
    return RunFailedAgain(failed);
}
