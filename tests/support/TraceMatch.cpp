#include "tests/support/TraceMatch.h"

#include "sys/FormatText.h"
#include "tools/tracecap/TraceCapture.h"

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

bool Matches(const std::string& trace, const std::string& expected)
{
    if (!expected.empty() && expected[expected.size() - 1] == '*')
        return trace.compare(0, expected.size() - 1, expected, 0, expected.size() - 1) == 0;
    return trace == expected;
}

std::string FirstMissingInOrder(const std::vector<std::string>& traces,
                                const std::vector<std::string>& expected)
{
    size_t at = 0;
    for (const std::string& text : expected)
    {
        while (at < traces.size() && !Matches(traces[at], text))
            ++at;
        if (at == traces.size())
            return text;
        ++at;
    }
    return std::string();
}

bool Contains(const std::vector<std::string>& traces, const std::string& text)
{
    for (const std::string& trace : traces)
        if (Matches(trace, text))
            return true;
    return false;
}

std::string Describe(const std::vector<std::string>& traces)
{
    std::string text;
    for (const std::string& t : traces)
        text += "  [" + Cp936ToUtf8(t) + "]\n";
    return text;
}

int CountLines(const std::string& text, const std::string& start)
{
    int count = 0;
    size_t at = 0;
    while (at < text.size())
    {
        if (text.compare(at, start.size(), start) == 0)
            ++count;
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return count;
}

std::string ReportValue(const std::string& report, const std::string& label)
{
    size_t at = 0;
    while (at < report.size())
    {
        size_t end = report.find('\n', at);
        if (end == std::string::npos)
            end = report.size();
        if (report.compare(at, label.size(), label) == 0)
        {
            size_t value = report.find_first_not_of(' ', report.find(' ', at + label.size()));
            if (value >= end)
                return std::string();
            std::string found = report.substr(value, end - value);
            if (!found.empty() && found[found.size() - 1] == '\r')
                found.erase(found.size() - 1);
            return found;
        }
        at = end + 1;
    }
    return std::string();
}

std::string TraceStartRun(const std::string& command)
{
    return "开始运行:" + command + "\n";
}

std::string TraceRunEnded(const std::string& command, int exitCode)
{
    return FormatText("运行%s WAIT得到WAIT_OBJECT_0,返回码: %d \n", command.c_str(), exitCode);
}

std::string TraceRunTimedOut(const std::string& command)
{
    return FormatText("运行%s WAIT得到WAIT_TIMEOUT\n", command.c_str());
}

std::string TraceCopyStart(const std::string& source, const std::string& dest)
{
    return FormatText("从目录:%s 向目录:%s 复制文件开始\n", source.c_str(), dest.c_str());
}

std::string TraceCopyEnd(const std::string& source, const std::string& dest, int result)
{
    return FormatText("从目录:%s 向目录:%s 复制文件结束: %d \n", source.c_str(), dest.c_str(),
                      result);
}

std::string LogField(const std::string& line, const std::string& name)
{
    size_t at = line.rfind("|" + name + "=");
    if (at == std::string::npos)
        return "<missing>";
    size_t start = at + name.size() + 2;
    size_t end = line.find('|', start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}
