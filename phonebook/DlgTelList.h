// The phone book page: the entries stored on the SIM.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "host/MainWindow.h"
#include "modem/ModemApi.h"
#include "resources/resource.h"
#include "skin/Page.h"

class DlgTelOperate;

class DlgTelList : public ui::Page {
public:
    // The editor shows its saved entries through this page (PutRow).
    DlgTelList(HINSTANCE resources, host::MainWindow& host, DlgTelOperate& editor);

    // Reads the phone book from the card on the calling thread (the preload worker, or the
    // start-up) and hands the records to the window thread, which fills the table and the list.
    void ReadCard();

    // Shows a stored record: a new row at the end, or the row of its identifier changed (a new
    // row when there is none).
    void PutRow(const PhoneBookRecord& record, bool isNew);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    INT_PTR OnNotify(NMHDR* header) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    bool PreTranslate(const MSG& msg) override;
    void OnDestroy() override;

private:
    struct Row {
        int index;
        int32_t id;
        std::wstring name;
        std::wstring number;
    };

    void SetUpList();
    // Replaces the table and the list with the records read; the list fills in slices.
    void Fill(std::vector<PhoneBookRecord> records);
    void ContinueFill(unsigned generation, double sliceMs);
    // Adds the rows still waiting at once.
    void FinishFill();
    std::vector<Row> SelectedRows() const;
    void Add();
    void Edit();
    void Delete();
    void ShowMenu(POINT screen);
    void Import();
    void Export();

    host::MainWindow& host_;
    DlgTelOperate& editor_;
    // Records of the last read not yet in the list, from fillNext_ on; each read a new generation.
    std::vector<PhoneBookRecord> filling_;
    std::size_t fillNext_ = 0;
    unsigned fillGeneration_ = 0;
    bool fillRunning_ = false;  // the list's drawing is off until the last row is in
    // Tasks handed to the window thread run only while this page and its window exist.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(false);
};
