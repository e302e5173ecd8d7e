// Frame set-up and set-down (classic rendering) and smart pre-render: the
// output size is negotiated with the script's preRender.
#include <algorithm>

#include "gl/GLContextGuard.h"
#include "host/AEQuillshade2.h"
#include "host/CommandHandlers.h"
#include "host/FramePreparation.h"
#include "host/HostSuite.h"

namespace {

constexpr A_long kProbeCheckout = 0x123455;
constexpr A_long kRenderCheckout = 0x123456;

bool isEmpty(const PF_LRect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

// Widens `target` to hold `source`; an empty target takes the source whole.
void merge(PF_LRect& target, const PF_LRect& source) {
    if (isEmpty(target)) {
        target = source;
    } else if (!isEmpty(source)) {
        target.left = std::min(target.left, source.left);
        target.top = std::min(target.top, source.top);
        target.right = std::max(target.right, source.right);
        target.bottom = std::max(target.bottom, source.bottom);
    }
}

void frameSetupAfterEffects(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]) {
    const PF_LayerDef* input = params && params[0] ? &params[0]->u.ld : nullptr;
    const std::uint32_t inW = input ? static_cast<std::uint32_t>(input->width) : 0;
    const std::uint32_t inH = input ? static_cast<std::uint32_t>(input->height) : 0;
    const auto [outW, outH] = plugin().preRender(inW, inH);
    std::uint32_t width = scaleByRatio(outW, in_data->downsample_x);
    const std::uint32_t height = scaleByRatio(outH, in_data->downsample_y);
    if (outW != inW || outH != inH)
        width = scaleByRatio(width, in_data->pixel_aspect_ratio);
    if (width != inW || height != inH) {
        out_data->width = static_cast<A_long>(width);
        out_data->height = static_cast<A_long>(height);
        out_data->origin.h = static_cast<A_long>((width >> 1) - (inW >> 1));
        out_data->origin.v = static_cast<A_long>((height >> 1) - (inH >> 1));
    }
    out_data->frame_data = nullptr;
}

void frameSetupPremiere(PF_InData* in_data, PF_OutData* out_data) {
    const auto w = static_cast<std::uint32_t>(in_data->width);
    const auto h = static_cast<std::uint32_t>(in_data->height);
    const auto [outW, outH] = plugin().preRender(w, h);
    std::uint32_t width = scaleByRatio(outW, in_data->downsample_x);
    const std::uint32_t height = scaleByRatio(outH, in_data->downsample_y);
    std::uint32_t inputWidth = scaleByRatio(w, in_data->downsample_x);
    const std::uint32_t inputHeight = scaleByRatio(h, in_data->downsample_y);
    if (outW != w || outH != h) {
        width = scaleByRatio(width, in_data->pixel_aspect_ratio);
        inputWidth = scaleByRatio(inputWidth, in_data->pixel_aspect_ratio);
        if (static_cast<std::uint32_t>(out_data->width) < width ||
            static_cast<std::uint32_t>(out_data->height) < height) {
            out_data->width = static_cast<A_long>(width);
            out_data->height = static_cast<A_long>(height);
            out_data->origin.h = static_cast<A_long>((width >> 1) - (inputWidth >> 1));
            out_data->origin.v = static_cast<A_long>((height >> 1) - (inputHeight >> 1));
        }
    }
    // The frame's size travels to the render in the frame data. When the host
    // has no memory for it, the frame renders at the output buffer's size.
    HostSuite<PF_HandleSuite1> handles(in_data, kPFHandleSuite, kPFHandleSuiteVersion1);
    PF_Handle frame = handles->host_new_handle(8);
    if (frame) {
        if (auto* size = static_cast<std::uint32_t*>(handles->host_lock_handle(frame))) {
            size[0] = width;
            size[1] = height;
            handles->host_unlock_handle(frame);
        }
    }
    out_data->frame_data = frame;
}

}  // namespace

QS_COMMAND_HANDLER(frameSetupCommand) {
    (void)output, (void)extra;
    GLContextGuard guard(setupTakesGLContext(in_data) && plugin().lockGLContext());
    queryComposition(in_data, sequenceDataOf(in_data->sequence_data));
    prepareFrame(in_data, false);
    if (isPremiere(in_data)) {
        frameSetupPremiere(in_data, out_data);
    } else {
        frameSetupAfterEffects(in_data, out_data, params);
    }
    guard.release();
    return PF_Err_NONE;
}

QS_COMMAND_HANDLER(frameSetdownCommand) {
    (void)params, (void)output, (void)extra;
    if (out_data->frame_data) {
        HostSuite<PF_HandleSuite1> handles(in_data, kPFHandleSuite, kPFHandleSuiteVersion1);
        handles->host_dispose_handle(out_data->frame_data);
        out_data->frame_data = nullptr;
    }
    return PF_Err_NONE;
}

QS_COMMAND_HANDLER(smartPreRenderCommand) {
    (void)out_data, (void)params, (void)output;
    auto* preRender = static_cast<PF_PreRenderExtra*>(extra);
    if (!preRender)
        return PF_Err_BAD_CALLBACK_PARAM;
    PF_RenderRequest request = preRender->input->output_request;
    request.rect = PF_LRect{0, 0, 0, 0};
    request.channel_mask = PF_ChannelMask_ARGB;
    request.preserve_rgb_of_zero_alpha = 1;
    PF_CheckoutResult probe{};
    const PF_Err probeError = preRender->cb->checkout_layer(
        in_data->effect_ref, 0, kProbeCheckout, &request, in_data->current_time, in_data->time_step,
        in_data->time_scale, &probe);

    GLContextGuard guard(setupTakesGLContext(in_data) && plugin().lockGLContext());
    queryComposition(in_data, sequenceDataOf(in_data->sequence_data));
    prepareFrame(in_data, false);
    // A failed probe leaves no layer rectangle to build on: the output is not
    // touched and the probe's error is the answer.
    if (probeError != PF_Err_NONE)
        return probeError;

    const PF_LRect layer = probe.max_result_rect;
    const std::uint32_t w = static_cast<std::uint32_t>(layer.right - layer.left);
    const std::uint32_t h = static_cast<std::uint32_t>(layer.bottom - layer.top);
    const auto [outW, outH] = plugin().preRender(w, h);
    PF_PreRenderOutput& result = *preRender->output;
    if (outW == w && outH == h) {
        merge(result.result_rect, layer);
        merge(result.max_result_rect, layer);
        const PF_LRect& asked = preRender->input->output_request.rect;
        const bool withinRequest = layer.left >= asked.left && layer.right < asked.right &&
                                   layer.top >= asked.top && layer.bottom < asked.bottom;
        if (!withinRequest)
            result.flags = PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS;
    } else {
        result.result_rect.left = static_cast<A_long>((w >> 1) - (outW >> 1)) + layer.left;
        result.result_rect.right = result.result_rect.left + static_cast<A_long>(outW);
        result.result_rect.top = static_cast<A_long>((h >> 1) - (outH >> 1)) + layer.top;
        result.result_rect.bottom = result.result_rect.top + static_cast<A_long>(outH);
        merge(result.max_result_rect, result.result_rect);
        result.flags = PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS;
    }
    request.rect = layer;
    PF_CheckoutResult rendered{};
    const PF_Err error = preRender->cb->checkout_layer(
        in_data->effect_ref, 0, kRenderCheckout, &request, in_data->current_time,
        in_data->time_step, in_data->time_scale, &rendered);
    guard.release();
    return error;
}
