#include "sys/UserRights.h"

namespace
{
// Declared by the SDK only for Vista and later; on XP GetTokenInformation refuses them.
const TOKEN_INFORMATION_CLASS kTokenElevationType = static_cast<TOKEN_INFORMATION_CLASS>(18);
const TOKEN_INFORMATION_CLASS kTokenLinkedToken = static_cast<TOKEN_INFORMATION_CLASS>(19);
const DWORD kTokenElevationTypeFull = 2;

const DWORD kPrimaryAccess = TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY |
                             TOKEN_ADJUST_DEFAULT | TOKEN_ADJUST_SESSIONID;

// The full token of a user whose other programs run with a filtered one (UAC).
bool IsElevated(HANDLE token)
{
    DWORD type = 0;
    DWORD size = 0;
    return GetTokenInformation(token, kTokenElevationType, &type, sizeof(type), &size) &&
           type == kTokenElevationTypeFull;
}

bool IsSameUser(HANDLE token, HANDLE other)
{
    BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    BYTE otherUser[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    return GetTokenInformation(token, TokenUser, user, sizeof(user), &size) &&
           GetTokenInformation(other, TokenUser, otherUser, sizeof(otherUser), &size) &&
           EqualSid(reinterpret_cast<TOKEN_USER*>(user)->User.Sid,
                    reinterpret_cast<TOKEN_USER*>(otherUser)->User.Sid);
}

// A primary token of the desktop shell's process; NULL when there is no shell or it
// cannot be opened.
HANDLE OpenShellToken()
{
    HWND shell = GetShellWindow();
    DWORD processId = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &processId) || processId == 0)
        return NULL;
    CUniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    CUniqueHandle token;
    HANDLE primary = NULL;
    if (!process || !OpenProcessToken(process.Get(), TOKEN_DUPLICATE | TOKEN_QUERY, token.Put()) ||
        !DuplicateTokenEx(token.Get(), kPrimaryAccess, NULL, SecurityImpersonation, TokenPrimary,
                          &primary))
        return NULL;
    return primary;
}

// The filtered token linked to the elevated token own, made a primary one of the same
// user in token; false, GetLastError telling why, when it cannot be had (Windows gives it
// to an administrator for identification only).
bool OpenLinkedToken(HANDLE own, CUniqueHandle& token)
{
    CUniqueHandle linked;
    DWORD size = 0;
    if (!GetTokenInformation(own, kTokenLinkedToken, linked.Put(), sizeof(HANDLE), &size))
        return false;
    if (!IsSameUser(own, linked.Get()))
    {
        SetLastError(ERROR_NO_TOKEN);
        return false;
    }
    return DuplicateTokenEx(linked.Get(), kPrimaryAccess, NULL, SecurityImpersonation, TokenPrimary,
                            token.Put()) != FALSE;
}
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

bool ChooseApplicationToken(CUniqueHandle& token)
{
    token.Reset();
    if (!IsAdministrator())
        return true;
    CUniqueHandle own;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, own.Put()))
        return false;
    bool elevated = IsElevated(own.Get());
    token.Reset(OpenShellToken());
    if (token)
    {
        // The user's own programs run as administrator too: the same rights.
        if (!elevated && IsSameUser(token.Get(), own.Get()))
            token.Reset();
        return true;
    }
    // No shell (none running, or it cannot be opened): an elevated process still has its
    // user's filtered half; any other has nothing that is surely no more than the user's.
    if (!elevated)
    {
        SetLastError(ERROR_NO_TOKEN);
        return false;
    }
    return OpenLinkedToken(own.Get(), token);
}
