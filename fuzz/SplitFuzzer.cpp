// SplitByChar on any text and separator: the pieces, each followed by the separator, must
// give back the text up to its last separator, and there is one piece per separator.
#include "FuzzSupport.h"
#include "config/VersionCompare.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    char separator = static_cast<char>(data[0]);
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    // Whatever the list held before must go.
    std::vector<std::string> list(2, std::string(40, '#'));
    SplitByChar(list, text, separator);

    size_t count = static_cast<size_t>(std::count(text.begin(), text.end(), separator));
    FuzzCheckEqual("piece count", std::to_string(count), std::to_string(list.size()));
    std::string joined;
    for (const std::string& piece : list)
        joined += piece + separator;
    size_t last = text.rfind(separator);
    std::string head = last == std::string::npos ? std::string() : text.substr(0, last + 1);
    FuzzCheckEqual("pieces joined", head, joined);
    return 0;
}
