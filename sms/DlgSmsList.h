// The short message list page: received and sent messages on the SIM.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "host/MainWindow.h"
#include "resources/resource.h"
#include "skin/Page.h"
#include "sms/SmsCore.h"

class DlgSmsList : public ui::Page {
public:
    DlgSmsList(HINSTANCE resources, host::MainWindow& host);
    ~DlgSmsList() override;

    // Reads the messages from the card on the calling thread (the preload worker, or the window
    // thread at start-up) and hands them to the window thread, which lists them.
    void ReadCard();
    // A new message arrived from this number (on the window thread): popup, sound, and the list
    // read again.
    void OnNewSms(const std::string& number);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    INT_PTR OnNotify(NMHDR* header) override;
    void OnTimer(UINT_PTR id) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override;

private:
    void SetUpColumns();
    // Starts the read worker when the list is due for a reload and the card is free; a reload the
    // card is too busy for is tried again while the page stays shown.
    void ReloadIfDue(bool quietly);
    void StartReader();
    void ListMessages(const sms::SmsStore& store);
    void DeleteSelected();
    void RemoveRows(const std::vector<sms::SelectedRow>& selected, const std::vector<int>& removed);
    void OpenForReply();
    void RunBatchSend();
    bool AnyBusy(bool report);
    std::wstring CellText(int row, int column) const;

    host::MainWindow& host_;
    sms::SmsStore store_;          // the last read, owned by the window thread
    std::wstring typeWords_[2];    // sent, received
    std::shared_ptr<bool> alive_;  // false once the window is gone: queued work skips it
    HANDLE cardWorker_ = nullptr;  // the read or the deletion, one at a time
    bool retryArmed_ = false;
};
