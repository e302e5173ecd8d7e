// Rendering a frame, for smart and classic rendering alike: the input layer
// goes up to the GPU, the script draws, and the output render target comes
// back upright into the host's buffer.
#include <algorithm>

#include "entities/PixelBudget.h"
#include "gl/GLContextGuard.h"
#include "host/AEQuillshade2.h"
#include "host/CommandHandlers.h"
#include "host/FramePreparation.h"
#include "host/FrameStatistics.h"
#include "host/HostPixels.h"
#include "host/HostSuite.h"
#include "host/ParameterValues.h"
#include "surfaces/ImageLib/PixelConversion.h"
#include "surfaces/ImageLib/StreamingCopy.h"

namespace {

constexpr std::uint32_t kInputTarget = 0xFFFFFFFFu;
// The format a host reports when its answer never came.
constexpr std::uint32_t kUnknownFormat = 0x66646162;

std::uint32_t worldDepth(PF_InData* in_data, PF_OutData* out_data, PF_EffectWorld& world) {
    std::uint32_t format = kUnknownFormat;
    if (isPremiere(in_data)) {
        HostSuite<PF_PixelFormatSuite1> formats(in_data, kPFPixelFormatSuite,
                                                kPFPixelFormatSuiteVersion1, SuiteNeed::Optional);
        if (formats) {
            PrPixelFormat answer = format;
            formats->GetPixelFormat(&world, &answer);
            format = answer;
        }
    } else {
        HostSuite<PF_WorldSuite2> worlds(in_data, kPFWorldSuite, kPFWorldSuiteVersion2,
                                         SuiteNeed::Optional);
        if (worlds) {
            PF_PixelFormat answer = static_cast<PF_PixelFormat>(format);
            worlds->PF_GetPixelFormat(&world, &answer);
            format = static_cast<std::uint32_t>(answer);
        } else {
            out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
            in_data->utils->ansi.sprintf(out_data->return_msg, "Couldn't load suite.");
        }
    }
    return depthOfPixelFormat(format);
}

void uploadInput(PF_InData* in_data, PF_EffectWorld& input, std::uint32_t depth) {
    const FrameStatistics::Timer timer(FramePhase::Upload);
    AEQuillshade2& object = plugin();
    if (!isPremiere(in_data)) {
        // After Effects' own memory is uploaded in place, with its row stride.
        const HostPixels pixels = hostPixelsThroughSuite(in_data, input);
        object.uploadImage(kInputTarget, pixels.data, static_cast<std::uint32_t>(input.width),
                           static_cast<std::uint32_t>(input.height), depth,
                           static_cast<std::uint64_t>(input.rowbytes));
        return;
    }
    // Premiere Pro's layer holds the frame at an offset: that block is
    // uploaded in place with the layer's row stride, keeping inside the
    // layer's memory.
    const std::uint64_t pixelBytes = 4ull * depth / 8;
    const std::uint32_t width =
        scaleByRatio(static_cast<std::uint32_t>(in_data->width), in_data->downsample_x);
    const std::uint32_t height =
        scaleByRatio(static_cast<std::uint32_t>(in_data->height), in_data->downsample_y);
    const std::uint64_t row = width * pixelBytes;
    const std::uint64_t x0 = static_cast<std::uint32_t>(in_data->pre_effect_source_origin_x);
    const std::uint64_t y0 = static_cast<std::uint32_t>(in_data->pre_effect_source_origin_y);
    const std::uint64_t sourceRow = static_cast<std::uint64_t>(input.rowbytes);
    if (!input.data || row == 0 || x0 * pixelBytes + row > sourceRow ||
        y0 + height > static_cast<std::uint64_t>(input.height)) {
        return;
    }
    const auto* source =
        static_cast<const std::uint8_t*>(input.data) + y0 * sourceRow + x0 * pixelBytes;
    object.uploadImage(kInputTarget, source, width, height, depth, sourceRow);
}

// Writes read-back rows (counted from the bottom, packed) upright into the
// output, starting `left` pixels and `top` rows in. Only what fits in the
// output is written; without output pixels nothing is.
struct RowWriter {
    std::uint32_t w, h, bits;
    const PF_EffectWorld& output;
    void* outputPixels;
    std::uint32_t left, top;

    void operator()(const std::uint8_t* pixels, std::uint32_t first, std::uint32_t count) const {
        const FrameStatistics::Timer timer(FramePhase::WriteBack);
        const std::uint64_t pixelBytes = 4ull * bits / 8;
        // 16-bit rows arrive as floats.
        const std::uint64_t sourceRow = w * (bits == 16 ? 16 : pixelBytes);
        const auto outWidth = static_cast<std::uint32_t>(std::max<A_long>(output.width, 0));
        const auto outHeight = static_cast<std::uint32_t>(std::max<A_long>(output.height, 0));
        if (left >= outWidth || top >= outHeight || !outputPixels)
            return;
        const std::uint64_t bytes = std::min<std::uint64_t>(w, outWidth - left) * pixelBytes;
        auto* base = static_cast<std::uint8_t*>(outputPixels) + left * pixelBytes;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t r = first + i;
            const std::uint64_t outRow = top + h - 1 - r;
            if (r >= h || outRow >= outHeight)
                continue;
            const std::uint8_t* source = pixels + i * sourceRow;
            std::uint8_t* destination = base + outRow * static_cast<std::uint64_t>(output.rowbytes);
            if (bits == 16) {
                // The rows' floats, aligned as the band buffer is.
                ImageLib::gpuFloatToHost16Streaming(reinterpret_cast<const float*>(source),
                                                    reinterpret_cast<std::uint16_t*>(destination),
                                                    bytes / 2);
            } else {
                ImageLib::streamingCopy(destination, source, bytes);
            }
        }
    }
};

PF_Err renderFrame(PF_InData* in_data, PF_OutData* out_data, PF_EffectWorld* input,
                   PF_EffectWorld* output) {
    requireBasicSuite(in_data);
    if (!input || !output)
        return PF_Err_NONE;
    const std::uint32_t depth = worldDepth(in_data, out_data, *input);
    if (!in_data->sequence_data) {
        return in_data->utils->copy(in_data->effect_ref, input, output, nullptr, nullptr);
    }
    AEQuillshade2& object = plugin();
    SequenceData* block = sequenceDataOf(in_data->sequence_data);
    object.setCurrentInstance(block ? block->record : nullptr);
    if (block)
        object.setContextExtent(block->compWidth, block->compHeight, block->compPixelAspect);
    object.setInputOrigin(output->origin_x, output->origin_y);

    const bool premiere = isPremiere(in_data);
    auto w = static_cast<std::uint32_t>(output->width);
    auto h = static_cast<std::uint32_t>(output->height);
    PF_Err pending = PF_Err_NONE;
    if (premiere) {
        // Without frame data the frame renders at the output buffer's size.
        if (in_data->frame_data && *in_data->frame_data) {
            const auto* size = reinterpret_cast<const std::uint32_t*>(*in_data->frame_data);
            w = size[0];
            h = size[1];
        }
        if (w < static_cast<std::uint32_t>(output->width) ||
            h < static_cast<std::uint32_t>(output->height)) {
            const PF_Pixel transparent{0, 0, 0, 0};
            pending = in_data->utils->fill(in_data->effect_ref, &transparent, nullptr, output);
        }
    }
    if (block && block->recordOutput) {
        block->lastWidth = w;
        block->lastHeight = h;
        block->lastDepth = depth;
    }
    readParameterValues(in_data, true);

    GLContextGuard guard(object.lockGLContext());
    if (!guard.isLocked())
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    // A frame the GL context cannot hold is not rendered: the host gets a
    // transparent frame and the reason, never its input back unchanged.
    const std::uint32_t side = PixelBudget::maxTextureSize();
    const std::uint32_t widest = std::max(w, static_cast<std::uint32_t>(input->width));
    const std::uint32_t tallest = std::max(h, static_cast<std::uint32_t>(input->height));
    if (side != 0 && (widest > side || tallest > side)) {
        const PF_Pixel transparent{0, 0, 0, 0};
        in_data->utils->fill(in_data->effect_ref, &transparent, nullptr, output);
        out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
        in_data->utils->ansi.sprintf(
            out_data->return_msg, "The frame is %ux%u pixels; this GPU renders at most %u a side.",
            widest, tallest, side);
        return PF_Err_OUT_OF_MEMORY;
    }
    uploadInput(in_data, *input, depth);
    object.draw(static_cast<double>(in_data->current_time) / in_data->time_scale, w, h, depth);
    FrameStatistics::instance().countFrame();

    PF_Err result = pending;
    // Rows of another size or depth than the frame's would be read past
    // their end: such a target counts as nothing drawn.
    bool drawn = false;
    if (object.outputTargetIs(w, h, depth)) {
        RowWriter writer{w, h, depth, *output, output->data, 0, 0};
        if (premiere) {
            writer.left = static_cast<std::uint32_t>(output->width - static_cast<A_long>(w)) >> 1;
            writer.top = static_cast<std::uint32_t>(output->height - static_cast<A_long>(h)) >> 1;
        } else {
            // The output's depth comes from the host's getters; when it is not
            // the frame's, the rows cannot be copied and the frame stays as
            // the host gave it rather than be written with the wrong layout.
            const HostPixels target = hostPixelsThroughSuite(in_data, *output);
            writer.outputPixels = target.depth == depth ? target.data : nullptr;
        }
        drawn = object.readOutput(writer);
    }
    if (!drawn && pending == PF_Err_NONE)
        result = in_data->utils->copy(in_data->effect_ref, input, output, nullptr, nullptr);
    guard.release();
    return result;
}

}  // namespace

QS_COMMAND_HANDLER(smartRenderCommand) {
    (void)params, (void)output;
    auto* smart = static_cast<PF_SmartRenderExtra*>(extra);
    if (!smart)
        return PF_Err_BAD_CALLBACK_PARAM;
    PF_EffectWorld* input = nullptr;
    PF_EffectWorld* target = nullptr;
    if (const PF_Err error =
            smart->cb->checkout_layer_pixels(in_data->effect_ref, 0x123456, &input)) {
        return error;
    }
    if (const PF_Err error = smart->cb->checkout_output(in_data->effect_ref, &target))
        return error;
    return renderFrame(in_data, out_data, input, target);
}

QS_COMMAND_HANDLER(renderCommand) {
    (void)extra;
    return renderFrame(in_data, out_data, params && params[0] ? &params[0]->u.ld : nullptr, output);
}
