// The foreground verdict and the window description over any facts and any window texts:
// the verdict follows its rules, and a description stays within its line.
#include <fuzzer/FuzzedDataProvider.h>

#include "foreground_verdict.h"
#include "fuzz_input.h"

namespace {

std::wstring units16(FuzzedDataProvider& input, std::size_t maxUnits) {
    const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(0, maxUnits);
    std::wstring text;
    for (std::size_t i = 0; i < count && input.remaining_bytes() > 0; ++i)
        text += static_cast<wchar_t>(input.ConsumeIntegral<std::uint16_t>());
    return text;
}

std::uint32_t pid(FuzzedDataProvider& input) {
    return input.ConsumeIntegralInRange<std::uint32_t>(0, 4); // few values, so they meet
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    ForegroundFacts facts;
    facts.gameMinimised = input.ConsumeBool();
    facts.haveForeground = input.ConsumeBool();
    facts.foregroundIsHost = input.ConsumeBool();
    facts.foregroundIsWebview = input.ConsumeBool();
    facts.foregroundPid = pid(input);
    facts.gamePid = pid(input);
    facts.ownPid = pid(input);
    const std::uint32_t browserPid = pid(input);

    const std::optional<bool> verdict = foregroundVerdict(facts);
    if (facts.gameMinimised)
        FUZZ_CHECK(verdict == true);
    else if (!facts.haveForeground)
        FUZZ_CHECK(!verdict.has_value());
    else if (facts.foregroundIsHost || facts.foregroundIsWebview)
        FUZZ_CHECK(verdict == false);
    else if (facts.foregroundPid != 0 &&
             (facts.foregroundPid == facts.gamePid || facts.foregroundPid == facts.ownPid))
        FUZZ_CHECK(verdict == false);
    else
        FUZZ_CHECK(verdict == true);
    if (verdict)
        FUZZ_CHECK(verdictText(*verdict, facts.gameMinimised) != nullptr);

    const WebviewCheck check = webviewCheck(facts.haveForeground, facts.foregroundPid,
                                            facts.gamePid, facts.ownPid, browserPid);
    if (check != WebviewCheck::notWebview)
        FUZZ_CHECK(facts.haveForeground && facts.foregroundPid != 0 && browserPid != 0 &&
                   facts.foregroundPid != facts.gamePid && facts.foregroundPid != facts.ownPid);
    FUZZ_CHECK((check == WebviewCheck::webview) ==
               (check != WebviewCheck::notWebview && facts.foregroundPid == browserPid));

    bool oldRuleAway = input.ConsumeBool();
    const bool oldVerdict =
        oldRuleVerdict(facts.gameMinimised, facts.foregroundIsHost, input.ConsumeBool());
    const bool before = oldRuleAway;
    const bool due = oldRuleLineDue(oldRuleAway, oldVerdict, verdict.value_or(false));
    FUZZ_CHECK(oldRuleAway == oldVerdict);
    if (due)
        FUZZ_CHECK(before != oldVerdict);

    const std::string image = input.ConsumeRandomLengthString(300);
    const std::wstring className = units16(input, 300);
    const std::wstring title = units16(input, 600);
    const std::string line =
        describeWindowText(image, input.ConsumeIntegral<unsigned long>(), className, title, &facts);
    FUZZ_CHECK(line.size() <= 767);
    return 0;
}
