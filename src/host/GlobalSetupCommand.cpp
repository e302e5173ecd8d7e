// Global set-up: the plug-in object comes up and tells the host the effect's
// version, option flags and global data.
#include "host/AEQuillshade2.h"
#include "host/CommandHandlers.h"
#include "host/HostSuite.h"
#include "host/VersionPacking.h"

namespace {

// Formats the host may hand an effect in Premiere Pro, by depth.
constexpr PrPixelFormat kFormats8[] = {0x62677261, 0x62677278};
constexpr PrPixelFormat kFormats16[] = {0x62677258, 0x62677241};
constexpr PrPixelFormat kFormats32[] = {0x62675241, 0x62675258};

// The 8-byte global data: a first byte of 1 and, in After Effects, the AEGP
// plug-in id at bytes 4 to 7.
PF_Err makeGlobalData(PF_InData* in_data, PF_OutData* out_data) {
    HostSuite<PF_HandleSuite1> handles(in_data, kPFHandleSuite, kPFHandleSuiteVersion1);
    PF_Handle handle = handles->host_new_handle(8);
    if (!handle)
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    PF_Err result = PF_Err_NONE;
    if (auto* block = static_cast<std::uint8_t*>(handles->host_lock_handle(handle))) {
        block[0] = 1;
        if (isPremiere(in_data)) {
            out_data->global_data = handle;
        } else {
            HostSuite<AEGP_UtilitySuite3> utility(in_data, kAEGPUtilitySuite,
                                                  kAEGPUtilitySuiteVersion3);
            const std::string name = plugin().getConfigString(2);
            result = utility->AEGP_RegisterWithAEGP(nullptr, name.c_str(),
                                                    reinterpret_cast<AEGP_PluginID*>(block + 4));
            if (result == PF_Err_NONE)
                out_data->global_data = handle;
        }
        handles->host_unlock_handle(handle);
    }
    return result;
}

// Premiere Pro learns the pixel formats from the suite rather than from the
// deep and float colour flags, which it would misread; those bits go.
void declarePremierePixelFormats(PF_InData* in_data, PF_OutData* out_data) {
    HostSuite<PF_PixelFormatSuite1> formats(in_data, kPFPixelFormatSuite,
                                            kPFPixelFormatSuiteVersion1, SuiteNeed::Optional);
    if (!formats)
        return;
    formats->ClearSupportedPixelFormats(in_data->effect_ref);
    for (PrPixelFormat format : kFormats8)
        formats->AddSupportedPixelFormat(in_data->effect_ref, format);
    if (out_data->out_flags & PF_OutFlag_DEEP_COLOR_AWARE) {
        for (PrPixelFormat format : kFormats16) {
            formats->AddSupportedPixelFormat(in_data->effect_ref, format);
        }
        out_data->out_flags &= ~PF_OutFlag_DEEP_COLOR_AWARE;
    }
    if (out_data->out_flags2 & PF_OutFlag2_FLOAT_COLOR_AWARE) {
        for (PrPixelFormat format : kFormats32) {
            formats->AddSupportedPixelFormat(in_data->effect_ref, format);
        }
        out_data->out_flags2 &= ~PF_OutFlag2_FLOAT_COLOR_AWARE;
    }
}

}  // namespace

QS_COMMAND_HANDLER(globalSetupCommand) {
    (void)params, (void)output, (void)extra;
    win32::HMODULE module = nullptr;
    in_data->utils->get_platform_data(in_data->effect_ref, PF_PlatData_INSTANCE_PTR, &module);
    AEQuillshade2& object = plugin();
    if (!object.initialize(module))
        return PF_Err_INTERNAL_STRUCT_DAMAGED;

    out_data->my_version = packHostVersion(object.getVersion());
    out_data->out_flags = object.getFlags() | static_cast<PF_OutFlags>(kAlwaysOutFlags);
    out_data->out_flags2 = object.getFlags2();
    if (isPremiere(in_data)) {
        out_data->out_flags2 |= PF_OutFlag2_PPRO_DO_NOT_CLONE_SEQUENCE_DATA_FOR_RENDER;
    }
    const PF_Err result = makeGlobalData(in_data, out_data);
    if (isPremiere(in_data))
        declarePremierePixelFormats(in_data, out_data);
    return result;
}
