// The window framework on real windows: dialogs from templates and their binding, message
// routing and default processing, the keyboard of a modeless dialog, modal runs, the
// application's message loop, the worker thread, controls, menus, message boxes and the
// recursive registry deletion.
#include <windows.h>

#include <commctrl.h>

#include <gmock/gmock.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ResourceModule.h"
#include "framework/Dialog.h"
#include "framework/ListCtrl.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/ResourceException.h"
#include "framework/Static.h"
#include "framework/ToolTipCtrl.h"
#include "framework/WinApp.h"
#include "framework/WinThread.h"
#include "tests/windows/FrameworkTestIds.h"
#include "tests/windows/support/MessagePump.h"

namespace {

const wchar_t kDialogClass[] = L"" FW_DIALOG_CLASS;
constexpr UINT kMsgShow = WM_APP + 2;
constexpr UINT kMsgStop = WM_APP + 3;
constexpr DWORD kWaitMs = 5000;

// What the controls hold, read with their own messages.
std::wstring ItemText(HWND hDlg, int nId)
{
    wchar_t sz[256] = {};
    GetDlgItemTextW(hDlg, nId, sz, 256);
    return sz;
}

std::wstring RowText(HWND hList, int nItem, int nSubItem)
{
    std::vector<wchar_t> buffer(1024, L'\0');
    ListView_GetItemText(hList, nItem, nSubItem, buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}

std::wstring TipText(HWND hTip, HWND hControl)
{
    wchar_t sz[1024] = {};
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = GetParent(hControl);
    tool.uId = reinterpret_cast<UINT_PTR>(hControl);
    tool.lpszText = sz;
    SendMessageW(hTip, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&tool));
    return sz;
}

class CommonControls : public testing::Environment {
public:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES | ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&init));
    }
};
testing::Environment* const s_pCommonControls = testing::AddGlobalTestEnvironment(new CommonControls);

void PumpPending()
{
    PumpUntil([] { return false; }, 50);
}

// The modeless test dialog: records what reaches its handlers.
class CTestDialog : public CDialog {
public:
    CStatic m_label;
    CWnd m_edit;
    CListCtrl m_list;
    CWnd m_unbound;

    bool m_bKeepOnOK = false;
    bool m_bKeepOnCancel = false;
    bool m_bThrowInInit = false;
    bool m_bDeleteSelf = false;
    bool* m_pDeleted = nullptr;

    int m_nInitCount = 0;
    bool m_bInitCompleted = false;
    bool m_bMissingBound = true;
    int m_nOK = 0;
    int m_nCancel = 0;
    std::vector<std::pair<UINT, UINT>> m_commands;
    std::vector<UINT> m_ownMessages;
    int m_nItemChanged = 0;
    int m_nNcDestroyed = 0;

    static UINT RegisteredMessage()
    {
        static const UINT s_nMsg = RegisterWindowMessageW(L"TnFrameworkTestRegistered");
        return s_nMsg;
    }

    ~CTestDialog() override
    {
        if (m_pDeleted)
            *m_pDeleted = true;
    }

    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (nMsg == kMsgShow || nMsg == RegisteredMessage()) {
            m_ownMessages.push_back(nMsg);
            return 0x5A;
        }
        if (nMsg == kMsgStop) {
            m_ownMessages.push_back(nMsg);
            DestroyWindow();
            return 0;
        }
        return CDialog::WindowProc(nMsg, wParam, lParam);
    }

protected:
    void DoDataExchange() override
    {
        DDX_Control(IDC_FW_LABEL, m_label);
        DDX_Control(IDC_FW_EDIT, m_edit);
        DDX_Control(IDC_FW_LIST, m_list);
        m_bMissingBound = DDX_Control(IDC_FW_MISSING, m_unbound);
    }

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        ++m_nInitCount;
        if (m_bThrowInInit)
            AfxThrowResourceException();
        m_bInitCompleted = true;
        return TRUE;
    }

    void OnOK() override
    {
        ++m_nOK;
        if (!m_bKeepOnOK)
            CDialog::OnOK();
    }

    void OnCancel() override
    {
        ++m_nCancel;
        if (!m_bKeepOnCancel)
            CDialog::OnCancel();
    }

    bool OnCommand(UINT nId, UINT nCode, HWND hControl) override
    {
        // Focus changes of the edit are noise here.
        if (nId != IDC_FW_EDIT)
            m_commands.emplace_back(nId, nCode);
        return CDialog::OnCommand(nId, nCode, hControl);
    }

    bool OnNotify(NMHDR* pHeader, LRESULT* pResult) override
    {
        if (pHeader->idFrom == IDC_FW_LIST && pHeader->code == LVN_ITEMCHANGED) {
            ++m_nItemChanged;
            *pResult = 0;
            return true;
        }
        return CDialog::OnNotify(pHeader, pResult);
    }

    void PostNcDestroy() override
    {
        ++m_nNcDestroyed;
        if (m_bDeleteSelf)
            delete this;
    }
};

class FrameworkTest : public testing::Test {
protected:
    void TearDown() override
    {
        AfxSetResourceHandle(nullptr);
        PumpPending();
    }
};

TEST_F(FrameworkTest, ModelessCreateRunsInitDialogAndBindsTheControls)
{
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_FW_MODELESS, nullptr));
    EXPECT_EQ(dlg.m_nInitCount, 1);
    EXPECT_TRUE(dlg.m_bInitCompleted);
    EXPECT_FALSE(::IsWindowVisible(dlg.m_hWnd)) << "the template has no WS_VISIBLE";

    EXPECT_EQ(CWnd::FromHandlePermanent(dlg.m_hWnd), &dlg);
    EXPECT_EQ(dlg.m_label.m_hWnd, dlg.GetDlgItem(IDC_FW_LABEL));
    EXPECT_EQ(dlg.m_edit.m_hWnd, dlg.GetDlgItem(IDC_FW_EDIT));
    EXPECT_EQ(dlg.m_list.m_hWnd, dlg.GetDlgItem(IDC_FW_LIST));
    EXPECT_EQ(CWnd::FromHandlePermanent(dlg.m_label.m_hWnd), &dlg.m_label);
    EXPECT_FALSE(dlg.m_bMissingBound);
    EXPECT_EQ(dlg.m_unbound.m_hWnd, nullptr);

    // Texts through the object and by id agree with the template and with each other.
    EXPECT_EQ(dlg.m_label.GetWindowText(), L"Label text");
    EXPECT_TRUE(dlg.SetDlgItemText(IDC_FW_EDIT, L"by id"));
    EXPECT_EQ(dlg.m_edit.GetWindowText(), L"by id");
    EXPECT_TRUE(dlg.m_edit.SetWindowText(nullptr));
    EXPECT_EQ(ItemText(dlg.m_hWnd, IDC_FW_EDIT), L"");
    EXPECT_FALSE(dlg.Create(IDD_FW_MODELESS, nullptr)) << "one window per object";

    // The system menu takes the about item as the main window adds it.
    CMenu sysMenu = dlg.GetSystemMenu(false);
    ASSERT_NE(sysMenu.m_hMenu, nullptr);
    const int nItems = ::GetMenuItemCount(sysMenu.m_hMenu);
    EXPECT_TRUE(sysMenu.AppendMenu(MF_SEPARATOR));
    EXPECT_TRUE(sysMenu.AppendMenu(MF_STRING, 16, L"&About..."));
    EXPECT_EQ(::GetMenuItemCount(sysMenu.m_hMenu), nItems + 2);
    wchar_t szItem[32] = {};
    EXPECT_GT(GetMenuStringW(sysMenu.m_hMenu, 16, szItem, 32, MF_BYCOMMAND), 0);
    EXPECT_STREQ(szItem, L"&About...");

    const HWND hLabel = dlg.m_label.m_hWnd;
    EXPECT_TRUE(dlg.DestroyWindow());
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_label.m_hWnd, nullptr) << "controls are unbound with their window";
    EXPECT_EQ(dlg.m_nNcDestroyed, 1);
    EXPECT_EQ(CWnd::FromHandlePermanent(hLabel), nullptr);

    // The same object makes a second window and binds the controls again.
    ASSERT_TRUE(dlg.Create(IDD_FW_MODELESS, nullptr));
    EXPECT_EQ(dlg.m_nInitCount, 2);
    EXPECT_EQ(dlg.m_label.m_hWnd, dlg.GetDlgItem(IDC_FW_LABEL));
}

struct CommandCase {
    const char* pszName;
    std::function<void(CTestDialog&)> send;
    bool bKeep;
    std::pair<UINT, UINT> command;
    int nOK;
    int nCancel;
    bool bAlive;
};

class CommandRoutingTest : public FrameworkTest, public testing::WithParamInterface<CommandCase> {};

void PostKey(CTestDialog& dlg, UINT nKey)
{
    SetFocus(dlg.m_edit.m_hWnd);
    PostMessageW(dlg.m_edit.m_hWnd, WM_KEYDOWN, nKey, 1);
    PostMessageW(dlg.m_edit.m_hWnd, WM_KEYUP, nKey, 0xC0000001);
}

// One case a row, as the table reads best.
// clang-format off
const CommandCase kCommandCases[] = {
    {"ButtonClick", [](CTestDialog& d) { SendMessageW(d.GetDlgItem(IDC_FW_BUTTON), BM_CLICK, 0, 0); }, false,
     {IDC_FW_BUTTON, BN_CLICKED}, 0, 0, true},
    {"LabelClick", [](CTestDialog& d) { d.PostMessage(WM_COMMAND, MAKEWPARAM(IDC_FW_LABEL, STN_CLICKED), 0); },
     false, {IDC_FW_LABEL, STN_CLICKED}, 0, 0, true},
    {"OtherCode", [](CTestDialog& d) { d.PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, EN_CHANGE), 0); }, false,
     {IDOK, EN_CHANGE}, 0, 0, true},
    {"EnterKept", [](CTestDialog& d) { PostKey(d, VK_RETURN); }, true, {IDOK, 0}, 1, 0, true},
    {"EscapeKept", [](CTestDialog& d) { PostKey(d, VK_ESCAPE); }, true, {IDCANCEL, 0}, 0, 1, true},
    {"CloseBoxKept", [](CTestDialog& d) { d.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0); }, true, {IDCANCEL, 0}, 0, 1,
     true},
    {"EnterBase", [](CTestDialog& d) { PostKey(d, VK_RETURN); }, false, {IDOK, 0}, 1, 0, false},
    {"EscapeBase", [](CTestDialog& d) { PostKey(d, VK_ESCAPE); }, false, {IDCANCEL, 0}, 0, 1, false},
};
// clang-format on

TEST_P(CommandRoutingTest, ReachesOnCommandAndTheDialogKeys)
{
    const CommandCase& c = GetParam();
    CTestDialog dlg;
    dlg.m_bKeepOnOK = dlg.m_bKeepOnCancel = c.bKeep;
    // Hidden: the dialog keys need no visible window, and showing one costs seconds here.
    ASSERT_TRUE(dlg.Create(IDD_FW_MODELESS, nullptr));

    c.send(dlg);
    EXPECT_TRUE(PumpUntil([&] { return !dlg.m_commands.empty(); }));
    PumpPending();
    ASSERT_EQ(dlg.m_commands.size(), 1u);
    // The notification code of a key arrives as 0 or as BN_CLICKED, the same value.
    EXPECT_EQ(dlg.m_commands[0], c.command);
    EXPECT_EQ(dlg.m_nOK, c.nOK);
    EXPECT_EQ(dlg.m_nCancel, c.nCancel);
    EXPECT_EQ(dlg.m_hWnd != nullptr, c.bAlive);
}

INSTANTIATE_TEST_SUITE_P(Framework, CommandRoutingTest, testing::ValuesIn(kCommandCases),
                         [](const testing::TestParamInfo<CommandCase>& info) { return info.param.pszName; });

TEST_F(FrameworkTest, WindowProcOverrideSeesItsOwnMessagesAndPassesTheRestOn)
{
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_FW_MODELESS, nullptr));

    struct Case {
        UINT nMsg;
        LRESULT nResult;
        bool bOwn;
    };
    const Case cases[] = {
        {kMsgShow, 0x5A, true},
        {CTestDialog::RegisteredMessage(), 0x5A, true},
        {WM_APP + 1, 0, false},
    };
    for (const Case& c : cases) {
        dlg.m_ownMessages.clear();
        EXPECT_EQ(::SendMessageW(dlg.m_hWnd, c.nMsg, 0, 0), c.nResult) << c.nMsg;
        EXPECT_EQ(dlg.m_ownMessages.size(), c.bOwn ? 1u : 0u) << c.nMsg;
    }

    // Default() is the system's dialog processing: the static's colours and brush, and the
    // window text that WM_GETTEXT reads.
    HDC hDC = GetDC(dlg.m_hWnd);
    EXPECT_NE(
        ::SendMessageW(dlg.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(dlg.m_label.m_hWnd)),
        0);
    ReleaseDC(dlg.m_hWnd, hDC);
    EXPECT_EQ(dlg.GetWindowText(), L"Modeless");

    // Posted, the stop message destroys the window from inside its own handler.
    EXPECT_TRUE(dlg.PostMessage(kMsgStop));
    EXPECT_TRUE(PumpUntil([&] { return dlg.m_hWnd == nullptr; }));
    EXPECT_EQ(dlg.m_nNcDestroyed, 1);
}

TEST_F(FrameworkTest, ListControlRoundTripsColumnsRowsAndSelection)
{
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_FW_MODELESS, nullptr));
    CListCtrl& list = dlg.m_list;

    EXPECT_TRUE(list.ShowScrollBar(SB_VERT, true));
    const DWORD nBefore = list.GetExtendedStyle();
    EXPECT_EQ(list.SetExtendedStyle(nBefore | LVS_EX_FULLROWSELECT), nBefore);
    EXPECT_EQ(list.GetExtendedStyle(), nBefore | LVS_EX_FULLROWSELECT);

    RECT rcClient = {};
    ASSERT_TRUE(list.GetClientRect(&rcClient));
    EXPECT_EQ(list.InsertColumn(0, L"Caller", LVCFMT_LEFT, 115), 0);
    EXPECT_EQ(list.InsertColumn(1, L"Date", LVCFMT_LEFT, rcClient.right - 132), 1);
    EXPECT_EQ(ListView_GetColumnWidth(list.m_hWnd, 0), 115);

    const std::wstring strLong(700, L'x');
    const std::wstring rows[][2] = {{L"+123", L"Mon 10:00"}, {L"Anna", L""}, {strLong, L"\x00e9t\x00e9"}};
    for (const auto& row : rows) {
        const int nItem = list.InsertItem(list.GetItemCount(), row[0].c_str());
        ASSERT_GE(nItem, 0);
        EXPECT_TRUE(list.SetItemText(nItem, 1, row[1].c_str()));
    }
    ASSERT_EQ(list.GetItemCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(RowText(list.m_hWnd, i, 0), rows[i][0]) << i;
        EXPECT_EQ(RowText(list.m_hWnd, i, 1), rows[i][1]) << i;
    }

    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
    dlg.m_nItemChanged = 0;
    EXPECT_TRUE(list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_GT(dlg.m_nItemChanged, 0) << "LVN_ITEMCHANGED reaches the dialog's OnNotify";
    EXPECT_TRUE(list.SetItemState(2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2) << "single selection";
    EXPECT_TRUE(list.EnsureVisible(2, false));

}

TEST_F(FrameworkTest, ToolTipKeepsOneCurrentTextPerControl)
{
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_FW_MODELESS, nullptr));
    CToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(&dlg));
    EXPECT_FALSE(tip.Create(&dlg));

    EXPECT_TRUE(tip.AddTool(dlg.m_label.m_hWnd, L"first"));
    EXPECT_TRUE(tip.AddTool(dlg.m_label.m_hWnd, L"second"));
    EXPECT_TRUE(tip.AddTool(dlg.m_edit.m_hWnd, static_cast<UINT>(IDS_FW_TOOLTIP)));
    EXPECT_EQ(::SendMessageW(tip.m_hWnd, TTM_GETTOOLCOUNT, 0, 0), 2);
    EXPECT_EQ(TipText(tip.m_hWnd, dlg.m_label.m_hWnd), L"second");
    EXPECT_EQ(TipText(tip.m_hWnd, dlg.m_edit.m_hWnd), L"Tip from the table");
    EXPECT_TRUE(tip.AddTool(dlg.m_edit.m_hWnd, static_cast<UINT>(IDS_FW_TOOLTIP + 1)));
    EXPECT_EQ(TipText(tip.m_hWnd, dlg.m_edit.m_hWnd), L"") << "an absent string clears the tip";
    EXPECT_FALSE(tip.AddTool(nullptr, L"none"));

    // Owned by the dialog, the control goes with it and its object lets go.
    dlg.DestroyWindow();
    EXPECT_EQ(tip.m_hWnd, nullptr);
}

TEST_F(FrameworkTest, MenusLoadFromTheResourceModuleAndAMissingOneRaisesNothingByItself)
{
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDM_FW_TRAY));
    EXPECT_FALSE(menu.LoadMenu(IDM_FW_TRAY)) << "one menu per object";
    CMenu popup = menu.GetSubMenu(0);
    ASSERT_NE(popup.m_hMenu, nullptr);
    EXPECT_EQ(::GetMenuItemCount(popup.m_hMenu), 3);
    EXPECT_EQ(GetMenuItemID(popup.m_hMenu, 2), 32773u);
    EXPECT_EQ(menu.GetSubMenu(1).m_hMenu, nullptr);

    // Borrowed sub-menus are not destroyed with their object; the owner's is.
    const HMENU hPopup = popup.m_hMenu;
    {
        CMenu borrowed = menu.GetSubMenu(0);
    }
    EXPECT_TRUE(IsMenu(hPopup));
    const HMENU hMenu = menu.m_hMenu;
    EXPECT_TRUE(menu.DestroyMenu());
    EXPECT_FALSE(IsMenu(hMenu));

    CMenu missing;
    EXPECT_FALSE(missing.LoadMenu(IDM_FW_MISSING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(missing.m_hMenu, nullptr);

    EXPECT_THROW(AfxThrowResourceException(), CResourceException);
    try {
        AfxThrowResourceException();
    } catch (const CException& e) {
        wchar_t szText[8] = {L'?'};
        EXPECT_TRUE(e.GetErrorMessage(szText, 8));
        EXPECT_EQ(wcslen(szText), 7u) << "cut to the buffer";
    }
}

TEST_F(FrameworkTest, AnExceptionOutOfOnInitDialogStopsTheInitialisationOnly)
{
    CTestDialog dlg;
    dlg.m_bThrowInInit = true;
    ASSERT_TRUE(dlg.Create(IDD_FW_MODELESS, nullptr));
    EXPECT_EQ(dlg.m_nInitCount, 1);
    EXPECT_FALSE(dlg.m_bInitCompleted);
    EXPECT_NE(dlg.m_label.m_hWnd, nullptr) << "what ran before the exception stays";
    EXPECT_EQ(::SendMessageW(dlg.m_hWnd, kMsgShow, 0, 0), 0x5A) << "the window goes on working";
}

struct ModuleCase {
    const char* pszName;
    const wchar_t* pszModule;  // null: the test's own executable
    bool bFound;
};

class ResourceModuleTest : public FrameworkTest, public testing::WithParamInterface<ModuleCase> {};

const ModuleCase kModuleCases[] = {
    {"OwnModule", nullptr, true},
    {"ModuleWithoutTheTemplates", L"kernel32.dll", false},
};

TEST_P(ResourceModuleTest, TemplatesAndMenusComeFromTheCurrentResourceModule)
{
    const ModuleCase& c = GetParam();
    HMODULE hModule = GetModuleHandleW(c.pszModule);
    ASSERT_NE(hModule, nullptr);
    AfxSetResourceHandle(hModule);

    CTestDialog dlg;
    EXPECT_EQ(dlg.Create(IDD_FW_MODELESS, nullptr), c.bFound);
    EXPECT_EQ(dlg.m_hWnd != nullptr, c.bFound);
    EXPECT_EQ(dlg.m_nInitCount, c.bFound ? 1 : 0);
    EXPECT_EQ(dlg.m_label.m_hWnd != nullptr, c.bFound);

    CMenu menu;
    EXPECT_EQ(menu.LoadMenu(IDM_FW_TRAY), c.bFound);

    CDialog missing(IDD_FW_MISSING);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_EQ(missing.m_hWnd, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Framework, ResourceModuleTest, testing::ValuesIn(kModuleCases),
                         [](const testing::TestParamInfo<ModuleCase>& info) { return info.param.pszName; });

struct ClassCase {
    const char* pszName;
    bool bRegister;
    bool bNullModule;  // registered with a null module handle, as the program does without a language library
};

class DialogClassTest : public FrameworkTest, public testing::WithParamInterface<ClassCase> {};

const ClassCase kClassCases[] = {
    {"NotRegistered", false, false},
    {"OwnModule", true, false},
    {"NullModule", true, true},
};

TEST_P(DialogClassTest, TemplateNamingACopyOfTheSystemDialogClass)
{
    const ClassCase& c = GetParam();
    HINSTANCE hClassModule = c.bNullModule ? nullptr : AfxGetInstanceHandle();
    if (c.bRegister) {
        WNDCLASSW wc = {};
        ASSERT_TRUE(GetClassInfoW(nullptr, L"#32770", &wc));
        wc.lpszClassName = kDialogClass;
        wc.hInstance = hClassModule;
        ASSERT_NE(RegisterClassW(&wc), 0) << GetLastError();
    }

    CTestDialog dlg;
    const bool bCreated = dlg.Create(IDD_FW_CLASS, nullptr);
    EXPECT_EQ(bCreated, c.bRegister);
    if (bCreated) {
        wchar_t szClass[64] = {};
        GetClassNameW(dlg.m_hWnd, szClass, 64);
        EXPECT_STREQ(szClass, kDialogClass);
        EXPECT_EQ(FindWindowW(kDialogClass, nullptr), dlg.m_hWnd) << "another start finds it by its class";
        EXPECT_EQ(dlg.m_label.GetWindowText(), L"Classed");
        EXPECT_EQ(::SendMessageW(dlg.m_hWnd, kMsgShow, 0, 0), 0x5A);
        // The copy behaves as a dialog: the close request arrives as IDCANCEL.
        dlg.m_bKeepOnCancel = true;
        ::SendMessageW(dlg.m_hWnd, WM_CLOSE, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return dlg.m_nCancel == 1; }));
        EXPECT_TRUE(dlg.DestroyWindow());
    } else {
        EXPECT_EQ(dlg.m_nInitCount, 0);
    }
    if (c.bRegister) {
        EXPECT_TRUE(UnregisterClassW(kDialogClass, hClassModule)) << GetLastError();
    }
}

INSTANTIATE_TEST_SUITE_P(Framework, DialogClassTest, testing::ValuesIn(kClassCases),
                         [](const testing::TestParamInfo<ClassCase>& info) { return info.param.pszName; });

// A modal dialog that posts itself a command from a timer, as a click would arrive.
class CTimedDialog : public CDialog {
public:
    static constexpr UINT_PTR kCommandTimer = 1;
    static constexpr UINT_PTR kSafetyTimer = 2;
    static constexpr UINT kCustomId = 1234;

    explicit CTimedDialog(UINT nCommand) : CDialog(IDD_FW_MODAL), m_nCommand(nCommand) {}

    UINT m_nCommand;
    HWND m_hOwnerSeen = nullptr;
    bool m_bOwnerEnabled = true;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        SetTimer(kCommandTimer, 30);
        SetTimer(kSafetyTimer, kWaitMs);
        return TRUE;
    }

    void OnTimer(UINT_PTR nIdEvent) override
    {
        KillTimer(nIdEvent);
        if (nIdEvent == kSafetyTimer) {
            EndDialog(-2);
            return;
        }
        m_hOwnerSeen = GetWindow(m_hWnd, GW_OWNER);
        m_bOwnerEnabled = m_hOwnerSeen && IsWindowEnabled(m_hOwnerSeen);
        PostMessage(WM_COMMAND, MAKEWPARAM(m_nCommand, BN_CLICKED), 0);
    }

    bool OnCommand(UINT nId, UINT nCode, HWND hControl) override
    {
        if (nId == kCustomId) {
            EndDialog(77);
            return true;
        }
        return CDialog::OnCommand(nId, nCode, hControl);
    }
};

TEST_F(FrameworkTest, DoModalReturnsTheValueGivenToEndDialog)
{
    CWinApp app(L"Modal Test");
    ASSERT_EQ(AfxGetApp(), &app);
    CTestDialog mainWnd;
    ASSERT_TRUE(mainWnd.Create(IDD_FW_MODELESS, nullptr));
    app.m_pMainWnd = &mainWnd;

    const std::pair<UINT, INT_PTR> cases[] = {{IDOK, IDOK}, {IDCANCEL, IDCANCEL}, {CTimedDialog::kCustomId, 77}};
    for (const auto& [nCommand, nExpected] : cases) {
        CTimedDialog dlg(nCommand);
        EXPECT_EQ(dlg.DoModal(), nExpected) << nCommand;
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_EQ(dlg.m_hOwnerSeen, mainWnd.m_hWnd) << "without a parent the main window owns it";
        EXPECT_FALSE(dlg.m_bOwnerEnabled) << "and is disabled while it runs";
        EXPECT_TRUE(IsWindowEnabled(mainWnd.m_hWnd));
    }
    app.m_pMainWnd = nullptr;
}

// The application object of the loop tests.
class CTestApp : public CWinApp {
public:
    bool m_bInitResult = true;
    bool m_bMakeMainWindow = true;
    bool m_bStopFromInit = true;
    bool* m_pMainDeleted = nullptr;
    std::wstring m_strCmdLineSeen;
    int m_nExitCalls = 0;
    CTestApp() : CWinApp(L"Loop Test") {}

    bool InitInstance() override
    {
        CWinApp::InitInstance();
        m_strCmdLineSeen = m_lpCmdLine;
        if (!m_bInitResult)
            return false;
        if (m_bMakeMainWindow) {
            auto* pMain = new CTestDialog;
            pMain->m_bDeleteSelf = true;
            pMain->m_pDeleted = m_pMainDeleted;
            if (!pMain->Create(IDD_FW_MODELESS, nullptr)) {
                delete pMain;
                return false;
            }
            m_pMainWnd = pMain;
            // As a "/STOP" start asks a running instance to end.
            if (m_bStopFromInit)
                pMain->PostMessage(kMsgStop);
        }
        return true;
    }

    int ExitInstance() override
    {
        ++m_nExitCalls;
        return CWinApp::ExitInstance() + 40;
    }
};

void CALLBACK EndRunawayLoop(HWND, UINT, UINT_PTR, DWORD)
{
    PostQuitMessage(99);
}

TEST_F(FrameworkTest, RunEndsWhenTheMainWindowIsDestroyedAndReturnsExitInstance)
{
    struct Case {
        const char* pszName;
        bool bInit;
        bool bMain;
        int nExpected;
    };
    const Case cases[] = {
        {"main window destroyed", true, true, 40},
        {"InitInstance false", false, false, 40},
        {"no main window", true, false, 40},
    };
    for (const Case& c : cases) {
        bool bMainDeleted = false;
        CTestApp app;
        ASSERT_EQ(AfxGetApp(), &app);
        app.m_bInitResult = c.bInit;
        app.m_bMakeMainWindow = c.bMain;
        app.m_pMainDeleted = &bMainDeleted;
        // A loop that never ends fails the case with 99 + 40 instead of hanging the run.
        const UINT_PTR nWatchdog = SetTimer(nullptr, 0, kWaitMs, &EndRunawayLoop);
        EXPECT_EQ(AfxWinMain(L"/log /x"), c.nExpected) << c.pszName;
        KillTimer(nullptr, nWatchdog);
        EXPECT_EQ(app.m_strCmdLineSeen, L"/log /x") << c.pszName;
        EXPECT_EQ(app.m_nExitCalls, 1) << c.pszName;
        EXPECT_EQ(app.m_pMainWnd, nullptr) << c.pszName;
        EXPECT_EQ(bMainDeleted, c.bMain) << c.pszName << ": PostNcDestroy deleted the main window";
    }
}

TEST_F(FrameworkTest, ExitInstanceBaseReturnsTheQuitCode)
{
    CWinApp app;
    app.m_pMainWnd = nullptr;
    PostQuitMessage(7);
    EXPECT_EQ(app.CWinThread::Run(), 7);
}

// A worker with its own queue, as the updater's.
class CTestThread : public CWinThread {
public:
    static constexpr UINT kMsgStart = WM_USER + 1;

    bool m_bInitResult = true;
    HANDLE m_hStarted = nullptr;
    DWORD* m_pHandlerThread = nullptr;
    bool* m_pDeleted = nullptr;

    ~CTestThread() override { *m_pDeleted = true; }

    bool InitInstance() override { return m_bInitResult; }

    bool OnThreadMessage(const MSG& msg) override
    {
        if (msg.message != kMsgStart)
            return false;
        *m_pHandlerThread = GetCurrentThreadId();
        SetEvent(m_hStarted);
        return true;
    }

    int ExitInstance() override { return CWinThread::ExitInstance() + (m_bInitResult ? 7 : 9); }
};

TEST_F(FrameworkTest, WorkerThreadRunsItsLoopUntilQuitAndDeletesItself)
{
    for (const bool bInit : {true, false}) {
        HANDLE hStarted = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        ASSERT_NE(hStarted, nullptr);
        DWORD nHandlerThread = 0;
        bool bDeleted = false;
        auto* pThread = new CTestThread;
        pThread->m_bInitResult = bInit;
        pThread->m_hStarted = hStarted;
        pThread->m_pHandlerThread = &nHandlerThread;
        pThread->m_pDeleted = &bDeleted;

        HANDLE hThread = nullptr;
        if (bInit) {
            ASSERT_TRUE(pThread->CreateThread(&hThread));
            ASSERT_NE(hThread, nullptr);
            const DWORD nThreadId = pThread->m_nThreadID;
            EXPECT_NE(nThreadId, 0u);
            // The queue exists as soon as CreateThread returns.
            EXPECT_TRUE(PostThreadMessageW(nThreadId, CTestThread::kMsgStart, 0, 0));
            EXPECT_EQ(WaitForSingleObject(hStarted, kWaitMs), WAIT_OBJECT_0);
            EXPECT_EQ(nHandlerThread, nThreadId) << "handled on the worker";
            EXPECT_TRUE(PostThreadMessageW(nThreadId, WM_QUIT, 3, 0));
        } else {
            // A thread that ends at once may be gone before CreateThread returns, so this
            // one is kept to be looked at.
            pThread->m_bAutoDelete = false;
            ASSERT_TRUE(pThread->CreateThread(&hThread));
            ASSERT_NE(hThread, nullptr);
        }
        ASSERT_EQ(WaitForSingleObject(hThread, kWaitMs), WAIT_OBJECT_0);
        DWORD nExitCode = 0;
        EXPECT_TRUE(GetExitCodeThread(hThread, &nExitCode));
        EXPECT_EQ(nExitCode, bInit ? 3u + 7u : 9u) << "ExitInstance on the quit code";
        if (!bInit) {
            EXPECT_FALSE(bDeleted);
            delete pThread;
        }
        EXPECT_TRUE(bDeleted);
        CloseHandle(hThread);
        CloseHandle(hStarted);
    }
}

// Closes the first message box of this thread and notes what it showed.
struct BoxSeen {
    std::wstring strCaption;
    std::wstring strText;
    bool bOwnerIsMain = false;
};
BoxSeen s_boxSeen;
HWND s_hExpectedOwner = nullptr;

BOOL CALLBACK CloseBox(HWND hWnd, LPARAM)
{
    wchar_t szClass[16] = {};
    GetClassNameW(hWnd, szClass, 16);
    if (lstrcmpW(szClass, L"#32770") != 0 || !IsWindowVisible(hWnd))
        return TRUE;
    wchar_t szText[128] = {};
    GetWindowTextW(hWnd, szText, 128);
    s_boxSeen.strCaption = szText;
    szText[0] = L'\0';
    GetDlgItemTextW(hWnd, 0xFFFF, szText, 128);
    s_boxSeen.strText = szText;
    s_boxSeen.bOwnerIsMain = GetWindow(hWnd, GW_OWNER) == s_hExpectedOwner;
    PostMessageW(hWnd, WM_COMMAND, IDOK, 0);
    return FALSE;
}

void CALLBACK CloseBoxTimer(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), &CloseBox, 0);
}

TEST_F(FrameworkTest, MessageBoxesCarryTheApplicationName)
{
    struct Case {
        const char* pszName;
        bool bApp;
        bool bById;
        const wchar_t* pszCaption;
        const wchar_t* pszText;
    };
    const Case cases[] = {
        {"app name, string id", true, true, L"Box Test", L"Prompt from the table."},
        {"no app: title string", false, false, L"Framework Test App", L"Direct text."},
    };
    for (const Case& c : cases) {
        s_boxSeen = BoxSeen();
        std::unique_ptr<CWinApp> pApp(c.bApp ? new CWinApp(L"Box Test") : nullptr);
        CTestDialog mainWnd;
        s_hExpectedOwner = nullptr;
        if (pApp) {
            ASSERT_TRUE(mainWnd.Create(IDD_FW_MODELESS, nullptr));
            pApp->m_pMainWnd = &mainWnd;
            s_hExpectedOwner = mainWnd.m_hWnd;
        }
        const UINT_PTR nTimer = SetTimer(nullptr, 0, 50, &CloseBoxTimer);
        const int nResult = c.bById ? AfxMessageBox(static_cast<UINT>(IDS_FW_PROMPT)) : AfxMessageBox(L"Direct text.");
        KillTimer(nullptr, nTimer);
        EXPECT_EQ(nResult, IDOK) << c.pszName;
        EXPECT_EQ(s_boxSeen.strCaption, c.pszCaption) << c.pszName;
        EXPECT_EQ(s_boxSeen.strText, c.pszText) << c.pszName;
        EXPECT_TRUE(s_boxSeen.bOwnerIsMain) << c.pszName;
        if (pApp)
            pApp->m_pMainWnd = nullptr;
    }
}

const wchar_t kScratchKey[] = L"Software\\TnFrameworkTest";
const wchar_t kSiblingKey[] = L"Software\\TnFrameworkTestSibling";

bool KeyExists(const wchar_t* pszPath)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, pszPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

void MakeKey(const std::wstring& strPath, const wchar_t* pszValue)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, strPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    if (pszValue) {
        const DWORD nBytes = static_cast<DWORD>((wcslen(pszValue) + 1) * sizeof(wchar_t));
        EXPECT_EQ(RegSetValueExW(hKey, L"Value", 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue), nBytes),
                  ERROR_SUCCESS);
    }
    RegCloseKey(hKey);
}

TEST_F(FrameworkTest, DelRegTreeDeletesDepthFirstAndReportsTheRegistryCode)
{
    const std::wstring strRoot = kScratchKey;
    MakeKey(strRoot + L"\\A\\B\\C", L"deep");
    MakeKey(strRoot + L"\\A\\B2", nullptr);
    MakeKey(strRoot + L"\\D", L"flat");
    MakeKey(strRoot, L"top");
    MakeKey(kSiblingKey, nullptr);

    struct Case {
        const wchar_t* pszName;
        LONG nExpected;
    };
    const Case cases[] = {
        {kScratchKey, ERROR_SUCCESS},
        {kScratchKey, ERROR_FILE_NOT_FOUND},
        {L"", ERROR_INVALID_PARAMETER},
        {nullptr, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CWinApp::DelRegTree(HKEY_CURRENT_USER, c.pszName), c.nExpected);
    EXPECT_FALSE(KeyExists(kScratchKey));
    EXPECT_TRUE(KeyExists(kSiblingKey)) << "a key that only shares the name's start stays";
    EXPECT_TRUE(KeyExists(L"Software"));
    RegDeleteTreeW(HKEY_CURRENT_USER, kSiblingKey);
}

}  // namespace
