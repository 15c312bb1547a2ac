// Whether the card's application is newer than the one installed on this PC.
#include "config/VersionCompare.h"

#include "config/SetupConfig.h"
#include "sys/FormatText.h"
#include "sys/TextToInt.h"
#include "sys/Trace.h"
#include "sys/TraceTexts.h"

void SplitByChar(std::vector<std::string>& list, const std::string& text, char separator)
{
    list.clear();
    size_t start = 0;
    size_t found;
    while ((found = text.find(separator, start)) != std::string::npos)
    {
        list.push_back(text.substr(start, found - start));
        start = found + 1;
    }
}

namespace
{
// A component as atoi reads it, saturated to the 32-bit range; one the list does not
// have is worth 0, so 1.2 and 1.2.0 are the same version.
int ComponentValue(const std::vector<std::string>& list, size_t index)
{
    return index < list.size() ? TextToInt(list[index].c_str()) : 0;
}
} // namespace

bool CSetupConfig::IsUpdateNeeded() const
{
    TraceOut(FormatText(kTraceCardVersion, m_strAppVersion.c_str()));
    // A failed read leaves the text empty, which is all that matters here.
    std::string installed;
    ReadRegString(m_strAppRegKeyPath, m_strAppRegKeyVersion, installed);
    TraceOut(FormatText(kTraceInstalledVersion, installed.c_str()));

    // The appended dot makes the last component a piece of its own.
    std::vector<std::string> cardList;
    std::vector<std::string> installedList;
    SplitByChar(cardList, m_strAppVersion + ".", '.');
    SplitByChar(installedList, installed + ".", '.');
    TraceOut(FormatText(kTraceVersionSizes, static_cast<int>(cardList.size()),
                        static_cast<int>(installedList.size())));

    // Nothing installed: whatever the card carries has to go on, even a version 0.x.
    bool newer = installed.empty();
    size_t count = cardList.size() > installedList.size() ? cardList.size() : installedList.size();
    for (size_t i = 0; !newer && i < count; ++i)
    {
        int card = ComponentValue(cardList, i);
        int present = ComponentValue(installedList, i);
        if (card != present)
        {
            newer = card > present;
            break;
        }
    }

    if (newer)
    {
        TraceOut(kTraceUpdateNeeded);
        return true;
    }
    TraceOut(kTraceUpToDate);
    return false;
}
