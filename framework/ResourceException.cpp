#include "framework/ResourceException.h"

bool CResourceException::GetErrorMessage(wchar_t* pszError, UINT nMaxError) const
{
    return CopyErrorMessage(L"The resource could not be loaded.", pszError, nMaxError);
}

void AfxThrowResourceException()
{
    throw CResourceException();
}
