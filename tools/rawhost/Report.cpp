#include "Report.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace {

// The step as plain characters, for the crash handler, which may not allocate.
char crashStep[256] = "start";

void writeError(const char* text) {
#ifdef _WIN32
    std::fputs(text, stderr);
#else
    ssize_t ignored = ::write(2, text, std::strlen(text));
    (void)ignored;
#endif
}

#ifdef _WIN32
LONG WINAPI onCrash(EXCEPTION_POINTERS* info) {
    char text[512];
    std::snprintf(text, sizeof text, "CRASH [%s] exception 0x%lx at %p\n", crashStep,
                  static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                  info->ExceptionRecord->ExceptionAddress);
    writeError(text);
    std::fflush(stdout);
    ExitProcess(2);
    return EXCEPTION_EXECUTE_HANDLER;
}
#else
void onCrash(int signal) {
    writeError("CRASH [");
    writeError(crashStep);
    writeError(signal == SIGSEGV ? "] segmentation fault (a pointer the host never gave?)\n"
                                 : "] fatal signal\n");
    _exit(2);
}
#endif

}  // namespace

Report& Report::get() {
    static Report report;
    return report;
}

void Report::step(const std::string& name) {
    step_ = name;
    std::snprintf(crashStep, sizeof crashStep, "%s", name.c_str());
    std::printf("---- %s\n", name.c_str());
    std::fflush(stdout);
}

void Report::fail(const std::string& message) {
    ++failures_;
    std::printf("FAIL [%s] %s\n", step_.c_str(), message.c_str());
    std::fflush(stdout);
}

bool Report::check(bool ok, const std::string& message) {
    if (!ok)
        fail(message);
    return ok;
}

void Report::note(const std::string& message) {
    std::printf("     %s\n", message.c_str());
    std::fflush(stdout);
}

void Report::installCrashHandler() {
#ifdef _WIN32
    SetUnhandledExceptionFilter(onCrash);
#else
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) std::signal(signal, onCrash);
#endif
}

std::string hex(unsigned long long value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", value);
    return text;
}
