// The connection records window: the stored records of a period with their totals, and clearing.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "net/TrafficCore.h"
#include "resources/resource.h"
#include "skin/ToolTipDialog.h"

class DlgNetRecords : public ui::CToolTipDialog {
public:
    using NowFn = std::function<net::DateTime()>;

    // The account is the program's records (net::NetRecords); `now` gives the local date the
    // periods are counted from (the clock when empty).
    DlgNetRecords(HINSTANCE resources, net::TrafficAccount& account, NowFn now = {});

    // Lists the records of the period chosen in the drop-down list, with their totals.
    void FillList();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    void SetUpColumns();
    void AddPeriods();
    net::Period SelectedPeriod() const;

    net::TrafficAccount& account_;
    NowFn now_;
    std::wstring totalsFormat_;  // the totals static's template text
};
