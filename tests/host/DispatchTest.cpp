// The entry point's routing, lock and failure translation.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "host/CommandDispatch.h"
#include "host/CommandLock.h"

namespace {

std::atomic<int> calls{0};

PF_Err countingHandler(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*) {
    ++calls;
    return 7;
}
PF_Err throwsHostCode(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*) {
    throw 516;
}
PF_Err throwsStandard(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*) {
    throw std::length_error("too long");
}
PF_Err throwsOther(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*) {
    throw 2.5;
}

CommandTable tableWith(PF_Cmd cmd, CommandHandler handler) {
    CommandTable table{};
    table[cmd] = handler;
    return table;
}

PF_Err send(const CommandTable& table, PF_Cmd cmd) {
    return dispatchCommand(table, cmd, nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST(Dispatch, RoutesHandledSelectorsAndAnswersZeroForTheRest) {
    CommandTable table{};
    for (auto& handler : table) handler = countingHandler;
    table[PF_Cmd_GLOBAL_SETDOWN] = nullptr;
    calls = 0;
    EXPECT_EQ(send(table, PF_Cmd_RENDER), 7);
    EXPECT_EQ(send(table, PF_Cmd_SMART_RENDER), 7);
    EXPECT_EQ(calls, 2);
    // Unhandled, out of range and negative selectors reach no handler.
    EXPECT_EQ(send(table, PF_Cmd_GLOBAL_SETDOWN), 0);
    EXPECT_EQ(send(table, PF_Cmd_NUM_CMDS), 0);
    EXPECT_EQ(send(table, -1), 0);
    EXPECT_EQ(send(table, 0x7FFFFFFF), 0);
    EXPECT_EQ(calls, 2);
    // Events go to the colour rule, which must bear a missing extra.
    EXPECT_EQ(send(table, PF_Cmd_EVENT), 0);
    EXPECT_EQ(calls, 2);
}

TEST(Dispatch, TurnsEscapingFailuresIntoHostResultsAndReleasesTheLock) {
    EXPECT_EQ(send(tableWith(PF_Cmd_RENDER, throwsHostCode), PF_Cmd_RENDER), 516);
    EXPECT_EQ(send(tableWith(PF_Cmd_RENDER, throwsStandard), PF_Cmd_RENDER), 515);
    EXPECT_EQ(send(tableWith(PF_Cmd_RENDER, throwsOther), PF_Cmd_RENDER), 515);
    // The lock was given back each time: another thread gets it at once.
    std::thread other([] {
        EXPECT_EQ(win32::WaitForSingleObject(commandLock(), 0), win32::WAIT_OBJECT_0);
        win32::ReleaseMutex(commandLock());
    });
    other.join();
}

TEST(Dispatch, TheCommandLockIsCreatedOnceEvenWhenFirstCallsRace) {
    std::atomic<bool> go{false};
    std::vector<win32::HANDLE> seen(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            while (!go) {
            }
            seen[t] = commandLock();
        });
    }
    go = true;
    for (auto& thread : threads) thread.join();
    for (win32::HANDLE handle : seen) EXPECT_EQ(handle, seen[0]);
    EXPECT_NE(seen[0], nullptr);
}

}  // namespace
