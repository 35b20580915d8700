// The HTTP servers of tests/http/updater_servers.py, started from a test under Wine: the
// stock server over a folder and the scripted one for the answers it cannot give, both on
// 127.0.0.1. Wine starts a Unix program without a process handle to keep, so they are
// stopped through their ports file, and by their own lifetime at the latest.
#pragma once
#include <windows.h>

#include <string>

class CLoopbackHttp {
public:
    CLoopbackHttp() = default;
    ~CLoopbackHttp() { Stop(); }
    CLoopbackHttp(const CLoopbackHttp&) = delete;
    CLoopbackHttp& operator=(const CLoopbackHttp&) = delete;

    // Serves the folder strRoot (a Windows path) for at most nLifetimeSeconds; the ports
    // file goes into strWork. False if the servers did not come up within 20 s.
    bool Start(const std::wstring& strRoot, const std::wstring& strWork, int nLifetimeSeconds);
    // Stops both servers; safe to repeat.
    void Stop();

    int StockPort() const { return m_nStockPort; }
    int ScriptedPort() const { return m_nScriptedPort; }
    std::wstring StockUrl(const std::wstring& strPath) const { return Url(m_nStockPort, strPath); }
    std::wstring ScriptedUrl(const std::wstring& strPath) const { return Url(m_nScriptedPort, strPath); }

private:
    static std::wstring Url(int nPort, const std::wstring& strPath)
    {
        return L"http://127.0.0.1:" + std::to_wstring(nPort) + strPath;
    }

    std::wstring m_strPortsFile;
    int m_nStockPort = 0;
    int m_nScriptedPort = 0;
};

// A new folder in the temporary folder, named after the prefix and the tick count, with an
// empty folder "www" in it for the servers to serve; empty if it cannot be made.
std::wstring MakeServedFolder(const std::wstring& strPrefix);
// The Unix path of a file (Wine's own conversion); empty outside Wine.
std::string UnixPath(const std::wstring& strPath);
// A whole file's bytes; empty if it cannot be read.
std::string ReadBytes(const std::wstring& strPath);
// Writes the bytes as the whole file; false on any failure.
bool WriteBytes(const std::wstring& strPath, const std::string& bytes);
