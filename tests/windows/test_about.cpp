// The about box run modally from this binary's resources (the program's own) and from the
// test language library Xx.dll: its caption, its three lines, the version of unreadable
// version information, the one object of the process and its window only while open.
#include <windows.h>

#include <gmock/gmock.h>

#include <functional>
#include <string>

#include "app/DlgAbout.h"
#include "app/ResourceModule.h"
#include "app/Settings.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "tests/windows/support/MemorySettings.h"
#include "tests/windows/support/ScreenshotHold.h"

namespace {

std::wstring TextOf(HWND hWnd)
{
    wchar_t sz[256] = {};
    GetWindowTextW(hWnd, sz, 256);
    return sz;
}

class CUnreadableVersion : public IVersionSource {
public:
    bool GetProductVersion(CProductVersion&) override { return false; }
};

// What the open box shows.
struct AboutSeen {
    std::wstring strCaption, strName, strVersion, strCopyright, strButton;
};

// Runs the box modally. Once it is shown, whileOpen looks at it from inside its loop; then
// the box is closed by nCloseCommand as the user would (OK, or Escape as IDCANCEL). A box
// that is not shown within 5 seconds is closed unseen.
std::function<void(HWND)> g_whileOpen;
UINT g_nCloseCommand = IDOK;
DWORD g_nDeadline = 0;

void CALLBACK LookWhileOpen(HWND, UINT, UINT_PTR nTimer, DWORD)
{
    HWND hBox = CDlgAbout::GetInstance().m_hWnd;
    if (!hBox)
        return;
    const bool bShown = IsWindowVisible(hBox) != FALSE;
    if (!bShown && static_cast<LONG>(GetTickCount() - g_nDeadline) < 0)
        return;
    KillTimer(nullptr, nTimer);
    if (bShown)
        g_whileOpen(hBox);
    PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(g_nCloseCommand, BN_CLICKED), 0);
}

INT_PTR RunAbout(const std::function<void(HWND)>& whileOpen, UINT nCloseCommand = IDOK)
{
    g_whileOpen = whileOpen;
    g_nCloseCommand = nCloseCommand;
    g_nDeadline = GetTickCount() + 5000;
    const UINT_PTR nTimer = SetTimer(nullptr, 0, 10, &LookWhileOpen);
    const INT_PTR nResult = CDlgAbout::GetInstance().DoModal();
    KillTimer(nullptr, nTimer);
    return nResult;
}

AboutSeen Read(HWND hBox)
{
    return {TextOf(hBox), TextOf(GetDlgItem(hBox, IDC_ABOUT_NAME)), TextOf(GetDlgItem(hBox, IDC_ABOUT_VERSION)),
            TextOf(GetDlgItem(hBox, IDC_ABOUT_COPYRIGHT)), TextOf(GetDlgItem(hBox, IDOK))};
}

class AboutBoxTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(AfxGetApp(), &m_app);
        CSettings::SetStore(&m_store, &m_version);
        ASSERT_TRUE(CSettings::GetInstance().Init());
    }
    void TearDown() override
    {
        AfxSetResourceHandle(nullptr);
        if (m_hLibrary)
            FreeLibrary(m_hLibrary);
        CSettings::SetStore(nullptr, nullptr);
    }
    void UseLibrary()
    {
        m_hLibrary = LoadLibraryExW((OwnDir() + L"Xx.dll").c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_hLibrary, nullptr) << "Xx.dll is not beside the test";
        AfxSetResourceHandle(m_hLibrary);
    }

    CWinApp m_app;  // its name is the title of this binary's own module
    CMemoryStore m_store;
    CFixedVersion m_version;
    HMODULE m_hLibrary = nullptr;
};

struct AboutCase {
    const char* pszName;
    bool bLibrary;
    bool bVersionReadable;
    UINT nCloseCommand;
    AboutSeen seen;
};

const wchar_t kCopyright[] = L"Copyright (C) 2009 Vantrel. All rights reserved.";

TEST_F(AboutBoxTest, ShowsTitleNameVersionAndCopyrightOfTheCurrentResources)
{
    const AboutCase cases[] = {
        {"English",
         false,
         true,
         IDOK,
         {L"About Tessaro Notifier", L"Tessaro Notifier", L"1.0.0.91", kCopyright, L"OK"}},
        {"unreadable version, closed by Escape",
         false,
         false,
         IDCANCEL,
         {L"About Tessaro Notifier", L"Tessaro Notifier", L"-", kCopyright, L"OK"}},
        // Template, caption and copyright from the library; the name stays the program's.
        {"Xx",
         true,
         true,
         IDOK,
         {L"[Xx] About [Xx] Tessaro Notifier", L"Tessaro Notifier", L"1.0.0.91", std::wstring(L"[Xx] ") + kCopyright,
          L"[Xx] OK"}},
    };
    for (const AboutCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CUnreadableVersion unreadable;
        if (!c.bVersionReadable) {
            CSettings::SetStore(&m_store, &unreadable);
            ASSERT_TRUE(CSettings::GetInstance().Init());
        }
        if (c.bLibrary) {
            ASSERT_NO_FATAL_FAILURE(UseLibrary());
        }
        AboutSeen seen;
        EXPECT_EQ(RunAbout([&](HWND hBox) { seen = Read(hBox); }, c.nCloseCommand),
                  static_cast<INT_PTR>(c.nCloseCommand));
        EXPECT_EQ(seen.strCaption, c.seen.strCaption);
        EXPECT_EQ(seen.strName, c.seen.strName);
        EXPECT_EQ(seen.strVersion, c.seen.strVersion);
        EXPECT_EQ(seen.strCopyright, c.seen.strCopyright);
        EXPECT_EQ(seen.strButton, c.seen.strButton);
        EXPECT_EQ(CDlgAbout::GetInstance().m_hWnd, nullptr) << "the window outlived the box";
        AfxSetResourceHandle(nullptr);
        CSettings::SetStore(&m_store, &m_version);
        ASSERT_TRUE(CSettings::GetInstance().Init());
    }
}

// One object for the process; a second run while the box is open makes no second box.
TEST_F(AboutBoxTest, OneBoxPerProcessWhoseWindowExistsOnlyWhileOpen)
{
    EXPECT_EQ(&CDlgAbout::GetInstance(), &CDlgAbout::GetInstance());
    EXPECT_EQ(CDlgAbout::GetInstance().m_hWnd, nullptr);
    HWND hSeen = nullptr;
    INT_PTR nSecond = 0;
    int nBoxes = 0;
    EXPECT_EQ(RunAbout([&](HWND hBox) {
                  hSeen = hBox;
                  nSecond = CDlgAbout::GetInstance().DoModal();
                  EnumThreadWindows(
                      GetCurrentThreadId(),
                      [](HWND hWnd, LPARAM lParam) {
                          if (GetDlgItem(hWnd, IDC_ABOUT_NAME))
                              ++*reinterpret_cast<int*>(lParam);
                          return TRUE;
                      },
                      reinterpret_cast<LPARAM>(&nBoxes));
              }),
              IDOK);
    EXPECT_NE(hSeen, nullptr);
    EXPECT_EQ(nSecond, -1);
    EXPECT_EQ(nBoxes, 1);
    EXPECT_FALSE(IsWindow(hSeen));
    EXPECT_EQ(CDlgAbout::GetInstance().m_hWnd, nullptr);
}

}  // namespace
