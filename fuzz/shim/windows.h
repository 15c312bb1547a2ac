// The few Win32 declarations that the natively built sources use, for the sanitizer and
// fuzzing build on Linux only. The Windows build never sees this file. Every function is
// served by FakeSystem.cpp from an in-memory state that the tests and fuzzers set up; none
// pretends to be more than the calls these sources make need.
#pragma once

#include <cstdint>
#include <cstring>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int DWORD; // 32 bits, as on Windows, whatever long is here
typedef int LONG;
typedef unsigned int UINT;
typedef WORD LANGID;
typedef DWORD REGSAM;
typedef const char* LPCSTR;
typedef const wchar_t* LPCWSTR;
typedef wchar_t* LPWSTR;
typedef BOOL* LPBOOL;
typedef char* LPSTR;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef void* HANDLE;
typedef void* HGDIOBJ;
typedef struct HINSTANCE__* HMODULE;
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef struct HPEN__* HPEN;
typedef struct HFONT__* HFONT;
typedef struct HBITMAP__* HBITMAP;
typedef struct HBRUSH__* HBRUSH;

#define WINAPI
#define FALSE 0
#define TRUE 1
#define MAX_PATH 260
#define CP_ACP 0
#define WC_NO_BEST_FIT_CHARS 0x00000400

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(0xFFFFFFFF))
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010

#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002)))
#define KEY_QUERY_VALUE 0x0001
#define REG_SZ 1

#define LANG_CHINESE 0x04
#define PRIMARYLANGID(lgid) (static_cast<WORD>(lgid) & 0x3ff)

#define ZeroMemory(p, n) memset((p), 0, (n))

typedef struct _PROCESS_INFORMATION
{
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION;

// No kernel objects exist here: closing one always fails.
BOOL WINAPI CloseHandle(HANDLE h);
BOOL WINAPI FindClose(HANDLE h);
BOOL WINAPI DeleteObject(HGDIOBJ h);

void WINAPI OutputDebugStringA(LPCSTR text);
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer);
// The fake system has a temporary path only in the ANSI code page, which is single-byte.
DWORD WINAPI GetTempPathW(DWORD size, LPWSTR buffer);
DWORD WINAPI GetShortPathNameW(LPCWSTR longPath, LPWSTR buffer, DWORD size);
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR buffer,
                               int size, LPCSTR defaultChar, LPBOOL usedDefault);
BOOL WINAPI IsDBCSLeadByte(BYTE byte);
UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size);
DWORD WINAPI GetFileAttributesA(LPCSTR path);
DWORD WINAPI GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart);
DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR buffer,
                                      DWORD size, LPCSTR fileName);
LANGID WINAPI GetSystemDefaultLangID();

LONG WINAPI RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize);
LONG WINAPI RegCloseKey(HKEY key);
