// The connection records and the month total in the registry of the current user.
//
// Values live under HKEY_CURRENT_USER\Software\<IDS_APP_TITLE>\NetRec: "1", "2", ... one record
// each, and "monthrec". The formats, the numbering and the month roll-over are TrafficAccount's
// (net/TrafficCore.h); this file only moves the texts in and out of the registry.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "net/TrafficCore.h"

namespace net {

// "Software\" + IDS_APP_TITLE of the resource module ("Wireless Modem") + "\NetRec".
std::wstring NetRecKeyPath(HINSTANCE resources);

// The local date and time now.
WallTime LocalNow();

// One registry key as a record store. Texts travel as REG_SZ and are converted at the ANSI code
// page here and nowhere else. Root and path are the caller's, so tests work on a scratch key.
class RegistryRecordStore final : public RecordStore {
public:
    RegistryRecordStore(HKEY root, std::wstring path);

    // The value's text up to its first NUL, at most kMaxStoredValue bytes (a longer value is
    // cut, not dropped: it still holds its number). Missing key or value, or a value that is
    // not a text, gives "".
    std::string Read(const std::string& name) override;
    // Creates the key when missing; logs "RegOpenKey fail,Key=%s,err=%d\n" through the modem
    // module when it cannot be opened.
    bool Write(const std::string& name, const std::string& text) override;
    // Deletes the key with everything in it; a key that is already gone counts as cleared.
    bool Clear() override;

    HKEY Root() const { return root_; }
    const std::wstring& Path() const { return path_; }

private:
    HKEY root_;
    std::wstring path_;
};

// The records of the current user: the registry store and the account over it.
//
// After a hang-up the connection manager calls Account().EndConnection(start, end, sent,
// received): it appends the record under the next free number (found from the registry when
// not yet known, never over a stored record) and adds the received bytes to the month total,
// which it saves. Account().EnsureMonthTotal(LocalNow().local) loads the month total (0 for a
// missing or foreign-month "monthrec") into the atomic given here.
class NetRecords {
public:
    NetRecords(HKEY root, std::wstring path, std::atomic<int64_t>& monthTotal);
    // HKEY_CURRENT_USER and NetRecKeyPath(resources).
    NetRecords(HINSTANCE resources, std::atomic<int64_t>& monthTotal);
    NetRecords(const NetRecords&) = delete;
    NetRecords& operator=(const NetRecords&) = delete;

    RegistryRecordStore& Store() { return store_; }
    TrafficAccount& Account() { return account_; }

private:
    RegistryRecordStore store_;
    TrafficAccount account_;
};

}  // namespace net
