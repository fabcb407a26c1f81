// Binary contract between Orvane, Sentrel and every modem module: entry points, callbacks, records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#if defined(_WIN32)
#define MDM_CALL __stdcall
#else
#define MDM_CALL
#endif

#pragma pack(push, 1)

// One short message as the module hands it over: 220 bytes, no padding.
struct SmsRecord {
    int32_t id;         // module's handle, given back to the delete functions
    int32_t type;       // 0 = sent, anything else = received
    char number[16];    // other party, NUL-terminated
    char time[32];      // module's own time text, NUL-terminated
    char content[164];  // message text in the ANSI code page, NUL-terminated
};

// One phone-book entry: 52 bytes; valid ids are 0..200.
struct PhoneBookRecord {
    int32_t id;
    char number[16];
    char name[32];
};

// One remembered voice call: 60 bytes.
struct CallRecord {
    int32_t id;        // module's handle, given back to mdmVoiceDelRec
    int32_t type;      // 0 = outgoing, 1 = incoming answered, other = missed
    char number[16];
    int32_t duration;
    char time[32];
};

#pragma pack(pop)

static_assert(sizeof(SmsRecord) == 220);
static_assert(offsetof(SmsRecord, type) == 4);
static_assert(offsetof(SmsRecord, number) == 8);
static_assert(offsetof(SmsRecord, time) == 24);
static_assert(offsetof(SmsRecord, content) == 56);

static_assert(sizeof(PhoneBookRecord) == 52);
static_assert(offsetof(PhoneBookRecord, number) == 4);
static_assert(offsetof(PhoneBookRecord, name) == 20);

static_assert(sizeof(CallRecord) == 60);
static_assert(offsetof(CallRecord, type) == 4);
static_assert(offsetof(CallRecord, number) == 8);
static_assert(offsetof(CallRecord, duration) == 24);
static_assert(offsetof(CallRecord, time) == 28);

namespace modem {

constexpr int kSmsCapacity = 64;        // the message store holds this many records
constexpr int kCallRecordCapacity = 20; // the call record buffer holds this many
constexpr int kPhoneBookSlots = 201;    // phone-book ids 0..200
constexpr int kModemAbsent = 255;       // mdmModemExist: no card, stop probing

}  // namespace modem

// Callbacks the program hands to the module; called on the module's own threads.
typedef void(MDM_CALL* MdmDialCallback)(int32_t status);
// The four event values are pointer-sized: event 5 passes the sender's number as a text pointer.
typedef void(MDM_CALL* MdmEventCallback)(int32_t event, intptr_t arg1, intptr_t arg2, intptr_t arg3,
                                         intptr_t arg4);

// Entry-point signatures. Every entry returns a 32-bit integer (texts and buffers by pointer).
typedef int32_t(MDM_CALL* PFN_mdmNetDial2)(const char* entry, const char* tel, const char* user,
                                           const char* password, const char* apn,
                                           MdmDialCallback callback);
typedef int32_t(MDM_CALL* PFN_mdmNetDial)(const char* entry, const char* tel, const char* user,
                                          const char* password, MdmDialCallback callback);
typedef int32_t(MDM_CALL* PFN_mdmNetHangup)(const char* entry);
typedef int32_t(MDM_CALL* PFN_mdmNetSetCta)(int32_t seconds);
typedef int32_t(MDM_CALL* PFN_mdmNetConnectStatus)();
typedef int32_t(MDM_CALL* PFN_mdmNetTransmitStatus)(const char* entry, uint32_t* received,
                                                    uint32_t* sent);
typedef int32_t(MDM_CALL* PFN_mdmNetGetDefaultSetting)(char* user, char* password, char* tel,
                                                       char* apn);
typedef int32_t(MDM_CALL* PFN_mdmModemExist)();
typedef int32_t(MDM_CALL* PFN_mdmGetRegStatus)();
typedef int32_t(MDM_CALL* PFN_mdmUimExist2)();
typedef int32_t(MDM_CALL* PFN_mdmUimExist)();
typedef int32_t(MDM_CALL* PFN_mdmGetCsq)();
typedef int32_t(MDM_CALL* PFN_mdmGetServerMode)();
typedef int32_t(MDM_CALL* PFN_mdmGetActiveComPort)();
typedef int32_t(MDM_CALL* PFN_mdmSmsSend)(const char* number, const char* text, int32_t flags);
typedef int32_t(MDM_CALL* PFN_mdmSmsGetAllRecvRec)(SmsRecord* records);
typedef int32_t(MDM_CALL* PFN_mdmSmsGetAllSendRec)(SmsRecord* records);
typedef int32_t(MDM_CALL* PFN_mdmSmsDelSendRec)(int32_t id);
typedef int32_t(MDM_CALL* PFN_mdmSmsDelRecvRec)(int32_t id);
typedef int32_t(MDM_CALL* PFN_mdmVoiceCall)(const char* number);
typedef int32_t(MDM_CALL* PFN_mdmVoiceShutdown)();
typedef int32_t(MDM_CALL* PFN_mdmVoiceCallAccept)();
typedef int32_t(MDM_CALL* PFN_mdmVoiceSendDtmf)(int32_t digit);
typedef int32_t(MDM_CALL* PFN_mdmVoiceSetVol)(int32_t level);
typedef int32_t(MDM_CALL* PFN_mdmVoiceGetVol)();
typedef int32_t(MDM_CALL* PFN_mdmVoiceGetMaxVol)();
typedef int32_t(MDM_CALL* PFN_mdmVoiceGetAllRec)(CallRecord* records);
typedef int32_t(MDM_CALL* PFN_mdmVoiceDelRec)(int32_t id);
typedef int32_t(MDM_CALL* PFN_mdmPbGetAllRec)(PhoneBookRecord* records);
typedef int32_t(MDM_CALL* PFN_mdmPbAddRec)(PhoneBookRecord record);
typedef int32_t(MDM_CALL* PFN_mdmPbDelRec)(int32_t id);
typedef int32_t(MDM_CALL* PFN_mdmPinGetStatus)(int32_t* pinRequired, int32_t* retries,
                                               int32_t* extra);
typedef int32_t(MDM_CALL* PFN_mdmPinVerify)(const char* pin);
typedef int32_t(MDM_CALL* PFN_mdmPinEnable)(const char* pin);
typedef int32_t(MDM_CALL* PFN_mdmPinDisable)(const char* pin);
typedef int32_t(MDM_CALL* PFN_mdmPinChange)(const char* oldPin, const char* newPin);
typedef int32_t(MDM_CALL* PFN_mdmPinUnblock)(const char* puk, const char* newPin);
typedef int32_t(MDM_CALL* PFN_mdmSetLogFileName)(const char* fileName);
typedef int32_t(MDM_CALL* PFN_mdmWriteLog)(const char* text);
typedef int32_t(MDM_CALL* PFN_mdmClearLog)();
typedef const char*(MDM_CALL* PFN_mdmGetLastErrorDes)();
typedef int32_t(MDM_CALL* PFN_mdmSetLastErrorDes)(const char* text);
typedef int32_t(MDM_CALL* PFN_mdmInitWatch)(MdmEventCallback callback);
typedef int32_t(MDM_CALL* PFN_mdmStopDev)();

// The 42 names the program binds, in binding order (also the layout of the binding table).
#define MDM_ENTRY_POINTS(X)                                                                       \
    X(mdmNetDial2) X(mdmNetHangup) X(mdmNetSetCta) X(mdmNetConnectStatus) X(mdmNetTransmitStatus) \
    X(mdmNetGetDefaultSetting) X(mdmModemExist) X(mdmGetRegStatus) X(mdmUimExist2) X(mdmGetCsq)   \
    X(mdmGetServerMode) X(mdmGetActiveComPort) X(mdmSmsSend) X(mdmSmsGetAllRecvRec)              \
    X(mdmSmsGetAllSendRec) X(mdmSmsDelSendRec) X(mdmSmsDelRecvRec) X(mdmVoiceCall)               \
    X(mdmVoiceShutdown) X(mdmVoiceCallAccept) X(mdmVoiceSendDtmf) X(mdmVoiceSetVol)              \
    X(mdmVoiceGetVol) X(mdmVoiceGetMaxVol) X(mdmVoiceGetAllRec) X(mdmVoiceDelRec)                \
    X(mdmPbGetAllRec) X(mdmPbAddRec) X(mdmPbDelRec) X(mdmPinGetStatus) X(mdmPinVerify)           \
    X(mdmPinEnable) X(mdmPinDisable) X(mdmPinChange) X(mdmPinUnblock) X(mdmSetLogFileName)       \
    X(mdmWriteLog) X(mdmClearLog) X(mdmGetLastErrorDes) X(mdmSetLastErrorDes) X(mdmInitWatch)    \
    X(mdmStopDev)

#if defined(_WIN32) && !defined(_WIN64)
// 32-bit: card makers' modules are __stdcall DLLs. An entry or callback type without MDM_CALL would
// still compile and link against our own module, then unbalance the stack on every call into a
// real one; so each type must be __stdcall (a distinct function type to the 32-bit compiler).
namespace modem::abi {
template <class T>
struct IsStdcall : std::false_type {};
template <class R, class... A>
struct IsStdcall<R(__stdcall*)(A...)> : std::true_type {};
}  // namespace modem::abi
#define MDM_ASSERT_STDCALL(name) \
    static_assert(modem::abi::IsStdcall<PFN_##name>::value, #name " must be __stdcall");
MDM_ENTRY_POINTS(MDM_ASSERT_STDCALL)
MDM_ASSERT_STDCALL(mdmNetDial)
MDM_ASSERT_STDCALL(mdmUimExist)
#undef MDM_ASSERT_STDCALL
static_assert(modem::abi::IsStdcall<MdmDialCallback>::value, "the dial callback must be __stdcall");
static_assert(modem::abi::IsStdcall<MdmEventCallback>::value, "the event callback must be __stdcall");
#endif

// Dial progress codes: 1..11 outcomes, 100..111 progress steps.
// Card events given to the event callback.
namespace modem {
enum CardEvent : int32_t {
    kEventRing = 1,
    kEventCallConnected = 2,
    kEventRemoteHangup = 3,
    kEventCallLost = 4,
    kEventNewSms = 5,
};
}
