// tracecap: runs a program as its debugger and prints every debug string it sends.
//
//   tracecap [--utf8] [--time] [--out FILE] [--timeout MS] PROGRAM [ARGUMENTS...]
//
// --utf8     convert the texts from code page 936 (GBK) to UTF-8
// --time     put the milliseconds since the start before every text, one text a line, and
//            say on standard error at which tick (GetTickCount) the program was started
// --out FILE also write the texts (after conversion) to FILE
// --timeout  end the program after MS milliseconds (default: wait for ever)
// The exit code is the program's own, or 255 when it could not be started.
#include "tools/tracecap/CommandLineTokens.h"
#include "tools/tracecap/TraceCapture.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>

namespace
{
void Usage()
{
    fputs("usage: tracecap [--utf8] [--time] [--out FILE] [--timeout MS] PROGRAM [ARGS...]\n",
          stderr);
}
} // namespace

int main()
{
    _setmode(_fileno(stdout), _O_BINARY);

    std::vector<CCommandLineToken> tokens = SplitCommandLine(GetCommandLineA());
    bool utf8 = false;
    bool timestamps = false;
    std::string outPath;
    DWORD timeoutMs = INFINITE;
    size_t i = 1;
    for (; i < tokens.size(); ++i)
    {
        const std::string& arg = tokens[i].text;
        if (arg == "--utf8")
            utf8 = true;
        else if (arg == "--time")
            timestamps = true;
        else if (arg == "--out" && i + 1 < tokens.size())
            outPath = tokens[++i].text;
        else if (arg == "--timeout" && i + 1 < tokens.size())
            timeoutMs = static_cast<DWORD>(strtoul(tokens[++i].text.c_str(), NULL, 10));
        else if (arg.compare(0, 2, "--") == 0)
        {
            Usage();
            return 255;
        }
        else
            break;
    }
    if (i >= tokens.size())
    {
        Usage();
        return 255;
    }
    std::string program = GetCommandLineA() + tokens[i].offset;

    FILE* out = NULL;
    if (!outPath.empty())
    {
        out = fopen(outPath.c_str(), "wb");
        if (!out)
        {
            fprintf(stderr, "tracecap: cannot write %s\n", outPath.c_str());
            return 255;
        }
    }

    CTraceCapture capture;
    capture.SetLineCallback(
        [&](const CTraceLine& line)
        {
            std::string text = utf8 ? Cp936ToUtf8(line.text) : line.text;
            if (timestamps)
            {
                char stamp[32];
                snprintf(stamp, sizeof(stamp), "%7lu ms  ",
                         static_cast<unsigned long>(line.dwMsSinceStart));
                text = stamp + text;
                if (text.empty() || text[text.size() - 1] != '\n')
                    text += '\n';
            }
            fwrite(text.data(), 1, text.size(), stdout);
            fflush(stdout);
            if (out)
            {
                fwrite(text.data(), 1, text.size(), out);
                fflush(out);
            }
        });
    if (timestamps)
        fprintf(stderr, "tracecap: started at tick %lu\n",
                static_cast<unsigned long>(GetTickCount()));
    bool ok = capture.Run(program, NULL, timeoutMs);
    DWORD error = GetLastError();
    if (out)
        fclose(out);
    if (!ok && !capture.TimedOut())
    {
        fprintf(stderr, "tracecap: cannot start %s (error %lu)\n", program.c_str(),
                static_cast<unsigned long>(error));
        return 255;
    }
    if (capture.TimedOut())
        fprintf(stderr, "tracecap: %s did not end within %lu ms and was ended\n", program.c_str(),
                static_cast<unsigned long>(timeoutMs));
    return static_cast<int>(capture.ExitCode());
}
