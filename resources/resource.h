// Every resource id of the language DLLs, and the window, timer and message ids the program and
// its resources agree on. Shared by the .rc sources and the code: never use these as bare numbers.
// Plain decimal numbers only (windres reads this file too). The same number may name different
// kinds (a control and a string, a template and a sound); each kind has its own name.
#pragma once

// ==== Dialog templates =========================================================================
#define IDD_MAIN 102                // main window (no caption, 261 x 213 DLU)
#define IDD_HOME 136                // home page: only the background
#define IDD_INTERNET 138            // internet page
#define IDD_CALL 142                // call page (dial pad)
#define IDD_PHONEBOOK 149           // phone book page
#define IDD_PHONEBOOK_EDIT 153      // phone book entry editor page
#define IDD_SMS_LIST 157            // SMS list page
#define IDD_SMS_SEND 160            // SMS compose page
#define IDD_ACCOUNT 162             // account settings page
#define IDD_ADVANCED 164            // advanced settings dialog (tabs)
#define IDD_WAITBOX 166             // start-up / exit wait box
#define IDD_NET_RECORDS 198         // connection records dialog
#define IDD_ADV_RUN 200             // advanced settings tab "run"
#define IDD_ADV_OTHER 202           // advanced settings tab "other"
#define IDD_SMS_BATCH 204           // SMS batch send dialog
#define IDD_ADV_SOUND 230           // advanced settings tab "sound"
#define IDD_ABOUT 326               // about box
#define IDD_CALL_RECORDS 331        // call records page
#define IDD_TRAFFIC_GRAPH 1601      // traffic graph window

// Sentrel.exe's own templates (the watcher carries them itself, not the language DLLs).
#define IDD_WATCHER 102             // hidden one-pixel watcher window, caption "Sen_trel"
#define IDD_LAUNCH_NOTICE_GB 166    // launch notice, simplified Chinese
#define IDD_LAUNCH_NOTICE_BIG5 167  // launch notice, traditional Chinese
#define IDD_LAUNCH_NOTICE_EN 168    // launch notice, English
#define IDC_LAUNCH_TEXT 1031

// ==== Controls =================================================================================
#ifndef IDC_STATIC
#define IDC_STATIC -1               // labels that code never addresses
#endif

// Main window (IDD_MAIN)
#define IDC_MAIN_PAGE_AREA 1000     // hidden group box: its rectangle is the page area
#define IDC_MAIN_BTN_CLOSE 1002
#define IDC_MAIN_BTN_MINIMIZE 1003
#define IDC_MAIN_BTN_SMS 1006
#define IDC_MAIN_STATUS 1026        // status line
#define IDC_MAIN_SIGNAL 1030        // signal-strength picture
#define IDC_MAIN_BTN_INTERNET 1050
#define IDC_MAIN_BTN_PHONEBOOK 1071
#define IDC_MAIN_BTN_SETTINGS 1074
#define IDC_MAIN_BTN_CALL 1078
#define IDC_MAIN_NETWORK_TYPE 1109  // hidden unless the network mode is known
#define IDC_MAIN_BTN_STATS 1402     // hidden in the template
#define IDC_MAIN_TOOLBAR1 1500      // toolbar buttons: IDC_MAIN_TOOLBAR1 + i, i = 0..7
#define IDC_MAIN_TOOLBAR2 1501
#define IDC_MAIN_TOOLBAR3 1502
#define IDC_MAIN_TOOLBAR4 1503
#define IDC_MAIN_TOOLBAR5 1504
#define IDC_MAIN_TOOLBAR6 1505
#define IDC_MAIN_TOOLBAR7 1506
#define IDC_MAIN_TOOLBAR8 1507

// Wait box (IDD_WAITBOX)
#define IDC_WAIT_TEXT 1031
#define IDC_WAIT_ICON 1202

// Internet page (IDD_INTERNET)
#define IDC_INET_CONNECT 1001       // dial / disconnect
#define IDC_INET_RECORDS 1007
#define IDC_INET_STATE 1077         // state text
#define IDC_INET_BACK 1081
#define IDC_INET_DURATION 1083
#define IDC_INET_RECEIVED 1085
#define IDC_INET_SENT 1086

// Connection records dialog (IDD_NET_RECORDS)
#define IDC_NETREC_LIST 1032
#define IDC_NETREC_BACK 1081
#define IDC_NETREC_CLEAR 1082
#define IDC_NETREC_TOTALS 1400      // its template text is the totals format
#define IDC_NETREC_PERIOD 1401

// Traffic graph window (IDD_TRAFFIC_GRAPH)
#define IDC_GRAPH_CLOSE 2
#define IDC_GRAPH_SEND_GRAPH 1603
#define IDC_GRAPH_RECV_GRAPH 1604
#define IDC_GRAPH_SEND_TEXT 1605    // its template text is the send line format
#define IDC_GRAPH_RECV_TEXT 1606    // its template text is the receive line format
#define IDC_GRAPH_MODE_BARS 1607
#define IDC_GRAPH_MODE_LINE 1608
#define IDC_GRAPH_SEND_COLOR 1609   // hidden, "r,g,b"
#define IDC_GRAPH_RECV_COLOR 1610   // hidden, "r,g,b"
#define IDC_GRAPH_HISTORY 1611

// Call page (IDD_CALL)
#define IDC_CALL_NUMBER 1004
#define IDC_CALL_KEY_5 1023
#define IDC_CALL_KEY_6 1029
#define IDC_CALL_KEY_7 1033
#define IDC_CALL_KEY_8 1035
#define IDC_CALL_KEY_9 1038
#define IDC_CALL_KEY_STAR 1042
#define IDC_CALL_KEY_0 1045
#define IDC_CALL_KEY_HASH 1047
#define IDC_CALL_KEY_1 1048
#define IDC_CALL_KEY_2 1068
#define IDC_CALL_KEY_3 1069
#define IDC_CALL_KEY_4 1070
#define IDC_CALL_HANGUP 1079
#define IDC_CALL_RECORDS 1080
#define IDC_CALL_VOLUME 1084        // trackbar
#define IDC_CALL_BACK 1098
#define IDC_CALL_DIAL 1099          // call / answer
#define IDC_CALL_BACKSPACE 1103

// Call records page (IDD_CALL_RECORDS)
#define IDC_CALLREC_LIST 1005
#define IDC_CALLREC_CALLBACK 1008
#define IDC_CALLREC_DELETE 1010
#define IDC_CALLREC_BACK 1081

// SMS list page (IDD_SMS_LIST)
#define IDC_SMSLIST_LIST 1012
#define IDC_SMSLIST_BACK 1081
#define IDC_SMSLIST_NEW 1093
#define IDC_SMSLIST_DELETE 1095
#define IDC_SMSLIST_BATCH 1097

// SMS compose page (IDD_SMS_SEND)
#define IDC_SMSSEND_SEND 1014       // send / reply
#define IDC_SMSSEND_RECIPIENT 1016  // combo box with edit field
#define IDC_SMSSEND_TEXT 1017
#define IDC_SMSSEND_CANCEL 1019

// SMS batch send dialog (IDD_SMS_BATCH)
#define IDC_BATCH_BACK 2
#define IDC_BATCH_ADD 1013
#define IDC_BATCH_PHONEBOOK 1039
#define IDC_BATCH_SEND_LIST 1040
#define IDC_BATCH_TEXT 1041
#define IDC_BATCH_MANUAL 1043
#define IDC_BATCH_SEND 1044
#define IDC_BATCH_LOG 1046
#define IDC_BATCH_CLEAR 1082

// Phone book page (IDD_PHONEBOOK)
#define IDC_PB_ADD 1024
#define IDC_PB_DELETE 1025
#define IDC_PB_EDIT 1027
#define IDC_PB_LIST 1028
#define IDC_PB_BACK 1081

// Phone book entry editor (IDD_PHONEBOOK_EDIT)
#define IDC_PBEDIT_SAVE 1018        // add / change
#define IDC_PBEDIT_CANCEL 1019
#define IDC_PBEDIT_NAME 1021
#define IDC_PBEDIT_NUMBER 1071

// Account settings page (IDD_ACCOUNT)
#define IDC_ACCOUNT_SAVE 1009
#define IDC_ACCOUNT_DEFAULT 1011
#define IDC_ACCOUNT_APN 1037
#define IDC_ACCOUNT_NUMBER 1071
#define IDC_ACCOUNT_USER 1072
#define IDC_ACCOUNT_PASSWORD 1073
#define IDC_ACCOUNT_BACK 1081
#define IDC_ACCOUNT_ADVANCED 1087
#define IDC_ACCOUNT_OPERATOR 1203   // operator presets

// Advanced settings dialog (IDD_ADVANCED) and its three tab pages
#define IDC_ADV_OK 1018
#define IDC_ADV_CANCEL 1019
#define IDC_ADV_TABS 1034
#define IDC_ADV_AUTO_DIAL 1036      // tab "run" (IDD_ADV_RUN)
#define IDC_ADV_AUTO_HIDE 1104
#define IDC_ADV_CARD_AUTORUN 1105
#define IDC_ADV_RUN_AT_STARTUP 1106
#define IDC_ADV_STOP_DEVICE 1107
#define IDC_ADV_PRELOAD 1108
#define IDC_ADV_SKIN 1049           // tab "other" (IDD_ADV_OTHER)
#define IDC_ADV_SLEEP_SECONDS 1088
#define IDC_ADV_KEEP_CONNECTION 1100
#define IDC_ADV_AUTO_REDIAL 1101
#define IDC_ADV_RESTART_NOW 1201
#define IDC_ADV_MONTH_ALARM 1614
#define IDC_ADV_RING_PATH 1089      // tab "sound" (IDD_ADV_SOUND)
#define IDC_ADV_SMS_PATH 1090
#define IDC_ADV_RING_BROWSE 1091
#define IDC_ADV_RING_DEFAULT 1092
#define IDC_ADV_SMS_BROWSE 1094
#define IDC_ADV_SMS_DEFAULT 1096

// The skinned list's own scroll bar (created in code beside the list)
#define IDC_SKIN_SCROLLBAR 65535

// ==== Menus ====================================================================================
#define IDR_PHONEBOOK_MENU 133      // popup "操作"
#define IDR_TRAY_MENU 156           // popup "TRAY"; also the tray icon's identifier

// Tray menu commands
#define ID_TRAY_SHOW 32771
#define ID_TRAY_HIDE 32773
#define ID_TRAY_EXIT 32775
#define ID_TRAY_ABOUT 32781

// Phone book context menu commands
#define ID_PB_EDIT 32772
#define ID_PB_DELETE 32774
#define ID_PB_ADD 32776
#define ID_PB_SEND_SMS 32777
#define ID_PB_CALL 32778
#define ID_PB_IMPORT 32779
#define ID_PB_EXPORT 32780

// ==== Icons ====================================================================================
#define IDI_MAIN 129

// ==== Bitmaps ==================================================================================
// Backgrounds and skins
#define IDB_MAIN_BACKGROUND 131
#define IDB_PAGE_BACKGROUND 139
#define IDB_POPUP_SKIN 159
#define IDB_WAIT_PICTURE 334        // start-up splash (picture mode of the wait box)
#define IDB_GRAPH_BACKGROUND 1602

// Main window buttons (normal, selected)
#define IDB_MAIN_CLOSE_SEL 146
#define IDB_MAIN_MINIMIZE 150
#define IDB_MAIN_MINIMIZE_SEL 154
#define IDB_MAIN_SMS_SEL 272
#define IDB_MAIN_INTERNET 274
#define IDB_MAIN_INTERNET_SEL 275
#define IDB_MAIN_PHONEBOOK 276
#define IDB_MAIN_SETTINGS 280
#define IDB_MAIN_SETTINGS_SEL 281
#define IDB_MAIN_SMS 282
#define IDB_MAIN_CALL 284
#define IDB_MAIN_CALL_SEL 285
#define IDB_MAIN_PHONEBOOK_SEL 296
#define IDB_MAIN_CLOSE 329
#define IDB_MAIN_STATS 336
#define IDB_MAIN_STATS_SEL 337

// Toolbar buttons: IDB_TOOLBAR1 + 2i normal, IDB_TOOLBAR1_SEL + 2i selected, i = 0..7
#define IDB_TOOLBAR1 1508
#define IDB_TOOLBAR1_SEL 1509
#define IDB_TOOLBAR2 1510
#define IDB_TOOLBAR2_SEL 1511
#define IDB_TOOLBAR3 1512
#define IDB_TOOLBAR3_SEL 1513
#define IDB_TOOLBAR4 1514
#define IDB_TOOLBAR4_SEL 1515
#define IDB_TOOLBAR5 1516
#define IDB_TOOLBAR5_SEL 1517
#define IDB_TOOLBAR6 1518
#define IDB_TOOLBAR6_SEL 1519
#define IDB_TOOLBAR7 1520
#define IDB_TOOLBAR7_SEL 1521
#define IDB_TOOLBAR8 1522
#define IDB_TOOLBAR8_SEL 1523

// Signal strength (level = (csq + 1) / 6.67)
#define IDB_SIGNAL_4 180            // full
#define IDB_SIGNAL_0 182
#define IDB_SIGNAL_1 184
#define IDB_SIGNAL_2 186
#define IDB_SIGNAL_3 188
#define IDB_SIGNAL_UNKNOWN 190      // csq -1 or 99

// Buttons shared by the pages (normal, selected)
#define IDB_BTN_SAVE_SEL 257
#define IDB_BTN_ADD_SEL 258
#define IDB_BTN_ADVANCED 259
#define IDB_BTN_ADVANCED_SEL 260
#define IDB_BTN_BACK 261
#define IDB_BTN_BACK_SEL 262
#define IDB_BTN_DEFAULT 263
#define IDB_BTN_DEFAULT_SEL 264
#define IDB_BTN_DELETE 265
#define IDB_BTN_DELETE_SEL 266
#define IDB_BTN_EDIT 267
#define IDB_BTN_EDIT_SEL 268
#define IDB_BTN_SAVE 269
#define IDB_BTN_ADD 270
#define IDB_BTN_CANCEL 305
#define IDB_BTN_CANCEL_SEL 306

// Internet page
#define IDB_INET_DIAL_SEL 316
#define IDB_INET_HANGUP 317
#define IDB_INET_DIAL_DISABLED 318
#define IDB_INET_HANGUP_DISABLED 319
#define IDB_INET_RECORDS 320
#define IDB_INET_RECORDS_SEL 321
#define IDB_INET_HANGUP_SEL 322
#define IDB_INET_DIAL 333

// Call page: keypad
#define IDB_KEY_HASH_SEL 233
#define IDB_KEY_0_SEL 234
#define IDB_KEY_1 235
#define IDB_KEY_1_SEL 236
#define IDB_KEY_2 237
#define IDB_KEY_2_SEL 238
#define IDB_KEY_3 239
#define IDB_KEY_3_SEL 240
#define IDB_KEY_4 241
#define IDB_KEY_4_SEL 242
#define IDB_KEY_5 243
#define IDB_KEY_6 244
#define IDB_KEY_6_SEL 245
#define IDB_KEY_7 246
#define IDB_KEY_7_SEL 247
#define IDB_KEY_5_SEL 248
#define IDB_KEY_8 249
#define IDB_KEY_8_SEL 250
#define IDB_KEY_9 251
#define IDB_KEY_9_SEL 252
#define IDB_KEY_STAR 253
#define IDB_KEY_STAR_SEL 254
#define IDB_KEY_HASH 255
#define IDB_KEY_0 256

// Call page: other buttons
#define IDB_CALL_HANGUP_SEL 193
#define IDB_CALL_HANGUP 195
#define IDB_CALL_BACKSPACE_SEL 273
#define IDB_CALL_BACKSPACE 283
#define IDB_CALL_BACK_SEL 290
#define IDB_CALL_BACK 291
#define IDB_CALL_RINGING 299        // idle look: disabled image; ringing look: normal image
#define IDB_CALL_DIAL 300           // idle look: normal image; ringing look: selected image
#define IDB_CALL_DIAL_SEL 302
#define IDB_CALL_RECORDS 1403
#define IDB_CALL_RECORDS_SEL 1404

// Call records page
#define IDB_CALLREC_CALLBACK 297
#define IDB_CALLREC_CALLBACK_SEL 298

// SMS compose page
#define IDB_SMS_SEND_DISABLED 303
#define IDB_SMS_REPLY_SEL 304
#define IDB_SMS_REPLY 307
#define IDB_SMS_SEND 308
#define IDB_SMS_SEND_SEL 309

// Skinned list scroll bar
#define IDB_SCROLL_TRACK 145
#define IDB_SCROLL_THUMB 323
#define IDB_SCROLL_DOWN 324
#define IDB_SCROLL_UP 325

// ==== Sounds (WAVE resources) ==================================================================
#define IDW_NEW_SMS 168
#define IDW_DORMANT 170
#define IDW_CONNECTED 172
#define IDW_RING 178
#define IDW_KEY_CLICK 232
#define IDW_MONTH_ALARM 1612

// ==== Strings ==================================================================================
// Application start-up and shutdown
#define IDS_SOCKET_INIT_FAILED 103
#define IDS_APP_TITLE 104           // "Wireless Modem" in every language: names the registry key
#define IDS_LOAD_MODULE_FAILED 107
#define IDS_INITIALIZING 203
#define IDS_EXITING 205
#define IDS_NO_CARD 314
#define IDS_HOVER_TRACKING 1300     // "1": main window buttons light up under the mouse
#define IDS_WAIT_PICTURE_MODE 1301  // "1": the start-up wait box shows IDB_WAIT_PICTURE
#define IDS_HELP_MISSING 1616       // %s: the help file that is not there

// Settings: display colours "r,g,b"
#define IDS_TEXT_COLOR 226          // colour 0: page texts and lists
#define IDS_HILITE_COLOR 227        // colour 1: status line and network type

// Connection: dial progress and outcome (internet page state text)
#define IDS_DIAL_CHECKING_MODEM 108
#define IDS_DIAL_DIALING 109
#define IDS_DIAL_HANGING_UP 110
#define IDS_DIAL_ENDED 111
#define IDS_DIAL_CHECKING_SIM 112
#define IDS_DIAL_CHECKING_SIGNAL 113
#define IDS_DIAL_CHECKING_REGISTRATION 114
#define IDS_DIAL_CHECKING_ACCOUNT 115
#define IDS_DIAL_CONNECTING_DEVICE 116
#define IDS_DIAL_REDIALING 117
#define IDS_NO_PCMCIA_CARD 118
#define IDS_NO_MODEM 119
#define IDS_NO_SIM_CARD 120
#define IDS_NO_SIGNAL 121
#define IDS_NOT_REGISTERED 122
#define IDS_DIAL_SUCCEEDED 123
#define IDS_DIAL_FAILED 124
#define IDS_HANGUP_SUCCEEDED 125
#define IDS_NET_CONNECTED 126
#define IDS_OPEN_PORT_FAILED 127
#define IDS_CREATE_ENTRY_FAILED 128
#define IDS_DIAL_REGISTERING 130
#define IDS_DIAL_CHECKING_PORT 132
#define IDS_NET_DISCONNECTED 135
#define IDS_NET_DORMANT 143
#define IDS_GOING_DORMANT 330
#define IDS_HANGUP_FAILED 1615      // the module refused the hang-up

// Traffic: connection records columns and month alarm
#define IDS_NETREC_COLUMNS 209      // comma-separated, 5 columns
#define IDS_MONTH_ALARM 1613

// Main window: status line and busy checks
#define IDS_STATUS_BLANK 137        // " "
#define IDS_BUSY_DIALING 140
#define IDS_BUSY_NET_CONNECTED 176
#define IDS_BUSY_CALL 310
#define IDS_BUSY_SMS_SENDING 311
#define IDS_BUSY_PORT 332
#define IDS_READING_PHONEBOOK 223
#define IDS_READING_SMS 224
#define IDS_READING_CALL_RECORDS 225

// Card readers (SMS, phone book, call records) and their results
#define IDS_READING 167
#define IDS_READ_DONE 169
#define IDS_READ_FAILED_OR_EMPTY 173
#define IDS_OPERATION_OK 196
#define IDS_OPERATION_FAILED 197

// Short messages
#define IDS_NEW_SMS_FMT 147         // %s name, %s number; first line alone when no number
#define IDS_SMS_COLUMNS 155         // comma-separated, 4 columns
#define IDS_SMS_TYPES 175           // "sent,received"
#define IDS_SMS_SENDING 177
#define IDS_SMS_SENT 179
#define IDS_SMS_SEND_FAILED 181
#define IDS_SMS_TEXT_EMPTY 229
#define IDS_SMS_RECIPIENT_EMPTY 312
#define IDS_BATCH_SENDING_TO_FMT 218 // %s number
#define IDS_BATCH_SENT 219
#define IDS_BATCH_FAILED 220
#define IDS_BATCH_NO_TEXT 221
#define IDS_BATCH_NO_RECIPIENTS 222
#define IDS_BATCH_SUMMARY_FMT 231   // %d count

// Phone book
#define IDS_PB_COLUMNS 158          // comma-separated, 2 columns
#define IDS_PB_NAME_OR_NUMBER_EMPTY 201
#define IDS_PB_NUMBER_EXISTS 207
#define IDS_CSV_IMPORTED_FMT 213    // %d count
#define IDS_CSV_EXPORT_OK 214
#define IDS_CSV_IMPORT_FAILED 215
#define IDS_CSV_EXPORT_FAILED 216
#define IDS_CSV_OVERWRITE_FMT 217   // %s new name, %s number, %s existing name, %s number
#define IDS_CSV_INVALID_FORMAT 228

// Voice calls
#define IDS_INCOMING_CALL_FMT 151   // %s name, %s number
#define IDS_CALLREC_COLUMNS 161     // comma-separated, 4 columns
#define IDS_CALL_TYPES 171          // "outgoing,answered,missed"
#define IDS_CALLING 183
#define IDS_CALL_CONNECTED 185
#define IDS_CALL_LOST 187
#define IDS_CALL_REMOTE_HANGUP 189
#define IDS_CALL_HUNG_UP 191
#define IDS_CALL_FAILED 192
#define IDS_SET_VOLUME_FAILED 194
#define IDS_ANSWER_FAILED 199
// Call page tooltips: string id = control id
#define IDS_TIP_CALL_HANGUP 1079
#define IDS_TIP_CALL_RECORDS 1080
#define IDS_TIP_CALL_BACK 1098
#define IDS_TIP_CALL_DIAL 1099
#define IDS_TIP_CALL_BACKSPACE 1103

// Settings pages
#define IDS_ADV_TAB_NAMES 210       // comma-separated, 3 tabs
#define IDS_SAVE_OK 211
#define IDS_SAVE_FAILED 212

// Standard data-exchange prompts (%1, %2 are inserted by the framework)
#define IDS_PROMPT_INTEGER 61712
#define IDS_PROMPT_INTEGER_RANGE 61714
#define IDS_PROMPT_MAX_CHARS 61716

// ==== Timers ===================================================================================
// Main window
#define TIMER_STATUS 1224           // 5000 ms: status line, month alarm, no-traffic watch
#define TIMER_TRAFFIC 1225          // 3000 ms while connected
#define TIMER_SIGNAL 1227           // 10000 ms: signal and network mode
#define TIMER_HOME_IDLE 1228        // 3000 ms: back to the home page after 30 s idle
#define TIMER_DORMANCY 1229         // NET_CTA seconds
// Internet page
#define TIMER_REDIAL 1324
#define TIMER_LINK_CHECK 1325       // 3000 ms
#define TIMER_DIAL_TIMEOUT 1326     // 90000 ms: a dial or hang-up the module never reports done
// SMS list page
#define TIMER_SMS_RELOAD_RETRY 1157 // 1000 ms: a reload the card was too busy for, tried again
// Call page
#define TIMER_RING_TIMEOUT 1425     // 30000 ms: unanswered incoming call
// Wait box
#define TIMER_WAIT_DOTS 1147        // 300 ms
// Notification popup (per window)
#define TIMER_POPUP_SHOW 1
#define TIMER_POPUP_STAY 2
#define TIMER_POPUP_HIDE 3
// Skinned list scroll bar (per window)
#define TIMER_SCROLL_REPEAT 1       // 50 ms
#define TIMER_SCROLL_DELAY 2        // 250 ms before repeating
// Sentrel launch notice
#define TIMER_LAUNCH_START 2024     // 5000 ms
#define TIMER_LAUNCH_WAIT 3024      // 10 ms
#define TIMER_LAUNCH_TIMEOUT 4024   // 40000 ms

// ==== Hot keys =================================================================================
#define HOTKEY_RESTORE 1230         // F11
#define HOTKEY_EXIT 1231            // Ctrl+F11

// ==== Window messages (WM_USER + n, written as plain numbers) =================================
#define WM_APP_TRAY 1124            // WM_USER+100: tray icon notification to the main window
#define WM_APP_POPUP_CLICK 1147     // WM_USER+123: popup clicked, to its owner
#define WM_APP_LIST_REFRESH 1224    // WM_USER+200: skinned list redraws after a thumb drag
#define WM_APP_STATUS 1226          // WM_USER+202: status text to the main window
#define WM_APP_BUTTON_LOOK 1424     // WM_USER+400: connected/ringing look of a page button
