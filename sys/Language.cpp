#include "sys/Language.h"

#include <windows.h>

bool IsChineseSystem()
{
    return PRIMARYLANGID(GetSystemDefaultLangID()) == LANG_CHINESE;
}
