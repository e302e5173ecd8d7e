#pragma once
// The raw host's findings: every failure is printed at once with the step
// that was running (a later crash must not swallow it) and counted. A crash
// inside the module is reported with its step too.

#include <string>

class Report {
public:
    static Report& get();

    // Names what runs from now on, e.g. "AE PF_Cmd_SMART_RENDER 16-bit".
    void step(const std::string& name);
    void fail(const std::string& message);
    // Fails with `message` unless `ok`; returns `ok`.
    bool check(bool ok, const std::string& message);
    void note(const std::string& message);
    int failures() const { return failures_; }

    // Reports a crash (a signal, or an exception the module did not handle)
    // with the running step, then ends the process with status 2.
    static void installCrashHandler();

private:
    Report() = default;

    std::string step_ = "start";
    int failures_ = 0;
};

// Hexadecimal text of a number, e.g. "0x4008005".
std::string hex(unsigned long long value);
