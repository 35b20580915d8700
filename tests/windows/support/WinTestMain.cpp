// Entry point of every Windows test binary. Besides running GoogleTest, a binary can be
// started as its own child ("--child NAME") to run one registered scenario in a separate
// process, for tests that watch a process from outside (its debug output, its exit code).
#include <windows.h>

#include <gmock/gmock.h>

#include "tests/windows/support/ChildScenario.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 3 && lstrcmpW(argv[1], L"--child") == 0)
        return RunChildScenario(argv[2]);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
