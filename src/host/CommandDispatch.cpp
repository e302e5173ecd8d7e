#include "host/CommandDispatch.h"

#include "host/CommandLock.h"
#include "host/EventRule.h"

namespace {

// Releases the command lock when the call leaves, whatever the path.
class CommandLockHold {
public:
    explicit CommandLockHold(win32::HANDLE lock) : lock_(lock) {
        using namespace win32;
        win32::WaitForSingleObject(lock_, INFINITE);
    }
    ~CommandLockHold() { win32::ReleaseMutex(lock_); }
    CommandLockHold(const CommandLockHold&) = delete;
    CommandLockHold& operator=(const CommandLockHold&) = delete;

private:
    win32::HANDLE lock_;
};

}  // namespace

PF_Err dispatchCommand(const CommandTable& table, PF_Cmd cmd, PF_InData* in_data,
                       PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                       void* extra) {
    CommandLockHold hold(commandLock());
    const std::uint32_t selector = static_cast<std::uint32_t>(cmd);
    if (selector >= table.size())
        return PF_Err_NONE;
    if (selector == PF_Cmd_EVENT)
        return handleEvent(static_cast<PF_EventExtra*>(extra));
    const CommandHandler handler = table[selector];
    if (!handler)
        return PF_Err_NONE;
    try {
        return handler(in_data, out_data, params, output, extra);
    } catch (int& code) {
        return code;
    } catch (...) {
        return PF_Err_INVALID_CALLBACK;
    }
}
