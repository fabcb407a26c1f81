// One run of the batch sender: one message to every number of a list, with its progress log.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace sms {

// The log's texts from the string table: "sending to %s", sent, failed, "%d sent" summary.
struct BatchTexts {
    std::wstring sendingTo;
    std::wstring sent;
    std::wstring failed;
    std::wstring summary;
};

struct BatchOutcome {
    int sent = 0;
    bool stopped = false;  // a stop request ended the run: no summary, no further log
    std::wstring log;
};

struct BatchHooks {
    // Sends the text to one number; true when the card reports it sent (a fault is a failure).
    std::function<bool(const std::string& number)> send;
    // Shows the whole log so far; called only while no stop has been requested.
    std::function<void(const std::wstring& log)> show;
    // A number as it appears in the log.
    std::function<std::wstring(const std::string& number)> widen;
};

// Sends to the numbers in order. The stop request is looked at before every number and after
// every send: once it is set the run ends at once and shows nothing more. Each line of the log
// ends with "\r\n"; a run that was not stopped ends with the summary line.
BatchOutcome RunBatch(const std::vector<std::string>& numbers, const BatchTexts& texts,
                      const std::atomic<bool>& stopRequested, const BatchHooks& hooks);

}  // namespace sms
