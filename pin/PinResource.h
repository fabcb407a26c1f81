// Resource ids of Pin.exe's own dialog.
#pragma once

#define IDD_PIN_ENTRY 100
#define IDC_PIN_PROMPT 1001
#define IDC_PIN_EDIT 1002
#define IDC_PIN_MESSAGE 1003
#define IDI_PIN 101
