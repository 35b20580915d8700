// The program's resources as the windows use them, read from TessaroNotifier.exe and the test
// language library Xx.dll: the dialog templates (walked item by item, and created hidden),
// the icons and their image sizes, the tray images, the alert image strip, the tray menu
// and the manifest.
//
// For a look at the windows: run this binary with "--child ShowDialogs" in the sandbox; it
// shows the three dialogs, creates shot.ready beside itself and waits for shot.done.
#include <windows.h>

#include <commctrl.h>

#include <gmock/gmock.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "resources/StringIds.h"
#include "resources/resource.h"
#include "tests/windows/support/ChildScenario.h"

namespace {

const wchar_t kMainClass[] = L"CLASS_NAME_E9EA2470-3110-4a26-A0F4-261D9E43750A";

std::wstring OwnDir()  // with its trailing backslash
{
    wchar_t sz[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, sz, MAX_PATH);
    std::wstring path(sz, n);
    return path.substr(0, path.rfind(L'\\') + 1);
}

std::wstring ProgramPath()
{
    return OwnDir() + L"..\\..\\TessaroNotifier.exe";
}

HMODULE LoadResources(const std::wstring& path)
{
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

// Loaded once for the whole run; the process ends with them.
HMODULE Program()
{
    static const HMODULE s_h = LoadResources(ProgramPath());
    return s_h;
}
HMODULE Library()
{
    static const HMODULE s_h = LoadResources(OwnDir() + L"Xx.dll");
    return s_h;
}

// A string of the language library, empty when it is missing.
std::wstring LibraryString(UINT nId)
{
    const wchar_t* pszText = nullptr;
    const int nChars = LoadStringW(Library(), nId, reinterpret_cast<LPWSTR>(&pszText), 0);
    return nChars > 0 ? std::wstring(pszText, static_cast<size_t>(nChars)) : std::wstring();
}

// Raw bytes of a resource, empty when it is missing.
struct Bytes {
    const uint8_t* p = nullptr;
    size_t n = 0;
};
Bytes ResourceBytes(HMODULE hModule, LPCWSTR type, LPCWSTR name)
{
    Bytes bytes;
    HRSRC hInfo = hModule ? FindResourceW(hModule, name, type) : nullptr;
    HGLOBAL hData = hInfo ? LoadResource(hModule, hInfo) : nullptr;
    if (hData) {
        bytes.p = static_cast<const uint8_t*>(LockResource(hData));
        bytes.n = bytes.p ? SizeofResource(hModule, hInfo) : 0;
    }
    return bytes;
}

// ---------------------------------------------------------------------------------------
// Dialog templates (the extended format), read with every step bounded by the resource size.

struct DialogItem {
    int nId = 0;
    DWORD nStyle = 0, nExStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring strClass;  // predefined classes by name
    std::wstring strText;   // an ordinal as "#n"
};

struct DialogTemplate {
    bool bValid = false;
    DWORD nStyle = 0, nExStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring strMenu, strClass, strCaption, strFace;
    WORD nPointSize = 0;
    std::vector<DialogItem> items;
};

class Reader {
public:
    Reader(Bytes bytes) : m_bytes(bytes) {}
    bool Ok() const { return m_bOk; }
    template <typename T>
    T Get()
    {
        T value{};
        if (m_nAt + sizeof(T) > m_bytes.n) {
            m_bOk = false;
            return value;
        }
        memcpy(&value, m_bytes.p + m_nAt, sizeof(T));
        m_nAt += sizeof(T);
        return value;
    }
    std::wstring String()
    {
        std::wstring s;
        for (wchar_t c = Get<wchar_t>(); m_bOk && c; c = Get<wchar_t>())
            s += c;
        return s;
    }
    // A name or ordinal field: nothing, 0xFFFF and a number, or a string.
    std::wstring NameOrOrdinal()
    {
        const WORD w = Get<WORD>();
        if (w == 0)
            return L"";
        if (w == 0xFFFF)
            return L"#" + std::to_wstring(Get<WORD>());
        m_nAt -= sizeof(WORD);
        return String();
    }
    void Align(size_t n) { m_nAt = (m_nAt + n - 1) / n * n; }
    void Skip(size_t n) { m_nAt += n; }

private:
    Bytes m_bytes;
    size_t m_nAt = 0;
    bool m_bOk = true;
};

std::wstring PredefinedClass(const std::wstring& strClass)
{
    static const wchar_t* const s_names[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar", L"ComboBox"};
    for (int i = 0; i < 6; ++i)
        if (strClass == L"#" + std::to_wstring(0x80 + i))
            return s_names[i];
    return strClass;
}

DialogTemplate ReadDialog(HMODULE hModule, int nId)
{
    DialogTemplate t;
    Reader r(ResourceBytes(hModule, RT_DIALOG, MAKEINTRESOURCEW(nId)));
    if (r.Get<WORD>() != 1 || r.Get<WORD>() != 0xFFFF)
        return t;
    r.Get<DWORD>();  // help id
    t.nExStyle = r.Get<DWORD>();
    t.nStyle = r.Get<DWORD>();
    const WORD nItems = r.Get<WORD>();
    t.x = r.Get<short>(), t.y = r.Get<short>(), t.cx = r.Get<short>(), t.cy = r.Get<short>();
    t.strMenu = r.NameOrOrdinal();
    t.strClass = r.NameOrOrdinal();
    t.strCaption = r.String();
    if (t.nStyle & DS_SETFONT) {
        t.nPointSize = r.Get<WORD>();
        r.Get<WORD>();  // weight
        r.Get<BYTE>();  // italic
        r.Get<BYTE>();  // character set
        t.strFace = r.String();
    }
    for (WORD i = 0; i < nItems && r.Ok(); ++i) {
        r.Align(4);
        DialogItem item;
        r.Get<DWORD>();  // help id
        item.nExStyle = r.Get<DWORD>();
        item.nStyle = r.Get<DWORD>();
        item.x = r.Get<short>(), item.y = r.Get<short>(), item.cx = r.Get<short>(), item.cy = r.Get<short>();
        item.nId = static_cast<int>(r.Get<DWORD>());
        item.strClass = PredefinedClass(r.NameOrOrdinal());
        item.strText = r.NameOrOrdinal();
        r.Skip(r.Get<WORD>());  // creation data
        t.items.push_back(item);
    }
    t.bValid = r.Ok();
    return t;
}

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

// ---------------------------------------------------------------------------------------
// What the templates must hold.

// Style bits checked on every item; each row gives their exact value.
constexpr DWORD kStaticBits =
    SS_TYPEMASK | SS_NOTIFY | SS_REALSIZEIMAGE | SS_CENTERIMAGE | SS_NOPREFIX | WS_VISIBLE | WS_BORDER;
constexpr DWORD kEditBits = ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER | WS_VISIBLE;
constexpr DWORD kListBits = LVS_TYPEMASK | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_VISIBLE;
constexpr DWORD kOtherBits = BS_TYPEMASK | WS_BORDER | WS_VISIBLE;

constexpr DWORD kLabel = SS_LEFT | WS_VISIBLE;
constexpr DWORD kRight = SS_RIGHT | WS_VISIBLE;
constexpr DWORD kCentred = SS_CENTER | WS_VISIBLE;
constexpr DWORD kIcon = SS_ICON | WS_VISIBLE;

struct ExpectedItem {
    int nId;
    const wchar_t* pszClass;
    DWORD nBits;  // which style bits to compare
    DWORD nStyle;
    short x, y, cx, cy;
    const wchar_t* pszText;  // template text of the program; "#n" an icon id
};

const ExpectedItem kMainItems[] = {
    {IDC_SMS_TITLE, L"Static", kStaticBits, kLabel | SS_NOTIFY, 7, 7, 79, 8, L"SMS Messages"},
    {IDC_SMS_COUNTER, L"Static", kStaticBits, kRight, 75, 7, 98, 8, L"-"},
    {IDC_SMS_PREV, L"Static", kStaticBits, kIcon | SS_NOTIFY | SS_REALSIZEIMAGE, 176, 8, 20, 20, L"#137"},
    {IDC_SMS_NEXT, L"Static", kStaticBits, kIcon | SS_NOTIFY | SS_REALSIZEIMAGE, 186, 8, 20, 20, L"#138"},
    {IDC_SMS_ICON, L"Static", kStaticBits, kIcon | SS_NOTIFY, 7, 20, 20, 20, L"#139"},
    {IDC_SMS_SENDER, L"Static", kStaticBits, kLabel | SS_NOTIFY, 34, 19, 85, 8, L"-"},
    {IDC_SMS_TIME, L"Static", kStaticBits, kRight | SS_NOTIFY, 110, 19, 91, 8, L"-"},
    {IDC_SMS_TEXT, L"Edit", kEditBits, ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER | WS_VISIBLE, 33, 30, 168,
     47, L""},
    {IDC_CALLS_TITLE, L"Static", kStaticBits, kLabel | SS_NOTIFY, 7, 85, 86, 8, L"Missed Calls"},
    {IDC_CALLS_COUNTER, L"Static", kStaticBits, kRight, 104, 85, 96, 8, L""},
    {IDC_CALLS_ICON, L"Static", kStaticBits, kIcon | SS_NOTIFY, 7, 99, 20, 20, L"#140"},
    {IDC_CALLS_LIST, L"SysListView32", kListBits,
     LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_VISIBLE, 33, 96, 168, 51, L""},
    {IDC_STATUS_TITLE, L"Static", kStaticBits, kLabel | SS_NOTIFY, 7, 155, 100, 8, L"Device Status"},
    {IDC_SIGNAL_ICON, L"Static", kStaticBits, kIcon | SS_NOTIFY | SS_REALSIZEIMAGE, 180, 157, 20, 20, L"#133"},
    {IDC_STATUS_LINE, L"Static", kStaticBits, kLabel, 7, 169, 169, 8, L"-"},
    {IDC_NO_CONNECTION, L"Static", kStaticBits, kCentred, 7, 169, 194, 8, L"No connection to the router"},
    {IDC_USERS, L"Static", kStaticBits, kLabel, 7, 180, 100, 8, L"-"},
    {IDC_TECHNOLOGY, L"Static", kStaticBits, kRight, 153, 180, 48, 8, L"-"},
    {IDC_UPDATE_TITLE, L"Static", kStaticBits, kLabel | SS_NOTIFY, 7, 193, 61, 8, L"Upgrade"},
    {IDC_UPDATE_LINK, L"SysLink", kOtherBits, WS_VISIBLE, 7, 205, 196, 17, L"-"},
};

const ExpectedItem kAboutItems[] = {
    {IDC_STATIC, L"Static", kStaticBits, kIcon, 14, 14, 20, 20, L"#128"},
    {IDC_ABOUT_NAME, L"Static", kStaticBits, kLabel | SS_NOPREFIX, 48, 11, 166, 8, L"-"},
    {IDC_ABOUT_VERSION, L"Static", kStaticBits, kLabel, 48, 23, 166, 8, L"-"},
    {IDC_ABOUT_COPYRIGHT, L"Static", kStaticBits, kLabel, 48, 35, 166, 16, L"  "},
    {IDOK, L"Button", kOtherBits, BS_DEFPUSHBUTTON | WS_VISIBLE, 164, 51, 50, 14, L"OK"},
};

const ExpectedItem kUpdaterItems[] = {
    {IDOK, L"Button", kOtherBits, BS_DEFPUSHBUTTON | WS_VISIBLE, 168, 64, 50, 14, L"OK"},
    {IDCANCEL, L"Button", kOtherBits, BS_PUSHBUTTON | WS_VISIBLE, 220, 64, 50, 14, L"Cancel"},
    {IDC_STATIC, L"Button", kOtherBits, BS_GROUPBOX | WS_VISIBLE, 7, 3, 263, 58, L""},
    {IDC_UPDATER_DOWNLOADING, L"Static", kStaticBits, kLabel, 11, 11, 142, 8, L" "},
    {IDC_UPDATER_FILE_NAME, L"Static", kStaticBits, kLabel, 158, 11, 106, 8, L"-"},
    {IDC_UPDATER_TRANSFER_LABEL, L"Static", kStaticBits, SS_LEFT, 11, 11, 107, 8, L" "},
    {IDC_UPDATER_SIZE_LABEL, L"Static", kStaticBits, kLabel, 11, 23, 142, 8, L" "},
    {IDC_UPDATER_SIZE, L"Static", kStaticBits, kLabel, 158, 23, 105, 8, L"-"},
    {IDC_UPDATER_STATUS, L"Static", kStaticBits, kCentred, 11, 32, 256, 8, L" "},
    {IDC_UPDATER_PROGRESS, L"msctls_progress32", kOtherBits, WS_BORDER, 11, 42, 256, 14, L""},
    {IDC_UPDATER_PROMPT, L"Static", kStaticBits, kLabel, 11, 42, 256, 8, L" "},
};

struct DialogCase {
    const char* pszName;
    int nId;
    DWORD nStyle;  // exact window style
    DWORD nExStyle;
    short cx, cy;
    const wchar_t* pszClass;
    const wchar_t* pszCaption;
    const ExpectedItem* pItems;
    size_t nItems;
};

const DialogCase kDialogs[] = {
    {"Main", IDD_MAIN, DS_SHELLFONT | WS_POPUP | WS_BORDER | WS_SYSMENU, WS_EX_TOOLWINDOW, 208, 225, kMainClass, L"",
     kMainItems, std::size(kMainItems)},
    {"About", IDD_ABOUTBOX, DS_SHELLFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 221, 72, L"",
     L"About %s", kAboutItems, std::size(kAboutItems)},
    {"Updater", IDD_UPDATER, DS_SHELLFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 277, 85,
     L"", L"Live Update", kUpdaterItems, std::size(kUpdaterItems)},
};

std::ostream& operator<<(std::ostream& os, const DialogCase& c)
{
    return os << c.pszName;
}

// ---------------------------------------------------------------------------------------

class DialogTemplateTest : public testing::TestWithParam<DialogCase> {};

TEST_P(DialogTemplateTest, ProgramTemplateHasThePlacesKindsAndStylesOfItsControls)
{
    const DialogCase& c = GetParam();
    const DialogTemplate t = ReadDialog(Program(), c.nId);
    ASSERT_TRUE(t.bValid) << "template " << c.nId << " missing or cut short";
    EXPECT_EQ(t.nStyle, c.nStyle) << std::hex << t.nStyle;
    EXPECT_EQ(t.nExStyle, static_cast<DWORD>(c.nExStyle));
    EXPECT_FALSE(t.nStyle & WS_VISIBLE);
    EXPECT_EQ(t.cx, c.cx);
    EXPECT_EQ(t.cy, c.cy);
    EXPECT_EQ(t.nPointSize, 8);
    EXPECT_EQ(t.strFace, L"MS Shell Dlg");
    EXPECT_EQ(t.strMenu, L"");
    // The resource compiler stores class names in capitals; window classes match without case.
    EXPECT_TRUE(SameText(t.strClass, c.pszClass)) << t.strClass;
    EXPECT_EQ(t.strCaption, c.pszCaption);

    ASSERT_EQ(t.items.size(), c.nItems);
    for (size_t i = 0; i < c.nItems; ++i) {
        const ExpectedItem& e = c.pItems[i];
        const DialogItem& item = t.items[i];
        SCOPED_TRACE(testing::Message() << "item " << i << ", id " << e.nId);
        EXPECT_EQ(item.nId, e.nId);
        EXPECT_TRUE(SameText(item.strClass, e.pszClass)) << item.strClass;
        EXPECT_EQ(item.nStyle & e.nBits, e.nStyle) << std::hex << item.nStyle;
        EXPECT_TRUE(item.nStyle & WS_CHILD);
        EXPECT_EQ(item.nExStyle, 0u);
        EXPECT_EQ(item.x, e.x);
        EXPECT_EQ(item.y, e.y);
        EXPECT_EQ(item.cx, e.cx);
        EXPECT_EQ(item.cy, e.cy);
        EXPECT_EQ(item.strText, e.pszText);
    }
}

// A language library replaces the templates wholesale, so its copies must keep the layout.
TEST_P(DialogTemplateTest, LanguageLibraryCopyKeepsTheLayoutWithItsOwnTexts)
{
    const DialogCase& c = GetParam();
    const DialogTemplate program = ReadDialog(Program(), c.nId);
    const DialogTemplate library = ReadDialog(Library(), c.nId);
    ASSERT_TRUE(program.bValid);
    ASSERT_TRUE(library.bValid) << "Xx.dll lacks template " << c.nId;
    EXPECT_EQ(library.nStyle, program.nStyle);
    EXPECT_EQ(library.nExStyle, program.nExStyle);
    EXPECT_EQ(library.cx, program.cx);
    EXPECT_EQ(library.cy, program.cy);
    EXPECT_EQ(library.strFace, program.strFace);
    EXPECT_EQ(library.nPointSize, program.nPointSize);
    EXPECT_EQ(library.strClass, program.strClass);
    if (!program.strCaption.empty()) {
        EXPECT_EQ(library.strCaption, L"[Xx] " + program.strCaption);
    }
    ASSERT_EQ(library.items.size(), program.items.size());
    for (size_t i = 0; i < program.items.size(); ++i) {
        const DialogItem& p = program.items[i];
        const DialogItem& l = library.items[i];
        SCOPED_TRACE(testing::Message() << "id " << p.nId);
        EXPECT_EQ(l.nId, p.nId);
        EXPECT_EQ(l.strClass, p.strClass);
        EXPECT_EQ(l.nStyle, p.nStyle);
        EXPECT_EQ(l.x, p.x);
        EXPECT_EQ(l.y, p.y);
        EXPECT_EQ(l.cx, p.cx);
        EXPECT_EQ(l.cy, p.cy);
        if (p.strText.empty() || p.strText[0] == L'#') {
            EXPECT_EQ(l.strText, p.strText);
        } else if (c.nId == IDD_MAIN && p.nId == IDC_STATUS_TITLE) {
            // Fitted to this text once and then given string 2506 unfitted: the library's
            // own heading, as the program's is its string.
            EXPECT_EQ(l.strText, LibraryString(IDS_DEVICE_STATUS));
        } else {
            EXPECT_EQ(l.strText, L"[Xx] " + p.strText);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Resources, DialogTemplateTest, testing::ValuesIn(kDialogs),
                         [](const testing::TestParamInfo<DialogCase>& info) { return info.param.pszName; });

// ---------------------------------------------------------------------------------------
// Dialogs created from the templates, in the activation context of the program's manifest
// (the link control exists only in common controls 6).

INT_PTR CALLBACK QuietDialogProc(HWND, UINT nMsg, WPARAM, LPARAM)
{
    return nMsg == WM_INITDIALOG;
}

class ProgramContext {
public:
    ProgramContext()
    {
        const std::wstring path = ProgramPath();
        ACTCTXW ctx = {};
        ctx.cbSize = sizeof(ctx);
        ctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        ctx.lpSource = path.c_str();
        ctx.lpResourceName = MAKEINTRESOURCEW(1);
        m_hContext = CreateActCtxW(&ctx);
        m_nError = GetLastError();
        if (m_hContext != INVALID_HANDLE_VALUE && ActivateActCtx(m_hContext, &m_nCookie)) {
            INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LINK_CLASS | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
            m_bReady = InitCommonControlsEx(&icc) != FALSE;
        }
    }
    ~ProgramContext()
    {
        if (m_nCookie)
            DeactivateActCtx(0, m_nCookie);
        if (m_hContext != INVALID_HANDLE_VALUE)
            ReleaseActCtx(m_hContext);
    }
    bool Ready() const { return m_bReady; }
    DWORD Error() const { return m_nError; }
    HANDLE Handle() const { return m_hContext; }

private:
    HANDLE m_hContext = INVALID_HANDLE_VALUE;
    ULONG_PTR m_nCookie = 0;
    DWORD m_nError = 0;
    bool m_bReady = false;
};

// The main window's class as start-up registers it: a dialog class. Global, because a
// template from a language library is created with the library's instance handle.
bool RegisterMainClass()
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), kMainClass, &wc))
        return true;
    wc.cbSize = sizeof(wc);
    wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
    wc.lpfnWndProc = DefDlgProcW;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainClass;
    return RegisterClassExW(&wc) != 0;
}

std::wstring ClassOf(HWND hWnd)
{
    wchar_t sz[256] = {};
    GetClassNameW(hWnd, sz, 256);
    return sz;
}

std::wstring TextOf(HWND hWnd)
{
    wchar_t sz[256] = {};
    GetWindowTextW(hWnd, sz, 256);
    return sz;
}

SIZE WindowSize(HWND hWnd)
{
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    return {rc.right - rc.left, rc.bottom - rc.top};
}

class CreatedDialogTest : public testing::TestWithParam<DialogCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_context.Ready()) << "manifest context: error " << m_context.Error();
        ASSERT_TRUE(RegisterMainClass());
    }
    HWND Create(HMODULE hModule, int nId)
    {
        HWND hDlg = CreateDialogParamW(hModule, MAKEINTRESOURCEW(nId), nullptr, QuietDialogProc, 0);
        if (hDlg)
            m_windows.push_back(hDlg);
        return hDlg;
    }
    void TearDown() override
    {
        for (HWND h : m_windows)
            DestroyWindow(h);
    }

private:
    ProgramContext m_context;
    std::vector<HWND> m_windows;
};

TEST_P(CreatedDialogTest, CreatesHiddenWithEveryControlAndTheTemplateSize)
{
    const DialogCase& c = GetParam();
    HWND hDlg = Create(Program(), c.nId);
    ASSERT_NE(hDlg, nullptr) << "error " << GetLastError();
    EXPECT_FALSE(IsWindowVisible(hDlg));
    if (*c.pszClass) {
        EXPECT_EQ(ClassOf(hDlg), c.pszClass);
    }
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(hDlg, GWL_EXSTYLE)) & WS_EX_TOOLWINDOW,
              c.nExStyle & WS_EX_TOOLWINDOW);

    RECT units = {0, 0, c.cx, c.cy};
    ASSERT_TRUE(MapDialogRect(hDlg, &units));
    RECT client = {};
    GetClientRect(hDlg, &client);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);

    for (size_t i = 0; i < c.nItems; ++i) {
        const ExpectedItem& e = c.pItems[i];
        if (e.nId == IDC_STATIC)
            continue;
        SCOPED_TRACE(testing::Message() << "id " << e.nId);
        HWND hItem = GetDlgItem(hDlg, e.nId);
        ASSERT_NE(hItem, nullptr);
        EXPECT_TRUE(SameText(ClassOf(hItem), e.pszClass)) << ClassOf(hItem);
        EXPECT_EQ(GetWindowLongPtrW(hItem, GWL_STYLE) & WS_VISIBLE, static_cast<LONG_PTR>(e.nStyle & WS_VISIBLE));
    }
}

INSTANTIATE_TEST_SUITE_P(Resources, CreatedDialogTest, testing::ValuesIn(kDialogs),
                         [](const testing::TestParamInfo<DialogCase>& info) { return info.param.pszName; });

class MainDialogTest : public CreatedDialogTest {};

// The icon labels size themselves to their images: the arrows stay small enough to stand
// side by side, the others show 32 by 32.
TEST_F(MainDialogTest, IconLabelsShowTheirImagesAtTheirSizes)
{
    HWND hDlg = Create(Program(), IDD_MAIN);
    ASSERT_NE(hDlg, nullptr);
    const struct {
        int nId;
        LONG cx, cy;
    } rows[] = {
        {IDC_SMS_PREV, 6, 9},     {IDC_SMS_NEXT, 6, 9},      {IDC_SMS_ICON, 32, 32},
        {IDC_CALLS_ICON, 32, 32}, {IDC_SIGNAL_ICON, 32, 32},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.nId);
        HWND hItem = GetDlgItem(hDlg, row.nId);
        ASSERT_NE(hItem, nullptr);
        EXPECT_NE(SendMessageW(hItem, STM_GETICON, 0, 0), 0);
        const SIZE size = WindowSize(hItem);
        EXPECT_EQ(size.cx, row.cx);
        EXPECT_EQ(size.cy, row.cy);
    }
    RECT prev = {}, next = {};
    GetWindowRect(GetDlgItem(hDlg, IDC_SMS_PREV), &prev);
    GetWindowRect(GetDlgItem(hDlg, IDC_SMS_NEXT), &next);
    EXPECT_LT(prev.right, next.left) << "the paging arrows overlap";
}

TEST_F(MainDialogTest, LanguageLibraryTemplateCreatesWithItsTextsAndIcons)
{
    HWND hDlg = Create(Library(), IDD_MAIN);
    ASSERT_NE(hDlg, nullptr) << "error " << GetLastError();
    EXPECT_EQ(ClassOf(hDlg), kMainClass);
    EXPECT_EQ(TextOf(GetDlgItem(hDlg, IDC_SMS_TITLE)), L"[Xx] SMS Messages");
    EXPECT_EQ(TextOf(GetDlgItem(hDlg, IDC_NO_CONNECTION)), L"[Xx] No connection to the router");
    for (int nId : {IDC_SMS_PREV, IDC_SMS_NEXT, IDC_SMS_ICON, IDC_CALLS_ICON, IDC_SIGNAL_ICON}) {
        SCOPED_TRACE(nId);
        EXPECT_NE(SendMessageW(GetDlgItem(hDlg, nId), STM_GETICON, 0, 0), 0) << "icon missing from Xx.dll";
    }
}

// ---------------------------------------------------------------------------------------
// Icons.

struct IconEntry {
    int cx, cy, nBits, nId;
};

std::vector<IconEntry> IconImages(HMODULE hModule, int nGroup)
{
    std::vector<IconEntry> entries;
    const Bytes b = ResourceBytes(hModule, RT_GROUP_ICON, MAKEINTRESOURCEW(nGroup));
    if (b.n < 6)
        return entries;
    const WORD nCount = b.p[4] | (b.p[5] << 8);
    for (WORD i = 0; i < nCount && 6 + 14u * (i + 1) <= b.n; ++i) {
        const uint8_t* e = b.p + 6 + 14 * i;
        entries.push_back({e[0] ? e[0] : 256, e[1] ? e[1] : 256, e[6] | (e[7] << 8), e[12] | (e[13] << 8)});
    }
    return entries;
}

struct IconCase {
    int nFirst, nLast;
    std::vector<std::pair<int, int>> sizes;  // every image of the icon, in file order
};

TEST(IconTest, EveryIconHasItsImageSizesInFullColourAndLoadsAt16And32)
{
    const IconCase cases[] = {
        // At the sizes they are shown at at 96, 120, 144 and 192 DPI.
        {IDI_APP, IDI_APP, {{16, 16}, {20, 20}, {24, 24}, {32, 32}, {48, 48}}},
        {IDI_SIGNAL_0, IDI_SIGNAL_5, {{32, 32}, {40, 40}, {48, 48}, {64, 64}}},
        {IDI_ARROW_PREV, IDI_ARROW_NEXT, {{6, 9}, {8, 11}, {9, 14}, {12, 18}}},
        {IDI_ENVELOPE, IDI_HANDSET, {{32, 32}, {40, 40}, {48, 48}, {64, 64}}},
        {IDI_TRAY_UNSEEN_0, IDI_TRAY_NONE, {{16, 16}, {20, 20}, {24, 24}, {32, 32}}},
    };
    ASSERT_NE(Program(), nullptr);
    for (const IconCase& c : cases) {
        for (int nId = c.nFirst; nId <= c.nLast; ++nId) {
            SCOPED_TRACE(nId);
            const std::vector<IconEntry> images = IconImages(Program(), nId);
            ASSERT_EQ(images.size(), c.sizes.size());
            for (size_t i = 0; i < images.size(); ++i) {
                EXPECT_EQ(images[i].cx, c.sizes[i].first);
                EXPECT_EQ(images[i].cy, c.sizes[i].second);
                EXPECT_EQ(images[i].nBits, 32);
            }
            for (int nSize : {16, 32}) {
                HANDLE hIcon = LoadImageW(Program(), MAKEINTRESOURCEW(nId), IMAGE_ICON, nSize, nSize, 0);
                EXPECT_NE(hIcon, nullptr) << "at " << nSize;
                if (hIcon)
                    DestroyIcon(static_cast<HICON>(hIcon));
            }
        }
    }
}

// Pixels of an icon's 16 by 16 image, top row first, as BGRA words.
std::vector<uint32_t> TrayPixels(int nId)
{
    std::vector<uint32_t> pixels;
    for (const IconEntry& e : IconImages(Program(), nId)) {
        if (e.cx != 16)
            continue;
        const Bytes b = ResourceBytes(Program(), RT_ICON, MAKEINTRESOURCEW(e.nId));
        if (b.n < 40 + 16 * 16 * 4)
            break;
        for (int y = 15; y >= 0; --y)
            for (int x = 0; x < 16; ++x) {
                uint32_t v;
                memcpy(&v, b.p + 40 + (y * 16 + x) * 4, 4);
                pixels.push_back(v);
            }
    }
    return pixels;
}

// The attention images are the plain ones with the spark added in the top-left corner.
TEST(IconTest, TrayAttentionImagesAddOnlyTheMarkToDistinctPlainImages)
{
    const int kCorner = 7;
    std::vector<std::vector<uint32_t>> plains;
    for (int k = 0; k < 7; ++k) {
        SCOPED_TRACE(IDI_TRAY_0 + k);
        const std::vector<uint32_t> plain = TrayPixels(IDI_TRAY_0 + k);
        const std::vector<uint32_t> marked = TrayPixels(IDI_TRAY_UNSEEN_0 + k);
        ASSERT_EQ(plain.size(), 256u);
        ASSERT_EQ(marked.size(), 256u);
        int nCornerChanges = 0;
        for (int i = 0; i < 256; ++i) {
            if (i / 16 < kCorner && i % 16 < kCorner)
                nCornerChanges += plain[i] != marked[i];
            else
                EXPECT_EQ(plain[i], marked[i]) << "pixel " << i % 16 << "," << i / 16;
        }
        EXPECT_GT(nCornerChanges, 10);
        for (const auto& other : plains)
            EXPECT_NE(plain, other);
        plains.push_back(plain);
    }
}

TEST(IconTest, LanguageLibraryCarriesTheWindowIconsButNoTrayImages)
{
    ASSERT_NE(Library(), nullptr);
    for (int nId : {IDI_APP, IDI_SIGNAL_0, IDI_SIGNAL_5, IDI_ARROW_PREV, IDI_ARROW_NEXT, IDI_ENVELOPE, IDI_HANDSET})
        EXPECT_FALSE(IconImages(Library(), nId).empty()) << nId;
    EXPECT_TRUE(IconImages(Library(), IDI_TRAY_NONE).empty());
}

// ---------------------------------------------------------------------------------------
// The alert image strip.

TEST(BitmapTest, AlertStripHoldsFourImagesOnItsTransparentGrey)
{
    HBITMAP hBitmap = static_cast<HBITMAP>(
        LoadImageW(Program(), MAKEINTRESOURCEW(IDB_ALERT_IMAGES), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(hBitmap, nullptr);
    DIBSECTION dib = {};
    ASSERT_EQ(GetObjectW(hBitmap, sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
    EXPECT_EQ(dib.dsBm.bmWidth, 128);
    EXPECT_EQ(dib.dsBm.bmHeight, 32);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 24);
    const uint8_t* pBits = static_cast<const uint8_t*>(dib.dsBm.bmBits);
    auto grey = [&](int x, int y) {  // bottom-up rows of 3-byte pixels
        const uint8_t* p = pBits + (31 - y) * dib.dsBm.bmWidthBytes + 3 * x;
        return p[0] == 192 && p[1] == 192 && p[2] == 192;
    };
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_TRUE(grey(32 * k, 0));
        EXPECT_TRUE(grey(32 * k + 31, 0));
        int nDrawn = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                nDrawn += !grey(32 * k + x, y);
        EXPECT_GT(nDrawn, 200) << "image " << k << " is (nearly) empty";
    }
    DeleteObject(hBitmap);
}

// ---------------------------------------------------------------------------------------
// The tray menu.

TEST(MenuTest, TrayMenuHasItsFourCommandsInOrderInBothModules)
{
    const struct {
        UINT nId;
        const wchar_t* pszText;
    } items[] = {
        {ID_TRAY_NOTIFIER_VIEW, L"Notifier View"},
        {ID_TRAY_WEB_VIEW, L"Web View"},
        {IDM_ABOUTBOX, L"About..."},
        {ID_TRAY_EXIT, L"Exit"},
    };
    const struct {
        HMODULE hModule;
        const wchar_t* pszPrefix;
    } modules[] = {{Program(), L""}, {Library(), L"[Xx] "}};
    for (const auto& m : modules) {
        SCOPED_TRACE(testing::Message() << "prefix '" << m.pszPrefix << "'");
        HMENU hMenu = LoadMenuW(m.hModule, MAKEINTRESOURCEW(IDR_TRAY_MENU));
        ASSERT_NE(hMenu, nullptr);
        EXPECT_EQ(GetMenuItemCount(hMenu), 1);
        HMENU hPopup = GetSubMenu(hMenu, 0);
        ASSERT_NE(hPopup, nullptr);
        ASSERT_EQ(GetMenuItemCount(hPopup), static_cast<int>(std::size(items)));
        for (int i = 0; i < static_cast<int>(std::size(items)); ++i) {
            wchar_t sz[64] = {};
            GetMenuStringW(hPopup, i, sz, 64, MF_BYPOSITION);
            EXPECT_EQ(GetMenuItemID(hPopup, i), items[i].nId);
            EXPECT_EQ(std::wstring(sz), std::wstring(m.pszPrefix) + items[i].pszText);
        }
        DestroyMenu(hMenu);
    }
}

// ---------------------------------------------------------------------------------------
// The manifest.

TEST(ManifestTest, AsksForCommonControls6PerMonitorDpiAndWindows10)
{
    const Bytes b = ResourceBytes(Program(), RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_GT(b.n, 0u);
    const std::string text(reinterpret_cast<const char*>(b.p), b.n);
    for (const char* psz :
         {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "publicKeyToken=\"6595b64144ccf1df\"",
          ">true/pm</dpiAware>", ">PerMonitorV2, PerMonitor</dpiAwareness>", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
          "level=\"asInvoker\""})
        EXPECT_NE(text.find(psz), std::string::npos) << psz;
}

// The assemblies the context resolved, as encoded identities ("name,attribute=value,...").
std::vector<std::wstring> ContextAssemblies(HANDLE hContext)
{
    std::vector<std::wstring> assemblies;
    SIZE_T nNeeded = 0;
    QueryActCtxW(0, hContext, nullptr, ActivationContextDetailedInformation, nullptr, 0, &nNeeded);
    std::vector<BYTE> info(nNeeded);
    if (nNeeded < sizeof(ACTIVATION_CONTEXT_DETAILED_INFORMATION) ||
        !QueryActCtxW(0, hContext, nullptr, ActivationContextDetailedInformation, info.data(), nNeeded, &nNeeded))
        return assemblies;
    const DWORD nCount = reinterpret_cast<ACTIVATION_CONTEXT_DETAILED_INFORMATION*>(info.data())->ulAssemblyCount;
    for (DWORD i = 1; i <= nCount; ++i) {
        nNeeded = 0;
        QueryActCtxW(0, hContext, &i, AssemblyDetailedInformationInActivationContext, nullptr, 0, &nNeeded);
        std::vector<BYTE> buffer(nNeeded);
        auto* pAssembly = reinterpret_cast<ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
        if (nNeeded >= sizeof(*pAssembly) &&
            QueryActCtxW(0, hContext, &i, AssemblyDetailedInformationInActivationContext, pAssembly, nNeeded,
                         &nNeeded) &&
            pAssembly->lpAssemblyEncodedAssemblyIdentity)
            assemblies.emplace_back(pAssembly->lpAssemblyEncodedAssemblyIdentity);
    }
    return assemblies;
}

// On Windows the link control exists only with common controls 6; Wine has it in any case,
// so the test looks at what the manifest's context resolved rather than at the class.
TEST(ManifestTest, ItsActivationContextResolvesCommonControls6)
{
    ProgramContext context;
    ASSERT_TRUE(context.Ready()) << "error " << context.Error();
    bool bFound = false;
    for (const std::wstring& identity : ContextAssemblies(context.Handle())) {
        if (identity.rfind(L"Microsoft.Windows.Common-Controls,", 0) == 0) {
            bFound = true;
            EXPECT_NE(identity.find(L"version=\"6."), std::wstring::npos) << identity;
        }
    }
    EXPECT_TRUE(bFound);
}

// ---------------------------------------------------------------------------------------
// For screenshots: the three dialogs shown until shot.done appears beside this binary (at
// most two minutes).

TN_CHILD_SCENARIO(ShowDialogs)
{
    ProgramContext context;
    if (!context.Ready() || !RegisterMainClass())
        return 1;
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const struct {
        int nId;
        bool bRight, bBottom;
    } places[] = {{IDD_MAIN, true, true}, {IDD_ABOUTBOX, false, false}, {IDD_UPDATER, false, true}};
    for (const auto& place : places) {
        HWND hDlg = CreateDialogParamW(Program(), MAKEINTRESOURCEW(place.nId), nullptr, QuietDialogProc, 0);
        if (!hDlg)
            return 2;
        const SIZE size = WindowSize(hDlg);
        const int x = place.bRight ? work.right - size.cx : work.left + 20;
        const int y = place.bBottom ? work.bottom - size.cy : work.top + 20;
        SetWindowPos(hDlg, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        UpdateWindow(hDlg);
    }
    const std::wstring ready = OwnDir() + L"shot.ready", done = OwnDir() + L"shot.done";
    CloseHandle(CreateFileW(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const ULONGLONG nEnd = GetTickCount64() + 120000;
    while (GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < nEnd) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    DeleteFileW(ready.c_str());
    DeleteFileW(done.c_str());
    return 0;
}

}  // namespace
