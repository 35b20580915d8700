// String lookups against real resource modules: the English table of this binary (built
// from the same list as the program's), the program's own executable, the test language
// library Xx.dll, a malformed block; the title insertion; and start-up's language choice
// with the registry value "AppLang", the library files beside the executable and the
// lines it leaves in "Trace.Log" and the log.
#include <windows.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <ostream>
#include <string>
#include <vector>

#include "app/AppString.h"
#include "app/LanguageSelection.h"
#include "app/Log.h"
#include "app/ResourceModule.h"
#include "app/StringLoader.h"
#include "app/SysWrappers.h"

namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

struct TableString {
    uint32_t nId;
    const wchar_t* pszText;
};
#define TN_STRING(name, id, text) {id, text},
const TableString kTable[] = {
#include "resources/StringTable.inc"
};
#undef TN_STRING

const wchar_t kLanguageKey[] = L".DEFAULT\\Software\\Vantrel\\Tessaro Notifier\\ApplicationSettings";

std::vector<std::wstring> g_logLines;
void CaptureLine(const wchar_t* pszLine)
{
    g_logLines.emplace_back(pszLine);
}

std::wstring OwnDir()  // with its trailing backslash
{
    wchar_t sz[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, sz, MAX_PATH);
    std::wstring path(sz, n);
    return path.substr(0, path.rfind(L'\\') + 1);
}

std::wstring Take(wchar_t* pszText)  // takes a wrapper buffer; null reads as "(null)"
{
    XBuffer<wchar_t> text(pszText);
    return text ? std::wstring(text.Get()) : std::wstring(L"(null)");
}

std::wstring TracePath()
{
    return OwnDir() + L"Trace.Log";
}

// The messages of "Trace.Log", without their time stamps.
std::vector<std::wstring> TraceMessages()
{
    std::vector<std::wstring> messages;
    HANDLE hFile = CreateFileW(TracePath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return messages;
    char buffer[16384];
    DWORD nRead = 0;
    ReadFile(hFile, buffer, sizeof(buffer), &nRead, nullptr);
    CloseHandle(hFile);
    const std::string text(buffer, nRead);
    for (size_t nStart = 0; nStart < text.size();) {
        size_t nEnd = text.find('\n', nStart);
        if (nEnd == std::string::npos)
            nEnd = text.size();
        const std::string line = text.substr(nStart, nEnd - nStart);
        const size_t nMessage = line.find("]  ");
        messages.emplace_back(line.begin() + (nMessage == std::string::npos ? 0 : nMessage + 3), line.end());
        nStart = nEnd + 1;
    }
    return messages;
}

class ResourceModuleGuard : public testing::Test {
protected:
    void TearDown() override
    {
        AfxSetResourceHandle(nullptr);
        for (HMODULE h : m_modules)
            FreeLibrary(h);
    }
    HMODULE LoadData(const std::wstring& path)
    {
        HMODULE h = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (h)
            m_modules.push_back(h);
        return h;
    }

private:
    std::vector<HMODULE> m_modules;
};

// ---------------------------------------------------------------------------------------
// The English table and the lookup.

class StringTableTest : public ResourceModuleGuard {};

TEST_F(StringTableTest, EveryIdOfTheListReadsBackExactlyFromThisModuleAndTheProgram)
{
    const HMODULE hProgram = LoadData(OwnDir() + L"..\\..\\TessaroNotifier.exe");
    ASSERT_NE(hProgram, nullptr) << "TessaroNotifier.exe not beside the build's tests";
    for (const TableString& s : kTable) {
        SCOPED_TRACE(s.nId);
        EXPECT_EQ(Take(LoadAppString(s.nId)), s.pszText);
        EXPECT_EQ(Take(LoadAppString(hProgram, s.nId)), s.pszText);
    }
    // Written out here rather than taken from the list, so an escape the resource
    // compiler reads differently from the C++ compiler shows.
    EXPECT_EQ(Take(LoadAppString(hProgram, 107)), kLanguageKey);
    const std::wstring str119 = Take(LoadAppString(hProgram, 119));
    EXPECT_EQ(std::count(str119.begin(), str119.end(), L'\n'), 2) << str119;
    EXPECT_EQ(Take(LoadAppString(hProgram, 2500)), L"-");
    EXPECT_EQ(Take(LoadAppString(hProgram, 57344)), L"Tessaro Notifier");
}

TEST_F(StringTableTest, AbsentIdsGiveNoTextWithTheReason)
{
    struct Row {
        uint32_t nId;
        DWORD nError;
    };
    const Row rows[] = {
        {2504, ERROR_RESOURCE_NAME_NOT_FOUND},  // empty entry of a present block
        {108, ERROR_RESOURCE_NAME_NOT_FOUND},
        {4000, ERROR_RESOURCE_NAME_NOT_FOUND},  // no such block
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.nId);
        SetLastError(0);
        EXPECT_EQ(LoadAppString(row.nId), nullptr);
        EXPECT_EQ(GetLastError(), row.nError);
        EXPECT_EQ(AppString(row.nId), L"");
    }
}

TEST_F(StringTableTest, EntryImageIsTheCountFollowedByTheTextInsideTheResource)
{
    const CResolver resolver(AfxGetInstanceHandle());
    const WORD* pEntry = GetStringResourceImage(2512, resolver);
    ASSERT_NE(pEntry, nullptr);
    EXPECT_EQ(pEntry[0], 27);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(pEntry + 1), pEntry[0]), L"No connection to the router");
}

TEST_F(StringTableTest, MalformedBlockIsReportedAndGivesNoText)
{
    const XLogSinkFn pfnPrevious = XLogSetSink(CaptureLine);
    struct Row {
        uint32_t nId;
        const wchar_t* pszLine;
    };
    const Row rows[] = {
        {4800, L"GetStringResourceImage: invalid resources [2].\n"},  // truncated inside the entry
        {4801, L"GetStringResourceImage: invalid resources.\n"},      // past the block's end
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.nId);
        g_logLines.clear();
        EXPECT_EQ(LoadAppString(row.nId), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
        EXPECT_THAT(g_logLines, ElementsAre(row.pszLine));
    }
    XLogSetSink(pfnPrevious);
}

TEST_F(StringTableTest, ProgramCarriesItsVersionAndTheCopyrightOfString2502)
{
    const std::wstring path = OwnDir() + L"..\\..\\TessaroNotifier.exe";
    VS_FIXEDFILEINFO info;
    ASSERT_TRUE(XGetFileVersion(path.c_str(), &info));
    EXPECT_EQ(info.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(info.dwProductVersionLS, 91u);
    EXPECT_EQ(info.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(info.dwFileVersionLS, 91u);

    XBuffer<void> block(XGetFileVersionInfo(path.c_str(), nullptr));
    ASSERT_TRUE(block);
    auto value = [&](const wchar_t* pszName) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + pszName;
        void* p = nullptr;
        UINT n = 0;
        if (!VerQueryValueW(block.Get(), query.c_str(), &p, &n) || !p)
            return std::wstring(L"(none)");
        return std::wstring(static_cast<const wchar_t*>(p));
    };
    const HMODULE hProgram = LoadData(path);
    ASSERT_NE(hProgram, nullptr);
    EXPECT_EQ(value(L"LegalCopyright"), Take(LoadAppString(hProgram, 2502)));
    EXPECT_EQ(value(L"CompanyName"), L"Vantrel");
    EXPECT_EQ(value(L"ProductName"), L"Tessaro Notifier");
    EXPECT_EQ(value(L"ProductVersion"), L"1.0.0.91");
}

TEST_F(StringTableTest, LanguageLibraryReplacesTheWholeTable)
{
    const HMODULE hXx = LoadData(OwnDir() + L"Xx.dll");
    ASSERT_NE(hXx, nullptr);
    AfxSetResourceHandle(hXx);
    EXPECT_EQ(AppString(2512), L"[Xx] No connection to the router");
    EXPECT_EQ(AppString(2506), L"[Xx] Ger\u00e4testatus \u2013 \u0237");  // UTF-8 script read as such
    EXPECT_EQ(AppString(107), kLanguageKey);
    // No fall-back to the English text for what the library lacks.
    EXPECT_EQ(LoadAppString(2529), nullptr);
    EXPECT_EQ(AppString(2529), L"");
    AfxSetResourceHandle(nullptr);
    EXPECT_EQ(AppString(2512), L"No connection to the router");
}

TEST_F(StringTableTest, InsertAppTitleReplacesEveryMarkWithTheTitleOfTheCurrentModule)
{
    const HMODULE hXx = LoadData(OwnDir() + L"Xx.dll");
    ASSERT_NE(hXx, nullptr);
    struct Row {
        HMODULE hModule;  // null: this binary's English table
        const wchar_t* pszCaption;
        const wchar_t* pszResult;
    };
    const Row rows[] = {
        {nullptr, L"About %s", L"About Tessaro Notifier"},
        {nullptr, L"No mark here", L"No mark here"},
        {nullptr, L"%s, %s%s", L"Tessaro Notifier, Tessaro NotifierTessaro Notifier"},
        {nullptr, L"100%% %d %", L"100%% %d %"},
        {nullptr, L"", L""},
        {hXx, L"About %s", L"About [Xx] Tessaro Notifier"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.pszCaption)));
        AfxSetResourceHandle(row.hModule);
        HWND hWnd = CreateWindowExW(0, L"STATIC", row.pszCaption, 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hWnd, nullptr);
        EXPECT_TRUE(InsertAppTitle(hWnd));
        EXPECT_EQ(Take(XGetWindowText(hWnd)), row.pszResult);
        DestroyWindow(hWnd);
    }
}

// ---------------------------------------------------------------------------------------
// Language selection at start-up.

enum class LibraryFile { None, CopyOfXx, NotALibrary };

struct LanguageCase {
    const char* name;
    DWORD nType;              // REG_NONE: no value
    const wchar_t* pszValue;  // the text of REG_SZ and REG_EXPAND_SZ
    const wchar_t* pszFile;   // file placed beside the executable for the case
    LibraryFile file;
    const wchar_t* pszLoaded;  // file name of the library expected loaded; null: English
    bool bLoadFails;
    std::vector<std::wstring> trace;
};

void PrintTo(const LanguageCase& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const wchar_t kEnglishLine[] = L"Default Language English Selected since registry value was empty.";
const wchar_t kNotExisting[] = L"IsFileExisting failed";
const wchar_t kLoadFailed[] = L"LoadLibrary failed [m_hLangDLL is NULL]";
const wchar_t kNoHandle[] = L"AfxSetResourceHandle failed [m_hLangDLL is NULL]";

const LanguageCase kLanguageCases[] = {
    {"Absent", REG_NONE, nullptr, nullptr, LibraryFile::None, nullptr, false, {kEnglishLine}},
    {"Empty", REG_SZ, L"", nullptr, LibraryFile::None, nullptr, false, {kEnglishLine}},
    {"En", REG_SZ, L"En", nullptr, LibraryFile::None, nullptr, false, {kEnglishLine}},
    {"NotAString", REG_DWORD, nullptr, nullptr, LibraryFile::None, nullptr, false, {kEnglishLine}},
    {"Xx", REG_SZ, L"Xx", nullptr, LibraryFile::None, L"Xx.dll", false, {}},
    {"FrWithoutLibrary", REG_SZ, L"Fr", nullptr, LibraryFile::None, nullptr, false, {kNotExisting, kNoHandle}},
    {"LowerCaseEnIsACode", REG_SZ, L"en", L"en.dll", LibraryFile::CopyOfXx, L"en.dll", false, {}},
    {"ExpandedReference", REG_EXPAND_SZ, L"%TN_TEST_LANGUAGE%", nullptr, LibraryFile::None, L"Xx.dll", false, {}},
    {"NotALibrary", REG_SZ, L"Zz", L"Zz.dll", LibraryFile::NotALibrary, nullptr, true, {kLoadFailed, kNoHandle}},
};

// Holds the registry value, the files beside the executable, the log and the resource
// module for one case, and puts everything back afterwards.
class LanguageSelectionTest : public testing::TestWithParam<LanguageCase> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_USERS, kLanguageKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &m_hKey, nullptr),
            ERROR_SUCCESS);
        DWORD nSize = 0;
        if (RegQueryValueExW(m_hKey, L"AppLang", nullptr, &m_nSavedType, nullptr, &nSize) == ERROR_SUCCESS) {
            m_saved.resize(nSize);
            RegQueryValueExW(m_hKey, L"AppLang", nullptr, &m_nSavedType, m_saved.data(), &nSize);
            m_bSaved = true;
        }
        RegDeleteValueW(m_hKey, L"AppLang");
        DeleteFileW(TracePath().c_str());
        SetEnvironmentVariableW(L"TN_TEST_LANGUAGE", L"Xx");
        g_logLines.clear();
        m_pfnPreviousSink = XLogSetSink(CaptureLine);
        m_nPreviousLevel = XLogGetLevel();
        XLogSetLevel(1);
    }
    void TearDown() override
    {
        XLogSetLevel(m_nPreviousLevel);
        XLogSetSink(m_pfnPreviousSink);
        AfxSetResourceHandle(nullptr);
        if (m_hLoaded)
            FreeLibrary(m_hLoaded);
        if (GetParam().pszFile)
            DeleteFileW((OwnDir() + GetParam().pszFile).c_str());
        SetEnvironmentVariableW(L"TN_TEST_LANGUAGE", nullptr);
        DeleteFileW(TracePath().c_str());
        if (m_hKey) {
            if (m_bSaved)
                RegSetValueExW(m_hKey, L"AppLang", 0, m_nSavedType, m_saved.data(), static_cast<DWORD>(m_saved.size()));
            else
                RegDeleteValueW(m_hKey, L"AppLang");
            RegCloseKey(m_hKey);
        }
    }
    void SetValue(const LanguageCase& c)
    {
        if (c.nType == REG_SZ || c.nType == REG_EXPAND_SZ) {
            const DWORD nBytes = static_cast<DWORD>((wcslen(c.pszValue) + 1) * sizeof(wchar_t));
            ASSERT_EQ(RegSetValueExW(m_hKey, L"AppLang", 0, c.nType, reinterpret_cast<const BYTE*>(c.pszValue), nBytes),
                      ERROR_SUCCESS);
        } else if (c.nType == REG_DWORD) {
            const DWORD nValue = 0x5878;
            ASSERT_EQ(RegSetValueExW(m_hKey, L"AppLang", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&nValue),
                                     sizeof(nValue)),
                      ERROR_SUCCESS);
        }
    }
    void PlaceFile(const LanguageCase& c)
    {
        const std::wstring path = OwnDir() + (c.pszFile ? c.pszFile : L"");
        if (c.file == LibraryFile::CopyOfXx) {
            ASSERT_TRUE(CopyFileW((OwnDir() + L"Xx.dll").c_str(), path.c_str(), FALSE));
        } else if (c.file == LibraryFile::NotALibrary) {
            HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            const char kJunk[] = "not a library at all";
            DWORD n = 0;
            WriteFile(h, kJunk, sizeof(kJunk), &n, nullptr);
            CloseHandle(h);
        }
    }

    HMODULE m_hLoaded = nullptr;

private:
    HKEY m_hKey = nullptr;
    bool m_bSaved = false;
    DWORD m_nSavedType = REG_NONE;
    std::vector<BYTE> m_saved;
    XLogSinkFn m_pfnPreviousSink = nullptr;
    uint16_t m_nPreviousLevel = 0;
};

TEST_P(LanguageSelectionTest, ChoosesTheLibraryAndLeavesItsTrace)
{
    const LanguageCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(SetValue(c));
    ASSERT_NO_FATAL_FAILURE(PlaceFile(c));
    ASSERT_TRUE(IsFileExisting((OwnDir() + L"Xx.dll").c_str())) << "Xx.dll not beside the test";

    m_hLoaded = SelectLanguageLibrary();

    EXPECT_THAT(TraceMessages(), ElementsAreArray(c.trace));
    if (c.pszLoaded) {
        ASSERT_NE(m_hLoaded, nullptr);
        EXPECT_EQ(AfxGetResourceHandle(), m_hLoaded);
        EXPECT_THAT(g_logLines, ElementsAre(L"Loading " + OwnDir() + c.pszLoaded + L" suceeded (0x0)\n"));
        EXPECT_EQ(AppString(2512), L"[Xx] No connection to the router");
        EXPECT_EQ(LoadAppString(2529), nullptr);  // lacking from the library: no English fall-back
    } else {
        EXPECT_EQ(m_hLoaded, nullptr);
        EXPECT_EQ(AfxGetResourceHandle(), AfxGetInstanceHandle());
        if (c.bLoadFails) {
            ASSERT_EQ(g_logLines.size(), 1u);
            const std::wstring strPrefix = L"Loading " + OwnDir() + c.pszFile + L" failed (0x";
            EXPECT_EQ(g_logLines[0].rfind(strPrefix, 0), 0u) << g_logLines[0];
            EXPECT_NE(g_logLines[0], strPrefix + L"0)\n");  // the load's error code, not 0
        } else {
            EXPECT_THAT(g_logLines, IsEmpty());
        }
        EXPECT_EQ(AppString(2512), L"No connection to the router");
    }
}

INSTANTIATE_TEST_SUITE_P(AppLang, LanguageSelectionTest, testing::ValuesIn(kLanguageCases),
                         [](const testing::TestParamInfo<LanguageCase>& info) { return std::string(info.param.name); });

}  // namespace
