// Base of the exception objects a worker's guard catches by reference. The program's own
// code throws none; the guard is there for code it calls, in builds that have exceptions
// at all (the shipping build has none: nothing it runs throws).
#pragma once

#include <windows.h>

#if defined(__cpp_exceptions) || defined(_CPPUNWIND)
#define FW_HAS_EXCEPTIONS 1
#else
#define FW_HAS_EXCEPTIONS 0
#endif

class CException
{
public:
    virtual ~CException() {}

    // Writes a NUL-terminated description of at most size bytes, the NUL included;
    // FALSE (and an empty text) when there is none.
    virtual BOOL GetErrorMessage(char* buffer, UINT size) const
    {
        if (buffer && size > 0)
            buffer[0] = '\0';
        return FALSE;
    }
};
