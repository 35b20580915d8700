// Raised when a resource the program cannot do without is missing (the tray menu).
#pragma once
#include "framework/Exception.h"

class CResourceException : public CException {
public:
    CResourceException() = default;
    bool GetErrorMessage(wchar_t* pszError, UINT nMaxError) const override;
};

// Throws a CResourceException.
[[noreturn]] void AfxThrowResourceException();
