// The phone book's card: the modem module's phone-book entries, each call inside the fault guard.
#pragma once

#include <string>

#include "host/MainWindow.h"
#include "modem/ModemModule.h"
#include "phonebook/PhoneBookCore.h"

namespace phonebook {

// Where a fault inside each call is logged from ("File=%s,Line=%d\n").
struct FaultLines {
    int getAll = 0;
    int add = 0;
    int remove = 0;
};

// A fault, or an entry the module lacks, gives the call's failure value: -1 for reading and
// adding, 1 for deleting.
class ModemCard final : public Card {
public:
    ModemCard(const char* source, FaultLines lines) : source_(source), lines_(lines) {}

    int32_t GetAll(PhoneBookRecord* buffer) override {
        return modem::Call(source_, lines_.getAll, &modem::ModemTable::mdmPbGetAllRec, int32_t{-1},
                           buffer);
    }
    int32_t Add(const PhoneBookRecord& record) override {
        return modem::Call(source_, lines_.add, &modem::ModemTable::mdmPbAddRec, int32_t{-1},
                           record);
    }
    int32_t Delete(int32_t id) override {
        return modem::Call(source_, lines_.remove, &modem::ModemTable::mdmPbDelRec, int32_t{1}, id);
    }
    void Log(const std::string& line) override { modem::WriteLog(line.c_str()); }

private:
    const char* source_;
    FaultLines lines_;
};

// The checks before the phone book changes the card, in their order, each refusal reported on the
// status line: true when another operation has the card.
inline bool CardBusy(host::MainWindow& host) {
    return host.IsNetConnected(true) || host.IsDialBusy(true) || host.IsCallBusy(true) ||
           host.IsSmsSending(true) || host.IsPortBusy(true);
}

}  // namespace phonebook
