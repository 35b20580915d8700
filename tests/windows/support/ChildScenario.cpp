#include "tests/windows/support/ChildScenario.h"

#include <windows.h>

#include <map>

namespace {
std::map<std::wstring, ChildScenarioFn>& Registry()
{
    static std::map<std::wstring, ChildScenarioFn> s_scenarios;
    return s_scenarios;
}
}  // namespace

bool RegisterChildScenario(const wchar_t* name, ChildScenarioFn fn)
{
    Registry()[name] = fn;
    return true;
}

int RunChildScenario(const wchar_t* name)
{
    auto it = Registry().find(name);
    return it == Registry().end() ? 99 : it->second();
}

std::wstring ChildScenarioCommandLine(const wchar_t* name)
{
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return L"\"" + std::wstring(path, n) + L"\" --child " + name;
}
