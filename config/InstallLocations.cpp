// How setup.ini's fields become full paths and command lines.
#include "config/InstallLocations.h"

std::string JoinPath(const std::string& root, const std::string& field)
{
    return root + "\\" + field;
}

std::string JoinCommand(const std::string& dir, const std::string& command)
{
    size_t wordEnd = command.find_first_of(" \t");
    if (wordEnd == std::string::npos)
        wordEnd = command.size();
    // A command that brings quotes of its own is left as the card maker wrote it.
    if (dir.find(' ') == std::string::npos || command.find('"') < wordEnd)
        return JoinPath(dir, command);
    return "\"" + JoinPath(dir, command.substr(0, wordEnd)) + "\"" + command.substr(wordEnd);
}
