// simcard.dll control pipe: a thread of the module serves one command per connection from
// simctl.exe (or a test) and answers with one line, "ok ..." or "error: ...".
#include "simcard/SimCard.h"

#include <dbt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace sim {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Join(const std::vector<std::string>& t, size_t from) {
    std::string out;
    for (size_t i = from; i < t.size(); ++i) {
        if (i > from) out += ' ';
        out += t[i];
    }
    return out;
}

bool IntArg(const std::vector<std::string>& t, size_t i, int32_t& value) {
    long long v;
    if (i >= t.size() || !ParseInt(t[i], v) || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
}

std::string Status() {
    char buf[512];
    snprintf(buf, sizeof buf,
             "ok pid=%lu watch=%s present=%d sim=%d pin=%s signal=%d mode=%d com=%d ",
             static_cast<unsigned long>(GetCurrentProcessId()), HasWatch() ? "yes" : "no",
             static_cast<int>(PresentCode()), static_cast<int>(IniInt(kCard, "SimPresent", 1)),
             IniInt(kCard, "PinRequired", 0) == 0 ? "off"
             : PinPending()                       ? "required"
                                                  : "verified",
             static_cast<int>(Signal()), static_cast<int>(IniInt(kCard, "NetMode", 5)),
             static_cast<int>(ComPort()));
    return buf + NetStatusText() + " " + VoiceStatusText();
}

std::string PortChange(bool removed) {
    int port = IniInt(kCard, "ComPort", 3);
    {
        StateLock lock;
        IniSetInt(kCard, "Present", removed ? modem::kModemAbsent : 0);
        if (removed) IniSetInt(kCard, "PinVerified", 0);
    }
    if (removed) CardRemoved();
    int windows = BroadcastPort(removed ? DBT_DEVICEREMOVECOMPLETE : DBT_DEVICEARRIVAL, port,
                                GetCurrentProcessId());
    return std::string("ok card ") + (removed ? "removed from" : "inserted at") + " COM" +
           std::to_string(port) + ", " + std::to_string(windows) + " window(s) told";
}

std::string Handle(const std::vector<std::string>& t, bool& handOver) {
    if (t.empty() || t[0].empty()) return "error: empty command";
    std::string cmd = Lower(t[0]);
    std::string why;
    if (cmd == "status" || cmd == "ping") return Status();
    // Card settings are written to simcard.ini by simctl itself; the card reads it at every call.
    if (cmd == "reload") return "ok card state is read from simcard.ini at every call";
    if (cmd == "yield") {
        if (HasWatch()) return "error: this process has the event callback";
        handOver = true;
        return "ok";
    }
    if (cmd == "ring") {
        if (t.size() < 2) return "error: ring needs a number";
        if (!HasWatch()) return "error: no event callback registered (mdmInitWatch)";
        return RemoteRing(t[1], why) ? "ok ringing" : "error: " + why;
    }
    if (cmd == "answer") return RemoteAnswer(why) ? "ok answered" : "error: " + why;
    if (cmd == "hangup")
        return RemoteEnd(modem::kEventRemoteHangup, why) ? "ok hung up" : "error: " + why;
    if (cmd == "lost") return RemoteEnd(modem::kEventCallLost, why) ? "ok lost" : "error: " + why;
    if (cmd == "sms") {
        if (t.size() < 2) return "error: sms needs a number and a text";
        if (!StoreReceivedSms(t[1], Join(t, 2), why)) return "error: " + why;
        if (!HasWatch()) return "ok stored; no event callback registered (mdmInitWatch)";
        return DeliverEvent(modem::kEventNewSms, t[1], true, 5000)
                   ? "ok stored and announced"
                   : "error: stored, but the event callback did not return within 5 s";
    }
    if (cmd == "drop") return DropLink() ? "ok link dropped" : "error: not connected";
    if (cmd == "remove") return PortChange(true);
    if (cmd == "insert") return PortChange(false);
    if (cmd == "event") {
        int32_t args[5] = {};
        if (!IntArg(t, 1, args[0]) || t.size() > 6) return "error: event needs 1 to 5 numbers";
        for (size_t i = 2; i < t.size(); ++i)
            if (!IntArg(t, i, args[i - 1])) return "error: event arguments must be numbers";
        if (!HasWatch()) return "error: no event callback registered (mdmInitWatch)";
        return DeliverRawEvent(args, 5000) ? "ok delivered"
                                           : "error: event callback did not return within 5 s";
    }
    if (cmd == "burst") {
        int32_t count = 0;
        if (!IntArg(t, 1, count) || count < 1 || count > 100000 || t.size() != 2)
            return "error: burst needs a count of 1 to 100000";
        if (!HasWatch()) return "error: no event callback registered (mdmInitWatch)";
        return DeliverBurst(count, 60000) ? "ok delivered"
                                          : "error: the events did not end within 60 s";
    }
    return "error: unknown command '" + t[0] + "'";
}

// Answers the one request of a client that has connected; true when the client asked this
// process to hand the pipe over.
bool ServeOne(HANDLE pipe, OVERLAPPED& ov) {
    bool handOver = false;
    std::vector<char> buf(kPipeMessageMax + 1, '\0');
    DWORD bytes = 0;
    if (FinishIo(pipe, ov, ReadFile(pipe, buf.data(), kPipeMessageMax, nullptr, &ov), 5000, bytes)) {
        std::string request(buf.data(), strnlen(buf.data(), std::min<size_t>(bytes, kPipeMessageMax)));
        while (!request.empty() && (request.back() == '\n' || request.back() == '\r'))
            request.pop_back();
        std::string reply = Handle(Split(request, '\t', 64), handOver);
        for (char& c : reply)
            if (c == '\r' || c == '\n') c = ' ';
        LogLine("PIPE " + Escape(request.substr(0, 200)) + " -> " + reply);
        FinishIo(pipe, ov, WriteFile(pipe, reply.data(), static_cast<DWORD>(reply.size()), nullptr, &ov),
                 5000, bytes);
        // The client closes once it has read the reply; only then may we disconnect, which
        // would throw unread data away.
        char probe;
        FinishIo(pipe, ov, ReadFile(pipe, &probe, 1, nullptr, &ov), 2000, bytes);
    }
    return handOver;
}

}  // namespace

// How the pipe is shared: every process that loaded this card folder's module (the program,
// Pin.exe, the watcher) serves it from the card's thread, but only one instance of the pipe may
// exist. The process that registered the event callback wants it: it asks the holder to hand
// over ("yield"); processes without a callback retry slowly, so they serve only when nobody
// else does. The card's thread waits on the pipe's event beside its jobs and steps the server
// whenever either wakes it.
PipeServer::PipeServer() : name_(PipeName()) {
    ov_.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

HANDLE PipeServer::WaitHandle() const { return pipe_ != INVALID_HANDLE_VALUE ? ov_.hEvent : nullptr; }

DWORD PipeServer::Delay() const {
    if (pipe_ != INVALID_HANDLE_VALUE || !ov_.hEvent) return INFINITE;
    const ULONGLONG now = GetTickCount64();
    return retryAt_ > now ? static_cast<DWORD>(retryAt_ - now) : 0;
}

void PipeServer::Step() {
    if (!ov_.hEvent) return;
    if (pipe_ == INVALID_HANDLE_VALUE) {
        if (GetTickCount64() >= retryAt_) Create();
        return;
    }
    if (!connected_) {
        if (WaitForSingleObject(ov_.hEvent, 0) != WAIT_OBJECT_0) return;  // nobody yet
        DWORD bytes = 0;
        if (!GetOverlappedResult(pipe_, &ov_, &bytes, FALSE)) {
            DisconnectNamedPipe(pipe_);
            Listen();
            return;
        }
    }
    connected_ = false;
    const bool handOver = ServeOne(pipe_, ov_);
    DisconnectNamedPipe(pipe_);
    if (handOver) {
        Close(3000);
    } else {
        Listen();
    }
}

void PipeServer::Create() {
    pipe_ = CreateNamedPipeA(
        name_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, kPipeMessageMax, kPipeMessageMax,
        0, nullptr);
    if (pipe_ == INVALID_HANDLE_VALUE) {
        DWORD pause = 1000;
        if (HasWatch()) {
            std::string reply;
            PipeRequest(name_, "yield", reply, 3000);
            pause = reply.rfind("ok", 0) == 0 ? 50 : 2000;
        }
        retryAt_ = GetTickCount64() + pause;
        return;
    }
    LogLine("PIPE serving " + name_ + " in process " + std::to_string(GetCurrentProcessId()));
    Listen();
}

void PipeServer::Listen() {
    for (;;) {
        connected_ = false;
        ResetEvent(ov_.hEvent);
        if (ConnectNamedPipe(pipe_, &ov_)) return;  // the event is set when it is done
        const DWORD err = GetLastError();
        if (err == ERROR_IO_PENDING) return;
        if (err == ERROR_PIPE_CONNECTED) {
            connected_ = true;
            SetEvent(ov_.hEvent);
            return;
        }
        DisconnectNamedPipe(pipe_);
        if (err != ERROR_NO_DATA) break;  // ERROR_NO_DATA: the client left already
    }
    Close(200);
}

void PipeServer::Close(DWORD pauseMs) {
    CloseHandle(pipe_);
    pipe_ = INVALID_HANDLE_VALUE;
    connected_ = false;
    retryAt_ = GetTickCount64() + pauseMs;
}

}  // namespace sim
