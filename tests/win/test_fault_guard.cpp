// The module fault guard: faults inside module entries are caught, logged and turned into failures.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/FaultGuard.h"
#include "framework/Thread.h"
#include "modem/ModemModule.h"

namespace {

std::vector<std::string> g_log;

int32_t MDM_CALL FakeWriteLog(const char* text) {
    g_log.emplace_back(text);
    return 0;
}

int32_t MDM_CALL FaultingCsq() {
    volatile int* nowhere = nullptr;
    return *nowhere;
}

int32_t MDM_CALL FaultingSetCta(int32_t seconds) {
    volatile int zero = 0;
    return seconds / zero;
}

int32_t MDM_CALL GoodCsq() { return 17; }

int32_t MDM_CALL FaultingWriteLog(const char*) {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}

class FaultGuardTest : public ::testing::Test {
protected:
    void SetUp() override {
        modem::Bind(GetModuleHandleW(nullptr));  // binds nothing: the test exe exports no entries
        modem::Table().mdmWriteLog = &FakeWriteLog;
        g_log.clear();
    }
    void TearDown() override { modem::Table() = modem::ModemTable{}; }
};

int CallFaultingEntryTenTimes() {
    int failures = 0;
    for (int i = 0; i < 10; ++i)
        if (MDM_CALL_GUARDED(mdmGetCsq, int32_t{-1}) == -1) ++failures;
    return failures;
}

TEST_F(FaultGuardTest, AccessViolationInEntryIsCaughtTenTimesOnTheMainThread) {
    modem::Table().mdmGetCsq = &FaultingCsq;
    unsigned long before = fault::CaughtFaultCount();
    EXPECT_EQ(CallFaultingEntryTenTimes(), 10);
    EXPECT_EQ(fault::CaughtFaultCount() - before, 10u);
    EXPECT_EQ(fault::LastFaultCode(), static_cast<unsigned long>(EXCEPTION_ACCESS_VIOLATION));
    ASSERT_EQ(g_log.size(), 10u);
    for (const std::string& line : g_log) {
        EXPECT_EQ(line.rfind("File=", 0), 0u) << line;
        EXPECT_NE(line.find("test_fault_guard.cpp,Line="), std::string::npos) << line;
        EXPECT_EQ(line.back(), '\n');
    }
}

TEST_F(FaultGuardTest, FaultsAreCaughtOnWorkerThreads) {
    modem::Table().mdmGetCsq = &FaultingCsq;
    int onStdThread = 0;
    std::thread worker([&] { onStdThread = CallFaultingEntryTenTimes(); });
    worker.join();
    EXPECT_EQ(onStdThread, 10);

    int onWin32Thread = 0;
    HANDLE handle = thread::Start([&] { onWin32Thread = CallFaultingEntryTenTimes(); });
    ASSERT_NE(handle, nullptr);
    WaitForSingleObject(handle, INFINITE);
    CloseHandle(handle);
    EXPECT_EQ(onWin32Thread, 10);
    EXPECT_EQ(g_log.size(), 20u);
}

TEST_F(FaultGuardTest, DivideByZeroGivesTheCallersFailureValue) {
    modem::Table().mdmNetSetCta = &FaultingSetCta;
    EXPECT_EQ(MDM_CALL_GUARDED(mdmNetSetCta, int32_t{-7}, 30), -7);
    EXPECT_EQ(fault::LastFaultCode(), static_cast<unsigned long>(EXCEPTION_INT_DIVIDE_BY_ZERO));
}

TEST_F(FaultGuardTest, UnboundEntryIsAFailedCallWithoutLogging) {
    EXPECT_EQ(MDM_CALL_GUARDED(mdmGetCsq, int32_t{-1}), -1);
    EXPECT_TRUE(g_log.empty());
}

TEST_F(FaultGuardTest, HealthyCallsAndCppExceptionsKeepWorkingAfterFaults) {
    modem::Table().mdmGetCsq = &FaultingCsq;
    CallFaultingEntryTenTimes();
    modem::Table().mdmGetCsq = &GoodCsq;
    EXPECT_EQ(MDM_CALL_GUARDED(mdmGetCsq, int32_t{-1}), 17);
    EXPECT_THROW(throw std::runtime_error("still unwinding"), std::runtime_error);
    // A C++ exception thrown inside a guard passes through it untouched.
    EXPECT_THROW(FAULT_GUARD({ throw std::logic_error("inside"); }), std::logic_error);
    EXPECT_EQ(MDM_CALL_GUARDED(mdmGetCsq, int32_t{-1}), 17);
}

TEST_F(FaultGuardTest, NestedGuardsCatchAtTheInnermostAndOuterGoesOn) {
    modem::Table().mdmGetCsq = &FaultingCsq;
    bool innerFailed = false;
    bool outerCompleted = FAULT_GUARD({
        innerFailed = MDM_CALL_GUARDED(mdmGetCsq, int32_t{-1}) == -1;
    });
    EXPECT_TRUE(innerFailed);
    EXPECT_TRUE(outerCompleted);
}

TEST_F(FaultGuardTest, FaultInsideTheLogWriterIsSwallowed) {
    modem::Table().mdmWriteLog = &FaultingWriteLog;
    modem::Table().mdmGetCsq = &FaultingCsq;
    EXPECT_EQ(MDM_CALL_GUARDED(mdmGetCsq, int32_t{-1}), -1);
    modem::Table().mdmGetCsq = &GoodCsq;
    EXPECT_EQ(MDM_CALL_GUARDED(mdmGetCsq, int32_t{-1}), 17);
}

}  // namespace
