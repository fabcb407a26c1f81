// The call records page: outgoing, answered and missed calls the card remembers.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "host/MainWindow.h"
#include "resources/resource.h"
#include "skin/Page.h"
#include "voice/CallRecordsCore.h"

class DlgCallRec : public ui::Page {
public:
    DlgCallRec(HINSTANCE resources, host::MainWindow& host);
    ~DlgCallRec() override;

    // Reads the records from the card on the calling thread (the preload worker, the start-up
    // path or this page's worker) and hands them to the window thread for the list.
    void ReadCard();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override;

private:
    void SetUpColumns();
    void Fill(const std::vector<voice::CallEntry>& entries);
    void StartReader();
    void JoinReader();
    void CallBack();
    void DeleteSelected();

    host::MainWindow& host_;
    // Tasks handed to the window thread hold a weak copy: once the page object is gone they do
    // nothing (and nothing once its window is gone). Set for the object's whole life, so the
    // preload worker may copy it at any time.
    const std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    HANDLE reader_ = nullptr;
};
