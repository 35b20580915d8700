// The X wrappers against the real system calls: buffers, the last-error contract, the
// logged failures of the release functions, module paths, version records, the registry.
#include <windows.h>

#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "app/Log.h"
#include "app/SysWrappers.h"

namespace {

// A value no system call produces, so a wrapper that touches the caller's last error shows.
constexpr DWORD kCallerError = 0x20000000 | 4711;

std::vector<std::wstring> g_logLines;
void CaptureLine(const wchar_t* pszLine)
{
    g_logLines.emplace_back(pszLine);
}

std::wstring Widen(const char* psz)
{
    return std::wstring(psz, psz + strlen(psz));
}

std::wstring CurrentTestName()
{
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    return Widen(info->test_suite_name()) + L"." + Widen(info->name());
}

std::wstring OwnPath()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

std::wstring TempDir()  // with its trailing backslash
{
    wchar_t sz[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, sz);
    return std::wstring(sz, n);
}

std::wstring EnvVar(const wchar_t* pszName)
{
    wchar_t sz[4096];
    const DWORD n = GetEnvironmentVariableW(pszName, sz, 4096);
    return n < 4096 ? std::wstring(sz, n) : std::wstring();
}

// Routes the log into g_logLines for the test's duration.
class WrapperTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_logLines.clear();
        m_pfnPreviousSink = XLogSetSink(CaptureLine);
    }
    void TearDown() override { XLogSetSink(m_pfnPreviousSink); }

private:
    XLogSinkFn m_pfnPreviousSink = nullptr;
};

// ---------------------------------------------------------------------------------------
// Release functions: never disturb the caller's last error, log only their own failure.

// Shaped like a moveable-memory handle (8 mod 16) but pointing at zeroes: both the
// system's and Wine's LocalFree reject it with ERROR_INVALID_HANDLE instead of treating
// it as a heap block (a bad heap pointer may end the process on Windows).
alignas(16) unsigned char g_notAHandle[64];

HANDLE InvalidHandle()
{
    return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x7FFFFFF0));
}

// Each case makes its object first (which may set the last error), then releases it
// with the caller's value in place.
struct ReleaseCase {
    const char* name;
    void* (*make)();
    void (*release)(void*);
    const wchar_t* logLine;  // null: nothing is logged
};

const ReleaseCase kReleaseCases[] = {
    {"XRelease of null", [] { return static_cast<void*>(nullptr); }, XRelease, nullptr},
    {"XRelease of a buffer", [] { return XAlloc(16); }, XRelease, nullptr},
    {"XRelease of a non-buffer", [] { return static_cast<void*>(g_notAHandle + 8); }, XRelease,
     L"XRelease, XFree: 0x6.\n\n"},
    {"XCloseHandle of an event", [] { return static_cast<void*>(CreateEventW(nullptr, TRUE, FALSE, nullptr)); },
     [](void* h) { XCloseHandle(h); }, nullptr},
    {"XCloseHandle of an invalid handle", [] { return static_cast<void*>(InvalidHandle()); },
     [](void* h) { XCloseHandle(h); }, L"XCloseHandle, CloseHandle: 0x6.\n\n"},
    {"XFindClose of a search",
     [] {
         WIN32_FIND_DATAW data;
         return static_cast<void*>(FindFirstFileW(L"C:\\*", &data));
     },
     [](void* h) { XFindClose(h); }, nullptr},
    {"XFindClose of an invalid handle", [] { return static_cast<void*>(INVALID_HANDLE_VALUE); },
     [](void* h) { XFindClose(h); }, L"XFindClose, CloseHandle: 0x6.\n\n"},
    {"XRegCloseKey of an open key",
     [] {
         HKEY h = nullptr;
         RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &h);
         return static_cast<void*>(h);
     },
     [](void* h) { XRegCloseKey(static_cast<HKEY>(h)); }, nullptr},
    {"XRegCloseKey of an invalid key", [] { return static_cast<void*>(InvalidHandle()); },
     [](void* h) { XRegCloseKey(static_cast<HKEY>(h)); }, L"XRegCloseKey, RegCloseKey: 0x6.\n\n"},
};

TEST_F(WrapperTest, ReleaseKeepsLastErrorAndLogsOnlyFailures)
{
    for (const ReleaseCase& c : kReleaseCases) {
        SCOPED_TRACE(c.name);
        void* pObject = c.make();
        g_logLines.clear();
        SetLastError(kCallerError);
        c.release(pObject);
        EXPECT_EQ(GetLastError(), kCallerError);
        if (c.logLine)
            EXPECT_THAT(g_logLines, testing::ElementsAre(std::wstring(c.logLine)));
        else
            EXPECT_THAT(g_logLines, testing::IsEmpty());
    }
}

TEST_F(WrapperTest, FreeReportsToItsCaller)
{
    SetLastError(kCallerError);
    EXPECT_TRUE(XFree(nullptr));
    EXPECT_EQ(GetLastError(), 0u);

    SetLastError(0);
    EXPECT_FALSE(XFree(g_notAHandle + 8));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_THAT(g_logLines, testing::IsEmpty());
}

TEST_F(WrapperTest, LastErrorIsNeverZero)
{
    const struct {
        DWORD set, expected;
    } cases[] = {
        {0, static_cast<DWORD>(E_FAIL)},
        {ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases) {
        SetLastError(c.set);
        EXPECT_EQ(XLastError(), c.expected) << c.set;
        EXPECT_EQ(GetLastError(), c.set);
    }
}

// ---------------------------------------------------------------------------------------
// Buffers.

TEST_F(WrapperTest, AllocationFailuresLeaveAReason)
{
    SetLastError(0);
    EXPECT_EQ(XAlloc(SIZE_MAX), nullptr);
    EXPECT_NE(GetLastError(), 0u);

    // The byte count of this many characters does not fit a size_t.
    SetLastError(0);
    EXPECT_EQ(XAllocChars(SIZE_MAX / 2 + 1), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ARITHMETIC_OVERFLOW));
}

TEST_F(WrapperTest, StrDupCopiesOrRejectsNull)
{
    const wchar_t szText[] = L"Tessaro";
    SetLastError(kCallerError);
    XBuffer<wchar_t> copy(XStrDup(szText));
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.Get(), szText);
    EXPECT_STREQ(copy.Get(), szText);
    EXPECT_EQ(GetLastError(), 0u);

    EXPECT_EQ(XStrDup(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// ---------------------------------------------------------------------------------------
// Windows and controls.

class WindowTest : public WrapperTest {
protected:
    void SetUp() override
    {
        WrapperTest::SetUp();
        m_hWnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(m_hWnd, nullptr);
    }
    void TearDown() override
    {
        if (m_hWnd)
            DestroyWindow(m_hWnd);
        WrapperTest::TearDown();
    }
    HWND m_hWnd = nullptr;
};

TEST_F(WindowTest, GetWindowTextCopiesEmptyAndRealTexts)
{
    const std::wstring longText(1000, L'w');
    for (const wchar_t* pszText : {L"", L"Signal: 4 bars", longText.c_str()}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(pszText).substr(0, 20)));
        ASSERT_TRUE(SetWindowTextW(m_hWnd, pszText));
        SetLastError(kCallerError);
        XBuffer<wchar_t> text(XGetWindowText(m_hWnd));
        ASSERT_TRUE(text);  // an empty text is "", not a failure
        EXPECT_STREQ(text.Get(), pszText);
        EXPECT_EQ(GetLastError(), 0u);
    }
}

TEST_F(WindowTest, GetWindowTextOfNoWindowFails)
{
    DestroyWindow(m_hWnd);
    HWND hGone = std::exchange(m_hWnd, nullptr);
    SetLastError(0);
    EXPECT_EQ(XGetWindowText(hGone), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowTest, EnableDlgItemSwitchesTheControlOrFails)
{
    constexpr int kId = 1017;
    HWND hButton =
        CreateWindowExW(0, L"BUTTON", L"Cancel", WS_CHILD, 0, 0, 50, 20, m_hWnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)), GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hButton, nullptr);
    for (bool bEnable : {false, true, false}) {
        SetLastError(kCallerError);
        EXPECT_TRUE(XEnableDlgItem(m_hWnd, kId, bEnable));
        EXPECT_EQ(GetLastError(), 0u);
        EXPECT_EQ(IsWindowEnabled(hButton) != FALSE, bEnable);
    }

    SetLastError(0);
    EXPECT_FALSE(XEnableDlgItem(m_hWnd, kId + 1, true));
    EXPECT_NE(GetLastError(), 0u);
}

// ---------------------------------------------------------------------------------------
// Files and module paths.

TEST_F(WrapperTest, IsFileExistingTellsAbsenceFromErrors)
{
    const std::wstring temp = TempDir();
    const std::wstring tempNoSlash = temp.substr(0, temp.size() - 1);
    const std::wstring own = OwnPath();
    const std::wstring absentFile = temp + L"tn-absent-file.txt";
    const std::wstring absentPath = temp + L"tn-absent-folder\\file.txt";
    const std::wstring badName = temp + L"bad*folder\\file.txt";  // no wildcards before the last part
    const struct {
        const wchar_t* path;
        bool exists;
        DWORD error;  // after a false result
    } cases[] = {
        {own.c_str(), true, 0},
        {tempNoSlash.c_str(), true, 0},
        {absentFile.c_str(), false, 0},
        {absentPath.c_str(), false, 0},
        {badName.c_str(), false, ERROR_INVALID_NAME},
        {nullptr, false, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.path ? std::wstring(c.path) : L"(null)"));
        SetLastError(kCallerError);
        EXPECT_EQ(IsFileExisting(c.path), c.exists);
        if (!c.exists) {
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
    EXPECT_THAT(g_logLines, testing::IsEmpty());
}

TEST_F(WrapperTest, ModuleFileNameOfTheExecutable)
{
    SetLastError(kCallerError);
    XBuffer<wchar_t> path(XGetModuleFileName(nullptr));
    ASSERT_TRUE(path);
    EXPECT_EQ(std::wstring(path.Get()), OwnPath());
    EXPECT_EQ(GetLastError(), 0u);
}

// Copies of this executable at paths of chosen lengths, loaded as modules (without
// resolving imports or running any code of theirs), so that the path lengths around the
// first buffer (261 characters) and its growth steps of 64 can be asked for.
class ModulePathTest : public WrapperTest {
protected:
    void SetUp() override
    {
        WrapperTest::SetUp();
        m_root = TempDir() + L"tnw" + std::to_wstring(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryW(Long(m_root).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    }
    void TearDown() override
    {
        for (auto it = m_created.rbegin(); it != m_created.rend(); ++it) {
            if (!DeleteFileW(Long(*it).c_str()))
                RemoveDirectoryW(Long(*it).c_str());
        }
        RemoveDirectoryW(Long(m_root).c_str());
        WrapperTest::TearDown();
    }

    // The \\?\ form lifts the 248-character limit of directory creation on Windows.
    static std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

    // Builds <root>\ddd...\ddd...\m<len>.exe with exactly nLength characters.
    std::wstring CopyOfSelfWithPathLength(size_t nLength)
    {
        const std::wstring file = L"\\m" + std::to_wstring(nLength) + L".exe";
        std::wstring dir = m_root;
        size_t nPad = nLength - dir.size() - file.size();
        // Folder components of at most 200 characters, each with its backslash.
        while (nPad > 0) {
            const size_t nPart = std::min<size_t>(nPad, 200);
            if (nPart < 2)
                return {};  // an empty name would be needed
            dir += L"\\" + std::wstring(nPart - 1, L'd');
            nPad -= nPart;
            if (!CreateDirectoryW(Long(dir).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
                return {};
            m_created.push_back(dir);
        }
        const std::wstring path = dir + file;
        if (!CopyFileW(Long(OwnPath()).c_str(), Long(path).c_str(), FALSE))
            return {};
        m_created.push_back(path);
        return path;
    }

    std::wstring m_root;
    std::vector<std::wstring> m_created;
};

TEST_F(ModulePathTest, WholePathAroundTheBufferSteps)
{
    // 260 fits the first buffer; 261 fills it and needs one growth to 325; 325 two.
    for (size_t nLength : {200u, 260u, 261u, 262u, 324u, 325u, 400u}) {
        SCOPED_TRACE(nLength);
        const std::wstring path = CopyOfSelfWithPathLength(nLength);
        ASSERT_EQ(path.size(), nLength);
        HMODULE hModule = LoadLibraryExW(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
        // Windows loads a path over MAX_PATH only into a long-path-aware process; Wine always does.
        if (!hModule && GetLastError() == ERROR_FILENAME_EXCED_RANGE)
            GTEST_SKIP() << "this process cannot load modules with paths of " << nLength << " characters";
        ASSERT_NE(hModule, nullptr) << GetLastError();
        SetLastError(kCallerError);
        XBuffer<wchar_t> name(XGetModuleFileName(hModule));
        const DWORD nError = GetLastError();
        FreeLibrary(hModule);
        ASSERT_TRUE(name);
        EXPECT_EQ(std::wstring(name.Get()), path);
        EXPECT_EQ(nError, 0u);
    }
}

// ---------------------------------------------------------------------------------------
// Version resources: the executable carries FILEVERSION 1,2,3,4 and PRODUCTVERSION 5,6,7,8.

TEST_F(WrapperTest, FileVersionOfTheExecutable)
{
    const std::wstring own = OwnPath();
    for (const wchar_t* pszPath : {static_cast<const wchar_t*>(nullptr), own.c_str()}) {
        SCOPED_TRACE(pszPath ? "own path" : "null path");
        VS_FIXEDFILEINFO info = {};
        SetLastError(kCallerError);
        ASSERT_TRUE(XGetFileVersion(pszPath, &info));
        EXPECT_EQ(GetLastError(), 0u);
        EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(info.dwFileVersionMS, 0x00010002u);
        EXPECT_EQ(info.dwFileVersionLS, 0x00030004u);
        EXPECT_EQ(info.dwProductVersionMS, 0x00050006u);
        EXPECT_EQ(info.dwProductVersionLS, 0x00070008u);
    }
}

TEST_F(WrapperTest, FileVersionInfoIsTheWholeBlock)
{
    DWORD nSize = 0;
    SetLastError(kCallerError);
    XBuffer<void> block(XGetFileVersionInfo(nullptr, &nSize));
    ASSERT_TRUE(block);
    EXPECT_EQ(GetLastError(), 0u);
    DWORD nHandle = 0;
    EXPECT_EQ(nSize, GetFileVersionInfoSizeW(OwnPath().c_str(), &nHandle));

    void* pValue = nullptr;
    UINT nChars = 0;
    ASSERT_TRUE(VerQueryValueW(block.Get(), L"\\StringFileInfo\\040904b0\\ProductName", &pValue, &nChars));
    EXPECT_STREQ(static_cast<const wchar_t*>(pValue), L"Wrapper tests");
}

TEST_F(WrapperTest, FileVersionFailures)
{
    // A file that is not an executable has no version resource.
    const std::wstring textFile = TempDir() + L"tnw-version-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    HANDLE hFile =
        CreateFileW(textFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    DWORD nWritten = 0;
    WriteFile(hFile, "no resources here\r\n", 19, &nWritten, nullptr);
    CloseHandle(hFile);
    const std::wstring absent = TempDir() + L"tn-absent-file.exe";

    VS_FIXEDFILEINFO info = {};
    const struct {
        const char* name;
        const wchar_t* path;
        VS_FIXEDFILEINFO* record;
        DWORD error;  // 0: any non-zero reason
    } cases[] = {
        {"null record", nullptr, nullptr, ERROR_INVALID_PARAMETER},
        {"absent file", absent.c_str(), &info, ERROR_FILE_NOT_FOUND},
        {"no version resource", textFile.c_str(), &info, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_FALSE(XGetFileVersion(c.path, c.record));
        if (c.error)
            EXPECT_EQ(GetLastError(), c.error);
        else
            EXPECT_NE(GetLastError(), 0u);
        if (c.record) {
            DWORD nSize = 12345;
            SetLastError(0);
            EXPECT_EQ(XGetFileVersionInfo(c.path, &nSize), nullptr);
            EXPECT_NE(GetLastError(), 0u);
            EXPECT_EQ(nSize, 12345u);
        }
    }
    DeleteFileW(textFile.c_str());
    EXPECT_THAT(g_logLines, testing::IsEmpty());
}

// ---------------------------------------------------------------------------------------
// Registry: each test works in its own key HKCU\Software\TessaroNotifierTests\<test>.

constexpr wchar_t kTestsRoot[] = L"Software\\TessaroNotifierTests";

class RegistryTest : public WrapperTest {
protected:
    void SetUp() override
    {
        WrapperTest::SetUp();
        m_subKey = std::wstring(kTestsRoot) + L"\\" + CurrentTestName();
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, m_subKey.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                  &m_hKey, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override
    {
        if (m_hKey)
            RegCloseKey(m_hKey);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_subKey.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, kTestsRoot);  // only once it is empty
        WrapperTest::TearDown();
    }

    void Set(const wchar_t* pszName, DWORD nType, const void* pData, DWORD nBytes)
    {
        ASSERT_EQ(RegSetValueExW(m_hKey, pszName, 0, nType, static_cast<const BYTE*>(pData), nBytes), ERROR_SUCCESS);
    }

    std::wstring m_subKey;
    HKEY m_hKey = nullptr;
};

// Stored with 6 bytes: the system adds a forgotten terminator only when a zero follows the
// counted bytes in memory, so the "d" keeps "abc" unterminated in the registry.
const wchar_t kAbcd[] = L"abcd";
const wchar_t kAbc[] = L"abc";
const wchar_t kExpandable[] = L"%WINDIR%\\x";
const wchar_t kMulti[] = L"a\0b\0";  // with the implicit zero: "a", "b", end
const DWORD kDword = 0x01020304;
const BYTE kBinary[] = {0xde, 0xad, 0xbe, 0xef, 0x00};

TEST_F(RegistryTest, QueryValueHandsOutDataTypeAndSize)
{
    const struct {
        const wchar_t* name;
        DWORD type;
        const void* data;
        DWORD bytes;
    } cases[] = {
        {L"unterminated", REG_SZ, kAbcd, 6},
        {L"terminated", REG_SZ, kAbc, 8},
        {L"empty", REG_SZ, kAbc, 0},
        {L"expandable", REG_EXPAND_SZ, kExpandable, sizeof(kExpandable)},
        {L"multi", REG_MULTI_SZ, kMulti, sizeof(kMulti)},
        {L"dword", REG_DWORD, &kDword, 4},
        {L"binary", REG_BINARY, kBinary, 5},
        {L"nothing", REG_BINARY, kBinary, 0},
    };
    for (const auto& c : cases)
        Set(c.name, c.type, c.data, c.bytes);

    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        XBuffer<void> data;
        DWORD nType = REG_NONE;
        DWORD nSize = 0xFFFF;
        ASSERT_EQ(XRegQueryValue(m_hKey, c.name, data.Put(), &nType, &nSize), 0u);
        ASSERT_TRUE(data);
        EXPECT_EQ(nType, c.type);
        EXPECT_EQ(nSize, c.bytes);
        EXPECT_EQ(memcmp(data.Get(), c.data, c.bytes), 0);
        if (c.type != REG_DWORD && c.type != REG_BINARY) {  // a stored terminator or not, one follows
            EXPECT_EQ(static_cast<const wchar_t*>(data.Get())[c.bytes / 2], L'\0');
        }
    }
    EXPECT_THAT(g_logLines, testing::IsEmpty());
}

TEST_F(RegistryTest, QueryValueFailures)
{
    void* pData = &pData;  // anything but null, to see it cleared
    EXPECT_EQ(XRegQueryValue(m_hKey, L"absent", &pData, nullptr, nullptr), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(pData, nullptr);
    EXPECT_EQ(XRegQueryValue(m_hKey, L"absent", nullptr, nullptr, nullptr),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    wchar_t* pText = nullptr;
    EXPECT_EQ(XRegQueryString(m_hKey, L"absent", nullptr, false), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(XRegQueryString(nullptr, L"absent", &pText, false), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(pText, nullptr);
}

TEST_F(RegistryTest, QueryStringByTypeAndExpandFlag)
{
    Set(L"unterminated", REG_SZ, kAbcd, 6);
    Set(L"empty", REG_SZ, kAbc, 0);
    Set(L"expandable", REG_EXPAND_SZ, kExpandable, sizeof(kExpandable));
    Set(L"dword", REG_DWORD, &kDword, 4);
    Set(L"multi", REG_MULTI_SZ, kMulti, sizeof(kMulti));

    const std::wstring windir = EnvVar(L"WINDIR");
    ASSERT_FALSE(windir.empty());
    const std::wstring expanded = windir + L"\\x";
    const struct {
        const wchar_t* name;
        bool expand;
        DWORD code;
        const wchar_t* text;  // null: nothing handed out
    } cases[] = {
        {L"unterminated", false, 0, L"abc"},
        {L"unterminated", true, 0, L"abc"},  // REG_SZ is never expanded
        {L"empty", false, 0, L""},
        {L"expandable", false, 0, kExpandable},
        {L"expandable", true, 0, expanded.c_str()},
        {L"dword", false, ERROR_INVALID_DATA, nullptr},
        {L"multi", false, ERROR_INVALID_DATA, nullptr},
        {L"absent", true, ERROR_FILE_NOT_FOUND, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name) + (c.expand ? L" expanded" : L"")));
        wchar_t* pText = reinterpret_cast<wchar_t*>(&pText);
        EXPECT_EQ(XRegQueryString(m_hKey, c.name, &pText, c.expand), c.code);
        XBuffer<wchar_t> text(pText);
        if (c.text) {
            ASSERT_TRUE(text);
            EXPECT_STREQ(text.Get(), c.text);
        } else {
            EXPECT_EQ(pText, nullptr);
        }

        // XRegGetString hands the same code on as the last-error value.
        SetLastError(kCallerError);
        XBuffer<wchar_t> got(XRegGetString(m_hKey, c.name, c.expand));
        EXPECT_EQ(GetLastError(), c.code);
        EXPECT_EQ(static_cast<bool>(got), c.text != nullptr);
    }
}

TEST_F(RegistryTest, ReadStringOpensReadsAndCloses)
{
    Set(L"AppLang", REG_SZ, L"de", 6);
    const std::wstring missingKey = m_subKey + L"\\absent";
    const struct {
        const wchar_t* subKey;
        const wchar_t* name;
        const wchar_t* text;
        DWORD error;
    } cases[] = {
        {m_subKey.c_str(), L"AppLang", L"de", 0},
        {m_subKey.c_str(), L"absent", nullptr, ERROR_FILE_NOT_FOUND},
        {missingKey.c_str(), L"AppLang", nullptr, ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.subKey) + L" " + c.name));
        SetLastError(kCallerError);
        XBuffer<wchar_t> text(XRegReadString(HKEY_CURRENT_USER, c.subKey, c.name, false));
        EXPECT_EQ(GetLastError(), c.error);
        if (c.text) {
            ASSERT_TRUE(text);
            EXPECT_STREQ(text.Get(), c.text);
        } else {
            EXPECT_FALSE(text);
        }
    }
    EXPECT_THAT(g_logLines, testing::IsEmpty());
}

TEST_F(WrapperTest, ExpandsEnvironmentVariables)
{
    const std::wstring expected = EnvVar(L"WINDIR") + L";%TN_UNSET_VARIABLE%";
    SetLastError(kCallerError);
    XBuffer<wchar_t> text(XExpandEnvironmentStrings(L"%WINDIR%;%TN_UNSET_VARIABLE%"));
    ASSERT_TRUE(text);
    EXPECT_EQ(std::wstring(text.Get()), expected);
    EXPECT_EQ(GetLastError(), 0u);

    XBuffer<wchar_t> empty(XExpandEnvironmentStrings(L""));
    ASSERT_TRUE(empty);
    EXPECT_STREQ(empty.Get(), L"");

    EXPECT_EQ(XExpandEnvironmentStrings(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
