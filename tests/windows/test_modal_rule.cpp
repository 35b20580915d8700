// The one rule for modal loops and stop requests, on real menus, boxes and dialogs: a stop
// request that arrives while loops are open ends them as if dismissed, refuses new ones, and
// destroys its window once, after the method that opened the loops has returned.
#include <windows.h>

#include <gmock/gmock.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Dialog.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/ModalLoop.h"
#include "framework/Wnd.h"
#include "tests/windows/support/MessagePump.h"

namespace {

constexpr UINT kIdModalDialog = 300;
constexpr UINT kIdMenu = 301;
constexpr UINT kMsgOpenLoops = WM_APP + 10;  // the handler under test
constexpr UINT kMsgStop = WM_APP + 11;       // a stop request, as another start sends one
constexpr DWORD kWaitMs = 10000;

// What happened, in order, across the window, its loops and its end.
std::vector<std::string> g_events;

// A window of the class a loop shows, of this thread, visible: the loop is open.
bool IsLoopWindowShown(const wchar_t* pszClass)
{
    struct Search {
        const wchar_t* pszClass;
        bool bFound;
    } search = {pszClass, false};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto* pSearch = reinterpret_cast<Search*>(lParam);
            wchar_t szClass[32] = {};
            GetClassNameW(hWnd, szClass, 32);
            if (lstrcmpW(szClass, pSearch->pszClass) == 0 && IsWindowVisible(hWnd)) {
                pSearch->bFound = true;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.bFound;
}

// Once the loop's window shows, the stop request is posted, as a "/STOP" start posts it.
HWND g_hStopTarget = nullptr;
const wchar_t* g_pszAwaitedClass = nullptr;

void CALLBACK PostStopOnceOpen(HWND, UINT, UINT_PTR nTimer, DWORD)
{
    if (g_pszAwaitedClass != nullptr && !IsLoopWindowShown(g_pszAwaitedClass))
        return;
    KillTimer(nullptr, nTimer);
    PostMessageW(g_hStopTarget, kMsgStop, 0, 0);
}

// A dialog whose Cancel would ask a question: a stop must end it without that.
class CQuestionDialog : public CDialog {
public:
    CQuestionDialog() : CDialog(kIdModalDialog) {}
    bool m_bBoxInside = false;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_bBoxInside)
            PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
        return TRUE;
    }
    void OnOK() override
    {
        // A box inside the dialog: both loops are open when the stop comes.
        g_pszAwaitedClass = L"#32770";
        ::SetTimer(nullptr, 0, 20, &PostStopOnceOpen);
        g_events.push_back("inner box " + std::to_string(AfxMessageBox(L"Inner question?", MB_YESNO)));
    }
    void OnCancel() override
    {
        g_events.push_back("OnCancel");
        CDialog::OnCancel();
    }
};

// The window a stop request destroys; its handler opens the loops of the case.
class CStopWindow : public CWnd {
public:
    std::function<void(CStopWindow&)> m_pfnOpenLoops;

    bool Make()
    {
        HWND hWnd = CreateWindowExW(0, L"Static", L"stop target", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
        return hWnd != nullptr && SubclassWindow(hWnd);
    }

    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (nMsg == kMsgOpenLoops) {
            g_events.push_back("handler begins");
            m_pfnOpenLoops(*this);
            g_events.push_back("handler returns");
            return 0;
        }
        if (nMsg == kMsgStop) {
            g_events.push_back("stop requested");
            AfxRequestStop(this);
            return 0;
        }
        return CWnd::WindowProc(nMsg, wParam, lParam);
    }

protected:
    void OnDestroy() override
    {
        g_events.push_back("destroyed");
        CWnd::OnDestroy();
    }
};

struct RuleCase {
    const char* pszName;
    const wchar_t* pszLoopClass;  // the window that shows the loop is open; null: none awaited
    std::function<void(CStopWindow&)> pfnOpenLoops;
    std::vector<std::string> events;
};

class ModalRuleTest : public testing::TestWithParam<RuleCase> {};

TEST_P(ModalRuleTest, StopEndsTheOpenLoopsAndDestroysTheWindowOnceAfterThem)
{
    const RuleCase& c = GetParam();
    g_events.clear();
    CStopWindow window;
    ASSERT_TRUE(window.Make());
    const HWND hWnd = window.m_hWnd;
    window.m_pfnOpenLoops = c.pfnOpenLoops;
    g_hStopTarget = hWnd;
    g_pszAwaitedClass = c.pszLoopClass;
    if (c.pszLoopClass != nullptr)
        SetTimer(nullptr, 0, 20, &PostStopOnceOpen);
    ASSERT_TRUE(PostMessageW(hWnd, kMsgOpenLoops, 0, 0));

    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hWnd); }, kWaitMs)) << "the window is still there";
    PumpUntil([] { return false; }, 100);  // a second destruction would show here
    EXPECT_EQ(g_events, c.events);
    EXPECT_FALSE(AfxIsStopPending());
    EXPECT_EQ(CModalLoop::Depth(), 0);
}

const RuleCase s_ruleCases[] = {
    {"YesNoBoxAnswersNo",
     L"#32770",
     [](CStopWindow&) { g_events.push_back("box " + std::to_string(AfxMessageBox(L"Question?", MB_YESNO))); },
     {"handler begins", "stop requested", "box " + std::to_string(IDNO), "handler returns", "destroyed"}},
    {"OkBoxAnswersOk",
     L"#32770",
     [](CStopWindow&) { g_events.push_back("box " + std::to_string(AfxMessageBox(L"Note.", MB_OK))); },
     {"handler begins", "stop requested", "box " + std::to_string(IDOK), "handler returns", "destroyed"}},
    {"MenuClosesWithoutCommand",
     L"#32768",
     [](CStopWindow& wnd) {
         CMenu menu;
         ASSERT_TRUE(menu.LoadMenu(kIdMenu));
         SetForegroundWindow(wnd.m_hWnd);
         const UINT nCommand =
             menu.GetSubMenu(0).TrackPopupMenu(TPM_RIGHTBUTTON | TPM_BOTTOMALIGN | TPM_RETURNCMD, 100, 100, &wnd);
         g_events.push_back("menu " + std::to_string(nCommand));
     },
     {"handler begins", "stop requested", "menu 0", "handler returns", "destroyed"}},
    {"DialogEndsWithCancelWithoutItsOnCancel",
     L"#32770",
     [](CStopWindow&) {
         CQuestionDialog dialog;
         g_events.push_back("dialog " + std::to_string(dialog.DoModal()));
     },
     {"handler begins", "stop requested", "dialog " + std::to_string(IDCANCEL), "handler returns", "destroyed"}},
    {"BoxInsideADialogEndsBoth",
     nullptr,
     [](CStopWindow&) {
         CQuestionDialog dialog;
         dialog.m_bBoxInside = true;
         g_events.push_back("dialog " + std::to_string(dialog.DoModal()));
     },
     {"handler begins", "stop requested", "inner box " + std::to_string(IDNO), "dialog " + std::to_string(IDCANCEL),
      "handler returns", "destroyed"}},
    {"StopFromTheHandlerItselfWaitsForItsReturn",
     nullptr,
     [](CStopWindow& wnd) {
         AfxRequestStop(&wnd);
         g_events.push_back(IsWindow(wnd.m_hWnd) ? "still there" : "gone under the handler");
         // Loops asked for once a stop is pending do not open: they answer at once.
         g_events.push_back("box " + std::to_string(AfxMessageBox(L"Never shown.", MB_YESNO)));
         CMenu menu;
         menu.LoadMenu(kIdMenu);
         g_events.push_back("menu " + std::to_string(menu.GetSubMenu(0).TrackPopupMenu(TPM_RETURNCMD, 0, 0, &wnd)));
         CQuestionDialog dialog;
         g_events.push_back("dialog " + std::to_string(dialog.DoModal()));
         AfxRequestStop(&wnd);  // asked again: still one destruction
     },
     {"handler begins", "still there", "box " + std::to_string(IDNO), "menu 0", "dialog " + std::to_string(IDCANCEL),
      "handler returns", "destroyed"}},
};

INSTANTIATE_TEST_SUITE_P(Loops, ModalRuleTest, testing::ValuesIn(s_ruleCases),
                         [](const testing::TestParamInfo<RuleCase>& info) { return info.param.pszName; });

}  // namespace
