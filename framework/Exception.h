// Base of the framework's exceptions. The framework raises them in the few places where a
// failure must abandon a whole step (a missing menu resource, internet and file errors of
// the updater); a window procedure never lets one pass into the system.
#pragma once
#include <windows.h>

class CException {
public:
    virtual ~CException() = default;

    // Copies the error text, cut to nMaxError - 1 characters and terminated; false (and an
    // empty text) when there is none.
    virtual bool GetErrorMessage(wchar_t* pszError, UINT nMaxError) const;

protected:
    CException() = default;
    CException(const CException&) = default;
    CException& operator=(const CException&) = default;

    // Helper of the derived classes: copies pszText into the caller's buffer as above.
    static bool CopyErrorMessage(const wchar_t* pszText, wchar_t* pszError, UINT nMaxError);
};
