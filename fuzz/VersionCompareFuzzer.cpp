// IsUpdateNeeded with a card version and an installed version of the fuzzer's choice.
// Input: the card's AppVersion on the first line; the bytes of the installed version's
// registry value on the second (no second line: the value is absent).
#include "FuzzSupport.h"
#include "config/SetupConfig.h"
#include "shim/FakeSystem.h"

#include <string>
#include <vector>

namespace
{
// Every piece between dots, the one after the last dot included.
std::vector<std::string> Components(const std::string& version)
{
    std::vector<std::string> components;
    size_t start = 0;
    for (;;)
    {
        size_t dot = version.find('.', start);
        components.push_back(version.substr(start, dot - start));
        if (dot == std::string::npos)
            return components;
        start = dot + 1;
    }
}

// Nothing installed means install; otherwise the first component that differs decides,
// a component the shorter version lacks being worth 0.
bool ReferenceUpdate(const std::string& card, const std::string& installed)
{
    if (installed.empty())
        return true;
    std::vector<std::string> cardList = Components(card);
    std::vector<std::string> installedList = Components(installed);
    size_t count = std::max(cardList.size(), installedList.size());
    for (size_t i = 0; i < count; ++i)
    {
        int c = i < cardList.size() ? ReferenceAtoi(cardList[i]) : 0;
        int n = i < installedList.size() ? ReferenceAtoi(installedList[i]) : 0;
        if (c != n)
            return c > n;
    }
    return false;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines = SplitLines(data, size);
    if (IsSentinelLike(lines[0]))
        return 0;
    FakeReset();
    SetCompleteSetupProfile();
    FakeSetProfileString("APP", "AppVersion", lines[0]);
    FakeAddRegKey(kAppRegKeyPath);
    if (lines.size() > 1)
        FakeSetRegValue(kAppRegKeyPath, kAppRegKeyVersion, lines[1]);

    CSetupConfig config;
    FuzzCheck("Load", config.Load("setup.ini"));
    std::string card = ReferenceProfileText(lines[0]);
    FuzzCheckEqual("AppVersion", card, config.GetAppVersion());
    std::string installed;
    if (lines.size() < 2 || !ReferenceRegText(lines[1], installed))
        installed.clear();

    bool update = config.IsUpdateNeeded();
    bool expected = ReferenceUpdate(card, installed);
    FuzzCheckEqual("update decision", expected ? "true" : "false", update ? "true" : "false");

    std::vector<std::string> traces = {
        "数据卡上的应用版本为：" + card + "\n",
        "本机安装的应用版本为：" + installed + "\n",
        "大小" + std::to_string(Components(card).size()) + "," +
            std::to_string(Components(installed).size()) + "\n",
        expected ? "本机应用版本较老，需要更新\n" : "本机应用版本较新，不需要更新\n",
    };
    const std::vector<std::string>& sent = FakeTraces();
    FuzzCheckEqual("trace count", std::to_string(traces.size()), std::to_string(sent.size()));
    for (size_t i = 0; i < traces.size(); ++i)
        FuzzCheckEqual("trace", traces[i], sent[i]);

    FuzzCheckEqual("registry keys left open", "0", std::to_string(FakeOpenKeyCount()));
    FuzzCheckEqual("registry calls on bad handles", "0", std::to_string(FakeBadHandleCount()));
    return 0;
}
