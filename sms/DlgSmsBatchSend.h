// The batch send dialog: one message to a list of numbers, with a progress log.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "framework/Dialog.h"
#include "host/MainWindow.h"
#include "resources/resource.h"

class DlgSmsBatchSend : public ui::Dialog {
public:
    DlgSmsBatchSend(HINSTANCE resources, host::MainWindow& host);
    ~DlgSmsBatchSend() override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override;

private:
    // What the window thread and the worker of a run share. The worker never touches the dialog:
    // it hands each update to the window thread as a task, which runs it only while the dialog
    // is alive and no stop was requested.
    struct Run {
        Run();
        ~Run();
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;
        std::atomic<bool> stopRequested{false};
        std::atomic<bool> running{false};
        bool dialogAlive = true;  // window thread only
        HANDLE finished;          // signalled when a run has ended
    };

    void AddFromPhoneBook();
    void RemoveFromSendList();
    void AddManual();
    void StartRun();
    void RunOnWorker(const std::vector<std::string>& numbers, const std::string& text);
    void EnableRunControls(bool enable);
    void ShowLog(const std::wstring& log);
    void AppendToSendList(const std::wstring& number);
    // Closing while a run is under way stops it and waits for its end, dispatching messages.
    void RequestClose();

    host::MainWindow& host_;
    std::shared_ptr<Run> run_;
    HANDLE worker_ = nullptr;
    bool closing_ = false;
};
