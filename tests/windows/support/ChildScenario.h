// Scenarios that a test binary runs in a child process of itself.
#pragma once
#include <string>

using ChildScenarioFn = int (*)();

// Registers fn under name; use TN_CHILD_SCENARIO at namespace scope.
bool RegisterChildScenario(const wchar_t* name, ChildScenarioFn fn);
// Runs the named scenario and returns its exit code; 99 if there is none of that name.
int RunChildScenario(const wchar_t* name);
// Command line that starts this binary as a child running the named scenario.
std::wstring ChildScenarioCommandLine(const wchar_t* name);

#define TN_CHILD_SCENARIO(name)                                                                                        \
    static int name##_scenario();                                                                                      \
    static const bool name##_registered = RegisterChildScenario(L## #name, name##_scenario);                           \
    static int name##_scenario()
