// Sequence set-up, re-set-up, flatten and set-down: each application of the
// effect gets its instance in the render context through its sequence data.
#include <cstring>

#include "host/AEQuillshade2.h"
#include "host/CommandHandlers.h"
#include "host/HostSuite.h"
#include "host/ParameterPublication.h"
#include "host/SequenceData.h"

namespace {

constexpr std::uint64_t kSequenceDataSize = sizeof(SequenceData);

using HandleSuite = HostSuite<PF_HandleSuite1>;

HandleSuite handleSuite(const PF_InData* in_data) {
    requireBasicSuite(in_data);
    return HandleSuite(in_data, kPFHandleSuite, kPFHandleSuiteVersion1);
}

// A new zero-filled block, locked; null when the host gives no memory.
SequenceData* newBlock(const HandleSuite& handles, PF_Handle& handle) {
    handle = handles->host_new_handle(kSequenceDataSize);
    if (!handle)
        return nullptr;
    auto* block = static_cast<SequenceData*>(handles->host_lock_handle(handle));
    if (block)
        std::memset(static_cast<void*>(block), 0, kSequenceDataSize);
    return block;
}

PF_Err setDown(PF_InData* in_data) {
    if (!in_data->sequence_data)
        return PF_Err_NONE;
    HandleSuite handles = handleSuite(in_data);
    if (SequenceData* block = sequenceDataOf(in_data->sequence_data)) {
        if (block->record)
            plugin().destroyInstance(block->record);
    }
    handles->host_dispose_handle(in_data->sequence_data);
    in_data->sequence_data = nullptr;
    return PF_Err_NONE;
}

}  // namespace

SequenceData* makeSequenceCurrent(const PF_InData* in_data) {
    SequenceData* block = sequenceDataOf(in_data->sequence_data);
    if (block)
        plugin().setCurrentInstance(block->record);
    return block;
}

QS_COMMAND_HANDLER(sequenceSetupCommand) {
    (void)params, (void)output, (void)extra;
    HandleSuite handles = handleSuite(in_data);
    // A set-up over existing data replaces that instance rather than add one.
    if (const PF_Err error = setDown(in_data))
        return error;
    PF_Handle handle = nullptr;
    SequenceData* block = newBlock(handles, handle);
    if (!handle)
        return PF_Err_OUT_OF_MEMORY;
    if (block) {
        block->record = plugin().createInstance();
        block->recordOutput = 0;
    }
    out_data->sequence_data = handle;
    handles->host_unlock_handle(handle);
    return PF_Err_NONE;
}

QS_COMMAND_HANDLER(sequenceResetupCommand) {
    (void)params, (void)output, (void)extra;
    if (!in_data->sequence_data)
        return PF_Err_NONE;
    HandleSuite handles = handleSuite(in_data);
    PF_Handle handle = nullptr;
    SequenceData* block = newBlock(handles, handle);
    if (!handle)
        return PF_Err_NONE;
    const bool premiere = isPremiere(in_data);
    if (block) {
        block->resetUp = 1;
        block->recordOutput = premiere ? 0 : 1;
        // The flattened block handed in carries nothing of the old instance:
        // a loaded project starts afresh from the script's declarations.
        block->record = plugin().createInstance();
        if (*in_data->sequence_data)
            plugin().setCurrentInstance(block->record);
    }
    handles->host_unlock_handle(handle);
    out_data->sequence_data = handle;
    if (!premiere && (in_data->version.major < 13 || in_data->version.minor < 9)) {
        out_data->out_flags |= PF_OutFlag_FORCE_RERENDER;
    }
    applyParamUI(in_data, out_data, nullptr);
    return PF_Err_NONE;
}

QS_COMMAND_HANDLER(sequenceFlattenCommand) {
    (void)params, (void)output, (void)extra;
    if (!in_data->sequence_data)
        return PF_Err_NONE;
    HandleSuite handles = handleSuite(in_data);
    PF_Handle handle = nullptr;
    newBlock(handles, handle);
    if (!handle)
        return PF_Err_NONE;
    // The block handed in and its instance stay, but a save must not strand
    // a frame's worth of pixel memory each time: the instance's frame storage
    // goes, to be made again if it ever renders.
    if (const SequenceData* block = makeSequenceCurrent(in_data)) {
        if (block->record)
            plugin().releaseFrameStorage(block->record);
    }
    handles->host_unlock_handle(handle);
    out_data->sequence_data = handle;
    return PF_Err_NONE;
}

QS_COMMAND_HANDLER(sequenceSetdownCommand) {
    (void)out_data, (void)params, (void)output, (void)extra;
    return setDown(in_data);
}
