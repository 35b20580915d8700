// Every text the windows put into a label, measured in the label's font against the label,
// at 96 DPI: with the English strings and with the longer pseudo-translation of Xx.dll, whose
// own templates 100, 102 and 155 come with it, as a translator's library would. The values
// are long but realistic: three-digit counters, an operator name of the usual length, sizes
// and counts of ten digits.
//
// Not here: the SMS sender 1003 and reception time 1011, which may be cut (they show their
// whole text as a tooltip then), and the SMS body and the missed-call list, which scroll.
//
// For a look: "--child FitScreenshots" shows the three windows with these texts, English
// above and Xx below (tools/screenshot.sh makes text-fit.png of it).
#include <windows.h>

#include <commctrl.h>

#include <gmock/gmock.h>

#include <cstdint>
#include <cwchar>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "alerts/LabelText.h"
#include "app/AppString.h"
#include "app/ResourceModule.h"
#include "resources/StringIds.h"
#include "resources/resource.h"
#include "status/DeviceStatus.h"
#include "status/DialogLayout.h"
#include "status/StaticBold.h"
#include "tests/windows/support/ChildScenario.h"
#include "tests/windows/support/ScreenshotHold.h"
#include "tests/windows/support/TextExtent.h"
#include "update/UpdaterView.h"

namespace {

const wchar_t kMainClass[] = L"CLASS_NAME_E9EA2470-3110-4a26-A0F4-261D9E43750A";

// An operator's network name as long as they come.
const wchar_t kOperator[] = L"Carrowmore Mobile UK";

// ---------------------------------------------------------------------------------------
// What each label shows, composed by the program's own code from the strings of the current
// resource module.

std::vector<std::wstring> StatusLines()
{
    std::vector<std::wstring> texts;
    CDeviceStatus status;
    for (int32_t nPS : {2, 3, 4, 5, 7}) {  // PS 3 and 7 without an operator, then with one
        status.m_nRegistrationPS = nPS;
        texts.push_back(status.GetRegistrationText());
    }
    status.SetOperator(kOperator);
    for (int32_t nPS : {3, 7}) {
        status.m_nRegistrationPS = nPS;
        texts.push_back(status.GetRegistrationText());
    }
    for (int32_t nState : {2, 3, 4}) {
        status.m_nConnectionState = nState;
        texts.push_back(status.GetConnectionText());
    }
    return texts;
}

std::vector<std::wstring> Technologies()
{
    std::vector<std::wstring> texts;
    CDeviceStatus status;
    for (int32_t nTechnology = 1; nTechnology <= 5; ++nTechnology) {
        status.m_nTechnology = nTechnology;
        texts.push_back(status.GetTechnologyText());
    }
    return texts;
}

std::vector<std::wstring> Users()
{
    CDeviceStatus status;
    status.SetUserCount(1, 120);
    status.SetUserCount(2, 3);
    return {status.GetUsersText()};
}

// The link control's texts as it shows them: the link part's marks are not drawn.
std::vector<std::wstring> OfferTexts()
{
    std::vector<std::wstring> texts;
    for (uint32_t nId :
         {IDS_NEW_FIRMWARE_LINK, IDS_UPGRADING_FIRMWARE, IDS_REBOOT_NEEDED_LINK, IDS_NEW_NOTIFIER_LINK}) {
        std::wstring text = AppString(nId);
        for (const wchar_t* pszMark : {L"<a>", L"</a>"})
            for (size_t nAt = text.find(pszMark); nAt != std::wstring::npos; nAt = text.find(pszMark))
                text.erase(nAt, wcslen(pszMark));
        texts.push_back(text);
    }
    return texts;
}

std::vector<std::wstring> AppTitle()
{
    // The about box shows the name read from the program's own module, in every language.
    wchar_t* pszName = nullptr;
    const int nChars = LoadStringW(AfxGetInstanceHandle(), IDS_APP_TITLE, reinterpret_cast<LPWSTR>(&pszName), 0);
    return {std::wstring(pszName, nChars > 0 ? nChars : 0)};
}

// How a label is given its text by its window.
enum class Fit {
    Label,           // set as it is
    Heading,         // semibold, refitted to its text at every showing, wrapped at its template width
    HeadingAsBound,  // semibold, fitted to its template text when bound, then given its text as it is
};

struct FitRow {
    UINT nDialog;
    int nControl;
    Fit fit;
    std::vector<std::wstring> (*pfnTexts)();
};

const FitRow kFitRows[] = {
    // The status window.
    {IDD_MAIN, IDC_SMS_TITLE, Fit::Heading, [] { return std::vector{AppString(IDS_SMS_MESSAGES)}; }},
    {IDD_MAIN, IDC_SMS_COUNTER, Fit::Label,
     [] { return std::vector{FormatCounterText(AppString(IDS_SMS_MESSAGES), 123, 456)}; }},
    {IDD_MAIN, IDC_CALLS_TITLE, Fit::Heading, [] { return std::vector{AppString(IDS_MISSED_CALLS)}; }},
    {IDD_MAIN, IDC_CALLS_COUNTER, Fit::Label,
     [] { return std::vector{FormatCounterText(AppString(IDS_MISSED_CALLS), 123, 456)}; }},
    {IDD_MAIN, IDC_STATUS_TITLE, Fit::HeadingAsBound, [] { return std::vector{AppString(IDS_DEVICE_STATUS)}; }},
    {IDD_MAIN, IDC_STATUS_LINE, Fit::Label, StatusLines},
    {IDD_MAIN, IDC_NO_CONNECTION, Fit::Label, [] { return std::vector{AppString(IDS_NO_CONNECTION)}; }},
    {IDD_MAIN, IDC_USERS, Fit::Label, Users},
    {IDD_MAIN, IDC_TECHNOLOGY, Fit::Label, Technologies},
    {IDD_MAIN, IDC_UPDATE_TITLE, Fit::Heading, [] { return std::vector{AppString(IDS_UPGRADE)}; }},
    {IDD_MAIN, IDC_UPDATE_LINK, Fit::Label, OfferTexts},
    // The about box.
    {IDD_ABOUTBOX, IDC_ABOUT_NAME, Fit::Label, AppTitle},
    {IDD_ABOUTBOX, IDC_ABOUT_VERSION, Fit::Label, [] { return std::vector<std::wstring>{L"65535.65535.65535.65535"}; }},
    {IDD_ABOUTBOX, IDC_ABOUT_COPYRIGHT, Fit::Label, [] { return std::vector{AppString(IDS_COPYRIGHT)}; }},
    // The updater.
    {IDD_UPDATER, IDC_UPDATER_DOWNLOADING, Fit::Label, [] { return std::vector{AppString(IDS_DOWNLOADING)}; }},
    {IDD_UPDATER, IDC_UPDATER_SIZE_LABEL, Fit::Label, [] { return std::vector{AppString(IDS_DOWNLOAD_SIZE)}; }},
    {IDD_UPDATER, IDC_UPDATER_SIZE, Fit::Label, [] { return std::vector{FormatDownloadSize(2147483647)}; }},
    {IDD_UPDATER, IDC_UPDATER_STATUS, Fit::Label,
     [] {
         return std::vector{AppString(IDS_CHECKING_UPDATE), FormatTransferCounter(2147483646, 2147483647)};
     }},
    {IDD_UPDATER, IDC_UPDATER_PROMPT, Fit::Heading, [] { return std::vector{AppString(IDS_PRESS_OK_PROMPT)}; }},
};

// ---------------------------------------------------------------------------------------
// The windows, made from the templates of a resource module with their headings bound as
// the program binds them.

struct Language {
    const char* pszName;
    const wchar_t* pszLibrary;  // null: this binary's English resources
};
const Language kLanguages[] = {{"English", nullptr}, {"Xx", L"Xx.dll"}};

void PrintTo(const Language& language, std::ostream* pOut)
{
    *pOut << language.pszName;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT nMsg, WPARAM, LPARAM)
{
    return nMsg == WM_INITDIALOG;
}

bool PrepareProcess()
{
    static const bool s_bReady = [] {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LINK_CLASS | ICC_PROGRESS_CLASS};
        if (!InitCommonControlsEx(&icc))
            return false;
        // The main window's class as start-up registers it; global, as a template from a
        // library names it too.
        WNDCLASSW wc = {};
        if (!GetClassInfoW(nullptr, L"#32770", &wc))
            return false;
        wc.style |= CS_GLOBALCLASS;
        wc.lpszClassName = kMainClass;
        wc.hInstance = GetModuleHandleW(nullptr);
        return RegisterClassW(&wc) != 0;
    }();
    return s_bReady;
}

// One window of a template and the label objects bound to its headings; the window goes
// first.
class CTestWindow {
public:
    CTestWindow(HMODULE hModule, UINT nTemplate)
    {
        m_hWnd = CreateDialogParamW(hModule, MAKEINTRESOURCEW(nTemplate), nullptr, QuietDialogProc, 0);
    }
    ~CTestWindow()
    {
        if (m_hWnd)
            DestroyWindow(m_hWnd);
    }
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;

    HWND Handle() const { return m_hWnd; }
    HWND Item(int nId) const { return GetDlgItem(m_hWnd, nId); }
    RECT ItemRect(int nId) const
    {
        RECT rc = {};
        GetWindowRect(Item(nId), &rc);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }
    // The status window's one-time move of the SMS counter and its arrows, which the layout
    // makes before it first shows the window.
    void ShiftSmsCounter()
    {
        for (const int32_t* pId = s_smsCounterIds; *pId != 0; ++pId) {
            const RECT rc = ItemRect(*pId);
            MoveWindow(Item(*pId), rc.left + kSmsCounterShift, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
        }
    }

    // The control's client size as the template made it, kept before anything refits it.
    SIZE TemplateSize(int nId)
    {
        for (const auto& [nKnown, size] : m_templateSizes)
            if (nKnown == nId)
                return size;
        RECT rc = {};
        GetClientRect(Item(nId), &rc);
        m_templateSizes.push_back({nId, {rc.right, rc.bottom}});
        return m_templateSizes.back().second;
    }
    // Binds the heading as its window does, which fits it to its template text.
    CStaticBold* BindHeading(int nId)
    {
        TemplateSize(nId);
        m_headings.push_back(std::make_unique<CStaticBold>());
        return m_headings.back()->SubclassWindow(Item(nId)) ? m_headings.back().get() : nullptr;
    }

private:
    std::vector<std::unique_ptr<CStaticBold>> m_headings;  // destroyed after the window
    HWND m_hWnd = nullptr;
    std::vector<std::pair<int, SIZE>> m_templateSizes;
};

// Where the text of a row does not fit: "" when it fits.
std::string Misfit(CTestWindow& window, const FitRow& row, const std::wstring& strText)
{
    HWND hItem = window.Item(row.nControl);
    if (!hItem)
        return "no such control";
    const SIZE place = window.TemplateSize(row.nControl);
    if (row.fit != Fit::Label) {
        CStaticBold* pHeading = window.BindHeading(row.nControl);
        if (!pHeading)
            return "cannot bind the heading";
        pHeading->SetWindowText(strText.c_str());
        if (row.fit == Fit::Heading)
            pHeading->AutoResize();
    } else {
        SetWindowTextW(hItem, strText.c_str());
    }
    RECT rc = {};
    GetClientRect(hItem, &rc);
    // As the control lays it out: wrapped at words at its width. Wider than that means a
    // word is cut; taller than its place means lines are.
    const SIZE extent = WrappedExtent(hItem, strText, rc.right);
    const LONG nWidth = rc.right < place.cx ? rc.right : place.cx;
    if (extent.cx <= nWidth && extent.cy <= place.cy)
        return "";
    return testing::PrintToString(strText) + " is " + std::to_string(OneLineExtent(hItem, strText).cx) +
           " px wide on one line, " + std::to_string(extent.cx) + " x " + std::to_string(extent.cy) +
           " px as laid out; the label has " + std::to_string(nWidth) + " x " + std::to_string(place.cy);
}

class TextFitTest : public testing::TestWithParam<Language> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PrepareProcess());
        if (GetParam().pszLibrary) {
            m_hLibrary = LoadLibraryExW((OwnDir() + GetParam().pszLibrary).c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
            ASSERT_NE(m_hLibrary, nullptr) << "the test library is not beside the test";
        }
        AfxSetResourceHandle(m_hLibrary);
    }
    void TearDown() override
    {
        AfxSetResourceHandle(nullptr);
        if (m_hLibrary)
            FreeLibrary(m_hLibrary);
    }

    HMODULE m_hLibrary = nullptr;
};

TEST_P(TextFitTest, EveryTextOfALabelFitsItAt96Dpi)
{
    for (const FitRow& row : kFitRows) {
        // A window of its own for each row, so that no earlier text or fitting stays.
        for (const std::wstring& strText : row.pfnTexts()) {
            CTestWindow window(AfxGetResourceHandle(), row.nDialog);
            ASSERT_NE(window.Handle(), nullptr) << "template " << row.nDialog << ", error " << GetLastError();
            ASSERT_EQ(GetDpiForWindow(window.Handle()), 96u) << "the measures hold at 96 DPI";
            EXPECT_FALSE(strText.empty()) << "control " << row.nControl << ": a string is missing";
            EXPECT_EQ(Misfit(window, row, strText), "") << "control " << row.nControl;
        }
    }
}

// A wider label must not reach into the one beside it: in each pair the first one ends
// before the second begins, where the layout puts them before the first showing.
TEST_P(TextFitTest, NeighboursInARowDoNotOverlap)
{
    const struct {
        int nLeft, nRight;
    } pairs[] = {
        {IDC_SMS_TITLE, IDC_SMS_COUNTER},     {IDC_SMS_COUNTER, IDC_SMS_PREV},     {IDC_SMS_PREV, IDC_SMS_NEXT},
        {IDC_CALLS_TITLE, IDC_CALLS_COUNTER}, {IDC_STATUS_TITLE, IDC_SIGNAL_ICON}, {IDC_STATUS_LINE, IDC_SIGNAL_ICON},
        {IDC_USERS, IDC_TECHNOLOGY},
    };
    CTestWindow window(AfxGetResourceHandle(), IDD_MAIN);
    ASSERT_NE(window.Handle(), nullptr);
    window.ShiftSmsCounter();
    RECT client = {};
    GetClientRect(window.Handle(), &client);
    for (const auto& pair : pairs) {
        SCOPED_TRACE(testing::Message() << pair.nLeft << " beside " << pair.nRight);
        EXPECT_LE(window.ItemRect(pair.nLeft).right, window.ItemRect(pair.nRight).left);
        EXPECT_LE(window.ItemRect(pair.nRight).right, client.right);
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, TextFitTest, testing::ValuesIn(kLanguages),
                         [](const testing::TestParamInfo<Language>& info) { return std::string(info.param.pszName); });

// ---------------------------------------------------------------------------------------
// For screenshots: the three windows of each language with the longest text of every row,
// English in the top half of the screen and Xx below; until shot-fit.done appears.

TN_CHILD_SCENARIO(FitScreenshots)
{
    if (!PrepareProcess())
        return 2;
    std::vector<std::unique_ptr<CTestWindow>> windows;
    int y = 10;
    for (const Language& language : kLanguages) {
        HMODULE hModule = language.pszLibrary
                              ? LoadLibraryExW((OwnDir() + language.pszLibrary).c_str(), nullptr,
                                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)
                              : nullptr;
        if (language.pszLibrary && !hModule)
            return 3;
        AfxSetResourceHandle(hModule);
        int x = 10;
        for (UINT nDialog : {IDD_MAIN, IDD_ABOUTBOX, IDD_UPDATER}) {
            windows.push_back(std::make_unique<CTestWindow>(AfxGetResourceHandle(), nDialog));
            CTestWindow& window = *windows.back();
            if (!window.Handle())
                return 4;
            if (nDialog == IDD_MAIN)
                window.ShiftSmsCounter();
            for (const FitRow& row : kFitRows) {
                if (row.nDialog != nDialog)
                    continue;
                std::wstring strLongest;
                for (const std::wstring& strText : row.pfnTexts())
                    if (OneLineExtent(window.Item(row.nControl), strText).cx >
                        OneLineExtent(window.Item(row.nControl), strLongest).cx)
                        strLongest = strText;
                Misfit(window, row, strLongest);
            }
            // The status line shows while the link is up, in the place of this one.
            if (HWND hItem = window.Item(IDC_NO_CONNECTION); hItem && nDialog == IDD_MAIN)
                ShowWindow(hItem, SW_HIDE);
            RECT rc = {};
            GetWindowRect(window.Handle(), &rc);
            SetWindowPos(window.Handle(), HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
            x += rc.right - rc.left + 20;
        }
        y += 480;
    }
    return HoldForScreenshot(L"fit") ? 0 : 5;
}

}  // namespace
