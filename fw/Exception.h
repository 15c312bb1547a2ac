// Base of the exception objects a worker's guard catches by reference. The program's own
// code throws none; the guard is there for code it calls.
#pragma once

#include <windows.h>

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
