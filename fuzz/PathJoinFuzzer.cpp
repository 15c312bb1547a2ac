// JoinPath and JoinCommand on a folder and a field of the fuzzer's choice: a path is the
// folder, one backslash and the field, unchanged; a command line is that path, with the
// folder and the command's first word put in quotes when the folder has a blank and that
// word none of its own. Input: the folder on the first line, the field on the second.
#include "FuzzSupport.h"
#include "config/InstallLocations.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines = SplitLines(data, size);
    const std::string& dir = lines[0];
    std::string field = lines.size() > 1 ? lines[1] : std::string();

    std::string path = JoinPath(dir, field);
    FuzzCheckEqual("JoinPath", dir + "\\" + field, path);

    std::string command = JoinCommand(dir, field);
    size_t wordEnd = field.find_first_of(" \t");
    std::string word = field.substr(0, wordEnd);
    bool quoted = dir.find(' ') != std::string::npos && word.find('"') == std::string::npos;
    if (!quoted)
    {
        FuzzCheckEqual("JoinCommand unquoted", path, command);
        return 0;
    }
    // The quotes surround the folder and the first word, and nothing else changes.
    std::string head = "\"" + dir + "\\" + word + "\"";
    FuzzCheckEqual("JoinCommand quoted", head, command.substr(0, head.size()));
    std::string rest = wordEnd == std::string::npos ? std::string() : field.substr(wordEnd);
    FuzzCheckEqual("JoinCommand rest", rest, command.substr(head.size()));
    return 0;
}
