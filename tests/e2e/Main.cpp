// Entry of the end-to-end tests: the Glimmora.exe under test comes from GLIMMORA_EXE.
#include <gtest/gtest.h>

#include "tests/e2e/Driver.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    wchar_t exe[4096] = {};
    if (!GetEnvironmentVariableW(L"GLIMMORA_EXE", exe, 4096)) {
        fprintf(stderr, "GLIMMORA_EXE is not set\n");
        return 2;
    }
    GlimmoraExe = exe;
    return RUN_ALL_TESTS();
}
