#include "tools/setupcheck/CdPaths.h"

#include "sys/PathText.h"
#include "sys/SystemPaths.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace
{
bool HasExtension(const std::string& path)
{
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of('\\');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

// The file that part (the copy's folder, a backslash, part of the command) names before
// setup.exe has copied the package.
std::string FileBeforeCopy(const CPackageCopy& copy, const std::string& part)
{
    std::string path = FullPathOf(JoinPath(copy.strCopyDir, part));
    std::string copyDir = FullPathOf(copy.strCopyDir);
    if (path.empty() || copyDir.empty())
        return JoinPath(copy.strPackageDir, part);
    if (path.size() > copyDir.size() && path[copyDir.size()] == '\\' &&
        _strnicmp(path.c_str(), copyDir.c_str(), copyDir.size()) == 0)
        return copy.strPackageDir + path.substr(copyDir.size());
    return path;
}

bool ProgramFileExists(const std::string& candidate, std::string& program)
{
    if (FileExists(candidate.c_str()))
    {
        program = candidate;
        return true;
    }
    if (!HasExtension(candidate) && FileExists((candidate + ".exe").c_str()))
    {
        program = candidate + ".exe";
        return true;
    }
    return false;
}
} // namespace

bool FindCommandProgram(const CPackageCopy& copy, const std::string& command, std::string& program)
{
    std::string firstWord = command.substr(0, command.find_first_of(" \t"));
    // Quoted together with a folder that has a blank, the first word is the program.
    if (JoinCommand(copy.strCopyDir, command)[0] == '"')
    {
        program = FileBeforeCopy(copy, firstWord);
        return ProgramFileExists(program, program);
    }
    // Unquoted, Windows tries the parts from the shortest on and starts the first that is
    // a file.
    for (size_t blank = command.find_first_of(" \t"); blank != std::string::npos;
         blank = command.find_first_of(" \t", blank + 1))
    {
        if (ProgramFileExists(FileBeforeCopy(copy, command.substr(0, blank)), program))
            return true;
    }
    if (ProgramFileExists(FileBeforeCopy(copy, command), program))
        return true;
    program = FileBeforeCopy(copy, firstWord);
    return false;
}

bool ReadFileBytes(const std::string& path, size_t limit, std::string& bytes)
{
    bytes.clear();
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char buffer[65536];
    size_t read = 0;
    while (bytes.size() < limit && (read = fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.append(buffer, read < limit - bytes.size() ? read : limit - bytes.size());
    fclose(file);
    return true;
}
