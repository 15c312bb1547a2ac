// IsNewerVersion on versions of the fuzzer's choice, checked by the comparison's own
// properties rather than by a second copy of it: nothing installed means newer; no version
// is newer than itself, and of two installed versions at most one is newer than the other;
// a missing component counts as 0; only the components' values, as atoi reads them and
// saturated to 32 bits, decide. Input: the card's version on the first line, the installed
// one on the second (none: nothing installed).
#include "FuzzSupport.h"
#include "config/VersionCompare.h"

#include <string>
#include <vector>

namespace
{
// The version with every component written as the number it stands for.
std::string AsNumbers(const std::string& version)
{
    std::string text;
    for (const std::string& component : VersionComponents(version))
        text += (text.empty() ? "" : ".") + std::to_string(ReferenceAtoi(component));
    return text;
}

const char* Verdict(bool newer)
{
    return newer ? "newer" : "not newer";
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines = SplitLines(data, size);
    std::string card = lines[0].c_str();
    std::string installed = lines.size() > 1 ? lines[1].c_str() : "";

    size_t dots = 0;
    for (char c : card)
        dots += c == '.';
    FuzzCheckEqual("components", std::to_string(dots + 1),
                   std::to_string(VersionComponents(card).size()));
    FuzzCheck("nothing installed means newer", IsNewerVersion(card, ""));
    if (installed.empty() || card.empty())
        return 0;

    bool newer = IsNewerVersion(card, installed);
    FuzzCheck("antisymmetric", !(newer && IsNewerVersion(installed, card)));
    FuzzCheck("not newer than itself", !IsNewerVersion(installed, installed));
    FuzzCheckEqual("a missing component is 0", Verdict(newer),
                   Verdict(IsNewerVersion(card + ".0", installed)));
    FuzzCheckEqual("a missing component is 0", Verdict(newer),
                   Verdict(IsNewerVersion(card, installed + ".0")));
    FuzzCheckEqual("values decide, saturated", Verdict(newer),
                   Verdict(IsNewerVersion(AsNumbers(card), AsNumbers(installed))));
    return 0;
}
