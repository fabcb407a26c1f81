// simctl.exe: drives the simulated card beside it — writes simcard.ini directly, or sends one
// command to the card module's control pipe in the running program and prints the reply.
#include "simcard/SimShared.h"

#include <dbt.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace sim;

namespace {

enum Exit { kOk = 0, kUsage = 1, kNoModule = 2, kRefused = 3, kWriteFailed = 4 };

const char kUsageText[] =
    "usage: simctl COMMAND [ARGS]\n"
    "  card state (simcard.ini beside simctl, works without a running program):\n"
    "    signal N | mode N | present 0|1|255 | set SECTION KEY VALUE | get SECTION KEY\n"
    "  events (need a program that loaded simcard.dll from this folder):\n"
    "    status | reload | ring NUMBER | answer | hangup | lost | sms NUMBER TEXT...\n"
    "    drop | event E [A1 A2 A3 A4] | burst N\n"
    "  device: remove | insert (through the program; without one, to every window)\n"
    "exit codes: 0 ok, 1 bad command, 2 no card module serving, 3 refused, 4 write failed\n";

int Usage(const char* problem) {
    if (problem) fprintf(stderr, "simctl: %s\n", problem);
    fputs(kUsageText, stderr);
    return kUsage;
}

std::vector<std::string> AnsiArgs() {
    std::vector<std::string> out;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return out;
    for (int i = 1; i < argc; ++i) {
        int len = WideCharToMultiByte(CP_ACP, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string a(len > 0 ? len : 1, '\0');
        if (len > 0) WideCharToMultiByte(CP_ACP, 0, argv[i], -1, a.data(), len, nullptr, nullptr);
        a.resize(strnlen(a.c_str(), a.size()));
        out.push_back(a);
    }
    LocalFree(argv);
    return out;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool IsInt(const std::string& s) {
    long long v;
    return ParseInt(s, v) && v >= INT32_MIN && v <= INT32_MAX;
}

std::string Join(const std::vector<std::string>& a, size_t from, char sep) {
    std::string out;
    for (size_t i = from; i < a.size(); ++i) {
        if (i > from) out += sep;
        std::string part = a[i];
        for (char& c : part)
            if (c == '\t') c = ' ';
        out += part;
    }
    return out;
}

int Write(const char* section, const char* key, const std::string& value) {
    StateLock lock;
    if (!IniSet(section, key, value)) {
        fprintf(stderr, "simctl: cannot write %s\n", IniPath().c_str());
        return kWriteFailed;
    }
    printf("ok [%s] %s=%s\n", section, key, value.c_str());
    return kOk;
}

int NoModule() {
    fprintf(stderr,
            "simctl: no card module is serving %s (no program has loaded simcard.dll from %s "
            "and called it)\n",
            PipeName().c_str(), CardFolder().c_str());
    return kNoModule;
}

// Sends the command to the card module; prints its reply.
int Send(const std::vector<std::string>& args) {
    std::string reply;
    switch (PipeRequest(PipeName(), Join(args, 0, '\t'), reply, 20000)) {
    case PipeResult::NoServer: return NoModule();
    case PipeResult::Failed:
        fprintf(stderr, "simctl: the card module did not answer on %s\n", PipeName().c_str());
        return kRefused;
    case PipeResult::Ok: break;
    }
    if (reply.rfind("ok", 0) == 0) {
        printf("%s\n", reply.c_str());
        return kOk;
    }
    fprintf(stderr, "simctl: %s\n", reply.empty() ? "empty reply" : reply.c_str());
    return kRefused;
}

void PrintFileState() {
    printf(
        "card state in %s: present=%d sim=%d pinrequired=%d pinverified=%d signal=%d "
        "mode=%d com=%d\n",
        IniPath().c_str(), IniInt(kCard, "Present", 0), IniInt(kCard, "SimPresent", 1),
        IniInt(kCard, "PinRequired", 0), IniInt(kCard, "PinVerified", 0),
        IniInt(kCard, "Signal", 20), IniInt(kCard, "NetMode", 5), IniInt(kCard, "ComPort", 3));
}

// remove / insert: the module tells its own process's windows; without a module the change is
// written here and every top-level window is told, as the system would.
int PortChange(const std::vector<std::string>& args, bool removed) {
    std::string reply;
    PipeResult r = PipeRequest(PipeName(), Join(args, 0, '\t'), reply, 20000);
    if (r == PipeResult::Ok) {
        bool ok = reply.rfind("ok", 0) == 0;
        fprintf(ok ? stdout : stderr, "%s\n", reply.c_str());
        return ok ? kOk : kRefused;
    }
    int port = IniInt(kCard, "ComPort", 3);
    {
        StateLock lock;
        if (!IniSetInt(kCard, "Present", removed ? 255 : 0)) {
            fprintf(stderr, "simctl: cannot write %s\n", IniPath().c_str());
            return kWriteFailed;
        }
        if (removed) IniSetInt(kCard, "PinVerified", 0);
    }
    int windows = BroadcastPort(removed ? DBT_DEVICEREMOVECOMPLETE : DBT_DEVICEARRIVAL, port, 0);
    printf("ok card %s COM%d; no card module serving, %d window(s) told\n",
           removed ? "removed from" : "inserted at", port, windows);
    return kOk;
}

}  // namespace

int main() {
    SetCardFolder(FolderOfModule(nullptr));
    std::vector<std::string> args = AnsiArgs();
    if (args.empty()) return Usage(nullptr);
    std::string cmd = Lower(args[0]);
    args[0] = cmd;
    size_t extra = args.size() - 1;

    if (cmd == "help" || cmd == "-h" || cmd == "--help" || cmd == "/?") {
        fputs(kUsageText, stdout);
        return kOk;
    }
    if (cmd == "signal" || cmd == "mode") {
        if (extra != 1 || !IsInt(args[1])) return Usage((cmd + " needs one number").c_str());
        return Write(kCard, cmd == "signal" ? "Signal" : "NetMode", Trim(args[1]));
    }
    if (cmd == "present") {
        if (extra != 1 || (args[1] != "0" && args[1] != "1" && args[1] != "255"))
            return Usage("present needs 0, 1 or 255");
        if (args[1] == "255") {
            StateLock lock;
            IniSetInt(kCard, "PinVerified", 0);
        }
        return Write(kCard, "Present", args[1]);
    }
    if (cmd == "set") {
        if (extra < 3 || args[1].empty() || args[2].empty())
            return Usage("set needs SECTION KEY VALUE");
        return Write(args[1].c_str(), args[2].c_str(), Join(args, 3, ' '));
    }
    if (cmd == "get") {
        if (extra != 2) return Usage("get needs SECTION KEY");
        printf("%s\n", IniGet(args[1].c_str(), args[2].c_str(), "", 4096).c_str());
        return kOk;
    }
    if (cmd == "status") {
        if (extra != 0) return Usage("status takes no arguments");
        std::string reply;
        PipeResult r = PipeRequest(PipeName(), "status", reply, 20000);
        if (r == PipeResult::Ok) {
            printf("%s\n", reply.c_str());
            return kOk;
        }
        PrintFileState();
        return r == PipeResult::NoServer ? NoModule() : kRefused;
    }
    if (cmd == "remove" || cmd == "insert") {
        if (extra != 0) return Usage((cmd + " takes no arguments").c_str());
        return PortChange(args, cmd == "remove");
    }
    if (cmd == "reload" || cmd == "answer" || cmd == "hangup" || cmd == "lost" || cmd == "drop") {
        if (extra != 0) return Usage((cmd + " takes no arguments").c_str());
        return Send(args);
    }
    if (cmd == "ring") {
        if (extra != 1 || args[1].empty()) return Usage("ring needs one NUMBER");
        return Send(args);
    }
    if (cmd == "sms") {
        if (extra < 1) return Usage("sms needs NUMBER and TEXT");
        // The text may come as several words: they are sent as one text.
        std::vector<std::string> req{cmd, args[1], Join(args, 2, ' ')};
        return Send(req);
    }
    if (cmd == "burst") {
        if (extra != 1 || !IsInt(args[1])) return Usage("burst needs one count");
        return Send(args);
    }
    if (cmd == "event") {
        if (extra < 1 || extra > 5) return Usage("event needs 1 to 5 numbers");
        for (size_t i = 1; i < args.size(); ++i)
            if (!IsInt(args[i])) return Usage("event arguments must be numbers");
        return Send(args);
    }
    return Usage(("unknown command '" + args[0] + "'").c_str());
}
