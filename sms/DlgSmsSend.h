// The short message compose page.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "host/MainWindow.h"
#include "resources/resource.h"
#include "skin/Page.h"

class DlgSmsSend : public ui::Page {
public:
    DlgSmsSend(HINSTANCE resources, host::MainWindow& host);
    ~DlgSmsSend() override;

    // Fills the recipient and the text, and the reply look of the send button.
    void Prepare(const std::string& number, const std::string& text, bool replyMode);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override;
    // Enter in the message text starts a new line instead of being kept from the page.
    bool PreTranslate(const MSG& msg) override;

private:
    void Send();
    void SendOnWorker(const std::string& number, const std::string& text);
    void FillRecipients();
    void ApplyButtonLook();

    host::MainWindow& host_;
    bool replyMode_ = false;
    std::shared_ptr<bool> alive_;  // false once the window is gone: queued work skips it
    HANDLE sendThread_ = nullptr;
};
