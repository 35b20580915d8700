#include "update/Administrator.h"

#include <windows.h>

#include "app/SysWrappers.h"

bool IsAdministrator(bool& bIsAdmin)
{
    XHandle hToken;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, hToken.Put()))
        return false;
    DWORD nSize = 0;
    if (!GetTokenInformation(hToken.Get(), TokenGroups, nullptr, 0, &nSize) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    XBuffer<TOKEN_GROUPS> groups(static_cast<TOKEN_GROUPS*>(LocalAlloc(LPTR, nSize)));
    if (!groups || !GetTokenInformation(hToken.Get(), TokenGroups, groups.Get(), nSize, &nSize))
        return false;

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    XSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, administrators.Put()))
        return false;
    // The attributes are not looked at: membership is what is asked, not whether it is
    // enabled now.
    const SID_AND_ATTRIBUTES* pGroups = groups.Get()->Groups;
    bool bFound = false;
    for (DWORD i = 0; i < groups.Get()->GroupCount && !bFound; ++i)
        bFound = EqualSid(pGroups[i].Sid, administrators.Get()) != FALSE;
    bIsAdmin = bFound;
    return true;
}
