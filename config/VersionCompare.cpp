#include "config/VersionCompare.h"

#include "sys/TextToInt.h"

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

std::vector<std::string> VersionComponents(const std::string& version)
{
    // The appended dot makes the last component a piece of its own.
    std::vector<std::string> list;
    SplitByChar(list, version + ".", '.');
    return list;
}

namespace
{
int ComponentValue(const std::vector<std::string>& list, size_t index)
{
    return index < list.size() ? TextToInt(list[index].c_str()) : 0;
}
} // namespace

bool IsNewerVersion(const std::string& card, const std::string& installed)
{
    // Nothing installed: whatever the card carries has to go on, even a version 0.x.
    if (installed.empty())
        return true;
    std::vector<std::string> cardList = VersionComponents(card);
    std::vector<std::string> installedList = VersionComponents(installed);
    size_t count = cardList.size() > installedList.size() ? cardList.size() : installedList.size();
    for (size_t i = 0; i < count; ++i)
    {
        int cardValue = ComponentValue(cardList, i);
        int installedValue = ComponentValue(installedList, i);
        if (cardValue != installedValue)
            return cardValue > installedValue;
    }
    return false;
}
