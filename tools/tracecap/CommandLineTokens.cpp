#include "tools/tracecap/CommandLineTokens.h"

std::vector<CCommandLineToken> SplitCommandLine(const char* commandLine)
{
    std::vector<CCommandLineToken> tokens;
    if (!commandLine)
        return tokens;
    size_t i = 0;
    for (;;)
    {
        while (commandLine[i] == ' ' || commandLine[i] == '\t')
            ++i;
        if (commandLine[i] == '\0')
            break;
        CCommandLineToken token;
        token.offset = i;
        bool quoted = false;
        for (; commandLine[i] != '\0'; ++i)
        {
            char c = commandLine[i];
            if (c == '"')
                quoted = !quoted;
            else if ((c == ' ' || c == '\t') && !quoted)
                break;
            else
                token.text += c;
        }
        tokens.push_back(token);
    }
    return tokens;
}
