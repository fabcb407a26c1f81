// The phone book entry editor page: a new entry, or a change of one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "host/MainWindow.h"
#include "phonebook/PhoneBookCore.h"
#include "resources/resource.h"
#include "skin/Page.h"

class DlgTelList;

class DlgTelOperate : public ui::Page {
public:
    DlgTelOperate(HINSTANCE resources, host::MainWindow& host)
        : Page(resources, IDD_PHONEBOOK_EDIT), host_(host) {}

    // The list page that shows what the editor stores; it introduces itself.
    void SetListPage(DlgTelList* list) { list_ = list; }

    // Empty fields for a new entry.
    void PrepareAdd();
    // The entry's fields for a change of the entry with this identifier.
    void PrepareEdit(int32_t id, const std::wstring& name, const std::wstring& number);
    phonebook::EditorMode Mode() const { return mode_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void Save();
    void SetSaveLook();
    // The standard "no more than N characters" prompt, then the field is ready for a correction.
    void RefuseLength(int controlId, std::size_t limit);

    host::MainWindow& host_;
    DlgTelList* list_ = nullptr;
    phonebook::EditorMode mode_ = phonebook::EditorMode::Add;
    int32_t editedId_ = -1;
    std::string previousNumber_;
};
