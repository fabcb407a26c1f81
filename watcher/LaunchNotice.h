// The launch notice: "getting ready to run" shown while the watcher starts the main program after
// the card arrived; it closes once the program shows its start-up wait box, or after 40 s.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Dialog.h"

namespace watcher {

class LaunchNotice : public ui::Dialog {
public:
    LaunchNotice(HINSTANCE module, int templateId, std::wstring programPath);
    ~LaunchNotice() override;

protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;

private:
    void StartProgram();
    bool StartedProcessEnded() const;

    std::wstring programPath_;
    HANDLE process_ = nullptr;
};

}  // namespace watcher
