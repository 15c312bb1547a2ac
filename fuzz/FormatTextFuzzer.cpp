// FormatText with the formats the program uses and arguments of any length and value.
// Input lines: 0 and 1 the two text arguments, 2 the number (as decimal text).
#include "FuzzSupport.h"
#include "sys/FormatText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines = SplitLines(data, size);
    std::string first = lines[0].c_str();
    std::string second = lines.size() > 1 ? lines[1].c_str() : "";
    int number = lines.size() > 2 ? ReferenceAtoi(lines[2]) : 0;
    std::string decimal = std::to_string(number);

    FuzzCheckEqual("%s", first, FormatText("%s", first.c_str()));
    FuzzCheckEqual("%d", decimal, FormatText("%d", number));
    FuzzCheckEqual("two texts and a number",
                   "从目录:" + first + " 向目录:" + second + " 复制文件结束: " + decimal + " \n",
                   FormatText("从目录:%s 向目录:%s 复制文件结束: %d \n", first.c_str(),
                              second.c_str(), number));
    return 0;
}
