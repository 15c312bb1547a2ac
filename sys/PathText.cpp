#include "sys/PathText.h"

#include <windows.h>

namespace
{
// The character after the one at text.
const char* NextCharacter(const char* text)
{
    if (IsDBCSLeadByte(static_cast<BYTE>(*text)) && text[1])
        return text + 2;
    return text + 1;
}
} // namespace

const char* FindNextBackslash(const char* text)
{
    for (; *text; text = NextCharacter(text))
    {
        if (*text == '\\')
            return text;
    }
    return NULL;
}

const char* FindLastBackslash(const char* text)
{
    const char* last = NULL;
    for (const char* found = FindNextBackslash(text); found; found = FindNextBackslash(found + 1))
        last = found;
    return last;
}
