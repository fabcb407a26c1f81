// One run of the batch sender: the send loop and its log lines.
#include "sms/BatchSendCore.h"
#include "framework/TextUtil.h"

#include "sms/SmsCore.h"

namespace sms {

BatchOutcome RunBatch(const std::vector<std::string>& numbers, const BatchTexts& texts,
                      const std::atomic<bool>& stopRequested, const BatchHooks& hooks) {
    BatchOutcome outcome;
    auto show = [&] {
        if (hooks.show) hooks.show(outcome.log);
    };
    auto widen = [&](const std::string& number) {
        return hooks.widen ? hooks.widen(number) : std::wstring(number.begin(), number.end());
    };
    if (stopRequested) {
        outcome.stopped = true;
        return outcome;
    }
    show();
    for (const std::string& number : numbers) {
        if (stopRequested) break;
        outcome.log += text::FillPlaceholders(texts.sendingTo, {widen(number)}) + L"\r\n";
        show();
        const bool sent = hooks.send && hooks.send(number);
        if (stopRequested) break;
        if (sent) ++outcome.sent;
        outcome.log += (sent ? texts.sent : texts.failed) + L"\r\n";
        show();
    }
    if (stopRequested) {
        outcome.stopped = true;
        return outcome;
    }
    outcome.log += text::FillPlaceholders(texts.summary, {std::to_wstring(outcome.sent)}) + L"\r\n";
    show();
    return outcome;
}

}  // namespace sms
