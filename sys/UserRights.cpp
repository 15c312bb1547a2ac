#include "sys/UserRights.h"

#include "handles/UniqueHandle.h"

#include <aclapi.h>

namespace
{
// Declared by the SDK only for Vista and later; on XP GetTokenInformation refuses them.
const TOKEN_INFORMATION_CLASS kTokenElevationType = static_cast<TOKEN_INFORMATION_CLASS>(18);
const TOKEN_INFORMATION_CLASS kTokenLinkedToken = static_cast<TOKEN_INFORMATION_CLASS>(19);
const DWORD kTokenElevationTypeFull = 2;
} // namespace

bool IsAdministrator()
{
    SID_IDENTIFIER_AUTHORITY authority = {SECURITY_NT_AUTHORITY};
    PSID administrators = NULL;
    if (!AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators))
        return false;
    BOOL member = FALSE;
    if (!CheckTokenMembership(NULL, administrators, &member))
        member = FALSE;
    FreeSid(administrators);
    return member != FALSE;
}

bool IsElevated()
{
    CUniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put()))
        return false;
    DWORD type = 0;
    DWORD size = 0;
    return GetTokenInformation(token.Get(), kTokenElevationType, &type, sizeof(type), &size) &&
           type == kTokenElevationTypeFull;
}

bool UnelevatedCanAddFolder(HANDLE folder)
{
    if (!IsElevated())
        return true;
    CUniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put()))
        return false;
    CUniqueHandle linked;
    DWORD size = 0;
    HANDLE linkedToken = NULL;
    if (!GetTokenInformation(token.Get(), kTokenLinkedToken, &linkedToken, sizeof(linkedToken),
                             &size))
        return false;
    linked.Reset(linkedToken);

    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                            DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION,
                        NULL, NULL, NULL, NULL, &descriptor) != ERROR_SUCCESS)
        return false;
    CUniqueLocalMem owned(descriptor);
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                               FILE_ALL_ACCESS};
    PRIVILEGE_SET privileges;
    DWORD privilegesSize = sizeof(privileges);
    DWORD granted = 0;
    BOOL allowed = FALSE;
    BOOL checked = AccessCheck(descriptor, linked.Get(), FILE_ADD_SUBDIRECTORY, &mapping,
                               &privileges, &privilegesSize, &granted, &allowed);
    return checked && allowed;
}

HANDLE OpenShellUserToken()
{
    if (!IsElevated())
        return NULL;
    HWND shell = GetShellWindow();
    DWORD processId = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &processId) || processId == 0)
        return NULL;
    CUniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    CUniqueHandle token;
    if (!process || !OpenProcessToken(process.Get(), TOKEN_DUPLICATE, token.Put()))
        return NULL;
    HANDLE primary = NULL;
    if (!DuplicateTokenEx(token.Get(),
                          TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY |
                              TOKEN_ADJUST_DEFAULT | TOKEN_ADJUST_SESSIONID,
                          NULL, SecurityImpersonation, TokenPrimary, &primary))
        return NULL;
    return primary;
}
