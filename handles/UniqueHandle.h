// Owners for system handles: one template with a per-type empty value and close
// function, and an alias per handle type. Not copyable; movable.
#pragma once

#include <windows.h>

template <typename Traits> class CUniqueOwner
{
public:
    typedef typename Traits::Type Type;

    CUniqueOwner() : m_h(Traits::Empty()) {}
    explicit CUniqueOwner(Type h) : m_h(h) {}
    ~CUniqueOwner() { Reset(); }

    CUniqueOwner(CUniqueOwner&& other) : m_h(other.Release()) {}
    CUniqueOwner& operator=(CUniqueOwner&& other)
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    CUniqueOwner(const CUniqueOwner&) = delete;
    CUniqueOwner& operator=(const CUniqueOwner&) = delete;

    Type Get() const { return m_h; }
    explicit operator bool() const { return m_h != Traits::Empty(); }

    // Gives up ownership without closing.
    Type Release()
    {
        Type h = m_h;
        m_h = Traits::Empty();
        return h;
    }

    // Closes the owned handle (if any) and takes h; true when nothing failed to close.
    bool Reset(Type h = Traits::Empty())
    {
        bool ok = true;
        if (m_h != Traits::Empty())
            ok = Traits::Close(m_h);
        m_h = h;
        return ok;
    }

    // Address for an API that returns a new handle through a pointer; closes the old one first.
    Type* Put()
    {
        Reset();
        return &m_h;
    }

private:
    Type m_h;
};

struct CHandleTraits
{
    typedef HANDLE Type;
    static Type Empty() { return NULL; }
    static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};

// CreateFile reports failure with INVALID_HANDLE_VALUE instead of NULL.
struct CFileHandleTraits
{
    typedef HANDLE Type;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};

struct CFindHandleTraits
{
    typedef HANDLE Type;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return FindClose(h) != FALSE; }
};

struct CRegKeyTraits
{
    typedef HKEY Type;
    static Type Empty() { return NULL; }
    static bool Close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};

// Memory the system allocated for the caller with LocalAlloc (security descriptors).
struct CLocalMemTraits
{
    typedef HLOCAL Type;
    static Type Empty() { return NULL; }
    static bool Close(Type h) { return LocalFree(h) == NULL; }
};

template <typename T> struct CGdiObjectTraits
{
    typedef T Type;
    static Type Empty() { return NULL; }
    static bool Close(Type h) { return DeleteObject(h) != FALSE; }
};

typedef CUniqueOwner<CHandleTraits> CUniqueHandle;
typedef CUniqueOwner<CFileHandleTraits> CUniqueFile;
typedef CUniqueOwner<CFindHandleTraits> CUniqueFind;
typedef CUniqueOwner<CRegKeyTraits> CUniqueHKey;
typedef CUniqueOwner<CLocalMemTraits> CUniqueLocalMem;
typedef CUniqueOwner<CGdiObjectTraits<HPEN>> CUniquePen;
typedef CUniqueOwner<CGdiObjectTraits<HFONT>> CUniqueFont;
typedef CUniqueOwner<CGdiObjectTraits<HBITMAP>> CUniqueBitmap;

// The two handles CreateProcess returns, closed thread first, then process.
class CProcessInfo
{
public:
    CProcessInfo() { ZeroMemory(&m_pi, sizeof(m_pi)); }
    ~CProcessInfo() { Close(); }
    CProcessInfo(const CProcessInfo&) = delete;
    CProcessInfo& operator=(const CProcessInfo&) = delete;

    PROCESS_INFORMATION* Put()
    {
        Close();
        return &m_pi;
    }
    HANDLE Process() const { return m_pi.hProcess; }
    HANDLE Thread() const { return m_pi.hThread; }
    DWORD ProcessId() const { return m_pi.dwProcessId; }

    void Close()
    {
        if (m_pi.hThread)
            CloseHandle(m_pi.hThread);
        if (m_pi.hProcess)
            CloseHandle(m_pi.hProcess);
        ZeroMemory(&m_pi, sizeof(m_pi));
    }

private:
    PROCESS_INFORMATION m_pi;
};
