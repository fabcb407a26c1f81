// The phone book entry editor: limits, add and edit modes, saving through the card.
#include "phonebook/DlgTelOperate.h"

#include "framework/Resources.h"
#include "framework/Win32Text.h"
#include "phonebook/DlgTelList.h"
#include "phonebook/ModemCard.h"
#include "phonebook/PhoneBookTable.h"

namespace {

// Fault-log position of the editor's module call.
constexpr char kSourceName[] = "DlgTelOperate";
constexpr phonebook::FaultLines kFaultLines{0, 158, 0};

const ui::ButtonRow kButtons[] = {
    {IDC_PBEDIT_SAVE, IDB_BTN_ADD, IDB_BTN_ADD_SEL, 0, 0, 1},
    {IDC_PBEDIT_CANCEL, IDB_BTN_CANCEL, IDB_BTN_CANCEL_SEL, 0, 0, 1},
};

}  // namespace

BOOL DlgTelOperate::OnInitDialog() {
    BOOL result = Page::OnInitDialog();
    CreateButtons(kButtons);
    SendDlgItemMessageW(Hwnd(), IDC_PBEDIT_NAME, EM_LIMITTEXT, phonebook::kNameEditBytes, 0);
    SendDlgItemMessageW(Hwnd(), IDC_PBEDIT_NUMBER, EM_LIMITTEXT, phonebook::kNumberEditBytes, 0);
    return result;
}

void DlgTelOperate::PrepareAdd() {
    mode_ = phonebook::EditorMode::Add;
    editedId_ = -1;
    previousNumber_.clear();
    SetItemText(IDC_PBEDIT_NAME, L"");
    SetItemText(IDC_PBEDIT_NUMBER, L"");
    SetSaveLook();
}

void DlgTelOperate::PrepareEdit(int32_t id, const std::wstring& name, const std::wstring& number) {
    mode_ = phonebook::EditorMode::Edit;
    editedId_ = id;
    previousNumber_ = win::WideToAnsi(number);
    SetItemText(IDC_PBEDIT_NAME, name);
    SetItemText(IDC_PBEDIT_NUMBER, number);
    SetSaveLook();
}

void DlgTelOperate::SetSaveLook() {
    if (mode_ == phonebook::EditorMode::Add)
        ChangeButtonImages(IDC_PBEDIT_SAVE, IDB_BTN_ADD, IDB_BTN_ADD_SEL, 0, 0);
    else
        ChangeButtonImages(IDC_PBEDIT_SAVE, IDB_BTN_EDIT, IDB_BTN_EDIT_SEL, 0, 0);
    if (HWND button = Item(IDC_PBEDIT_SAVE)) InvalidateRect(button, nullptr, TRUE);
}

void DlgTelOperate::RefuseLength(int controlId, std::size_t limit) {
    const std::wstring prompt =
        res::FormatArgs(res::LoadStr(Resources(), IDS_PROMPT_MAX_CHARS), {std::to_wstring(limit)});
    MessageBoxW(host_.Window(), prompt.c_str(), res::LoadStr(Resources(), IDS_APP_TITLE).c_str(),
                MB_ICONEXCLAMATION | MB_OK);
    if (HWND field = Item(controlId)) {
        SetFocus(field);
        SendMessageW(field, EM_SETSEL, 0, -1);
    }
}

void DlgTelOperate::Save() {
    if (phonebook::CardBusy(host_)) return;
    phonebook::SaveRequest request;
    request.mode = mode_;
    request.editedId = editedId_;
    request.previousNumber = previousNumber_;
    request.name = win::WideToAnsi(ItemText(IDC_PBEDIT_NAME));
    request.number = win::WideToAnsi(ItemText(IDC_PBEDIT_NUMBER));
    PhoneBookRecord record{};
    switch (phonebook::CheckSave(request, host_.PhoneBook(), &record)) {
        case phonebook::SaveCheck::NameTooLong:
            RefuseLength(IDC_PBEDIT_NAME, phonebook::kNameEditBytes);
            return;
        case phonebook::SaveCheck::NumberTooLong:
            RefuseLength(IDC_PBEDIT_NUMBER, phonebook::kNumberBytes);
            return;
        case phonebook::SaveCheck::Empty:
            host_.PostStatus(host::StatusKind::Message, IDS_PB_NAME_OR_NUMBER_EMPTY);
            return;
        case phonebook::SaveCheck::NumberExists:
            host_.PostStatus(host::StatusKind::Message, IDS_PB_NUMBER_EXISTS);
            return;
        case phonebook::SaveCheck::Ok:
            break;
    }
    phonebook::ModemCard card(kSourceName, kFaultLines);
    const int32_t stored = card.Add(record);
    if (stored == -1) {
        host_.PostStatus(host::StatusKind::Message, IDS_OPERATION_FAILED);
        return;
    }
    if (!phonebook::StoreSaved(host_.PhoneBook(), record, stored)) {
        card.Log("Phone book: the card stored an entry under identifier " + std::to_string(stored) +
                 ", outside 0..200\n");
        host_.PostStatus(host::StatusKind::Message, IDS_OPERATION_FAILED);
        return;
    }
    host_.PostStatus(host::StatusKind::Message, IDS_OPERATION_OK);
    record.id = stored;
    if (list_) list_->PutRow(record, mode_ == phonebook::EditorMode::Add);
    host_.ShowPage(host::PageId::PhoneBook);
    host_.Reload().callRecords = true;
    host_.Reload().smsList = true;
}

bool DlgTelOperate::OnCommand(int id, int code) {
    switch (id) {
        case IDC_PBEDIT_SAVE:
            Save();
            return true;
        case IDC_PBEDIT_CANCEL:
            host_.ShowPreviousPage();
            return true;
        default:
            return Page::OnCommand(id, code);
    }
}

bool DlgTelOperate::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (msg == WM_SHOWWINDOW && wParam) SetSaveLook();
    return Page::OnMessage(msg, wParam, lParam, result);
}
