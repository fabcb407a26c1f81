// The account settings page: user, password, number and APN, operator presets, advanced settings.
#pragma once

#include <string>
#include <vector>

#include "host/MainWindow.h"
#include "resources/resource.h"
#include "settings/PapIni.h"
#include "skin/Page.h"

class DlgAccount : public ui::Page {
public:
    DlgAccount(HINSTANCE resources, host::MainWindow& host) : Page(resources, IDD_ACCOUNT), host_(host) {}

    // Characters each of the four fields may hold.
    static constexpr std::size_t kFieldChars = 32;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    void LoadPresets();
    void OnOperatorChosen();
    void OnDefault();
    void OnSave();
    void OnAdvanced();
    settings::AccountFields FieldsFromModule();
    void ShowFields(const settings::AccountFields& fields);

    host::MainWindow& host_;
    std::vector<std::string> presets_;  // kept pap.ini lines, ANSI, in list order
};
