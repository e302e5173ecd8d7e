#include "RenderDriver.h"

#include "HostCallbacks.h"

namespace {

// The largest side of an image the applications render.
constexpr A_long kMaxSide = 30000;

bool renderable(A_long width, A_long height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

bool unscaled(PF_RationalScale r) {
    return r.num == static_cast<A_long>(r.den);
}

}  // namespace

RenderDriver::RenderDriver(SimulatedHost& host, HostInstance& instance, const HostWorld& input,
                           FrameTime time, const RenderOptions& options)
    : host_(host),
      instance_(instance),
      input_(unscaled(options.downsampleX) && unscaled(options.downsampleY)
                 ? input
                 : input.downsampled(options.downsampleX, options.downsampleY)),
      time_(time),
      options_(options),
      scale_{input.width(), input.height(), options.downsampleX, options.downsampleY} {
    input_.world().pix_aspect_ratio = options.pixelAspect;
    instance_.layerWidth = input.width();
    instance_.layerHeight = input.height();
}

FrameResult RenderDriver::run() {
    // Premiere Pro knows no smart rendering.
    const bool premiere = host_.application() == HostApplication::Premiere;
    return options_.mode == RenderMode::Smart && !premiere ? smart() : classic();
}

const HostWorld* RenderDriver::layerImage(PF_ParamIndex index) {
    const auto at = static_cast<std::size_t>(index);
    if (index <= 0 || at >= instance_.streams.size())
        return nullptr;
    const auto& image = instance_.streams[at].layer();
    if (!image)
        return nullptr;
    auto& cached = layers_[index];
    if (!cached) {
        cached = std::make_unique<HostWorld>(
            image->downsampled(options_.downsampleX, options_.downsampleY));
        cached->world().pix_aspect_ratio = options_.pixelAspect;
    }
    return cached.get();
}

const HostWorld* RenderDriver::imageOf(PF_ParamIndex index) {
    return index == 0 ? &input_ : layerImage(index);
}

int RenderDriver::depthOf(const void* data) const {
    if (data == input_.world().data)
        return input_.depth();
    if (data == output_.world().data)
        return output_.depth();
    for (const auto& layer : layers_)
        if (layer.second && data == layer.second->world().data)
            return layer.second->depth();
    return 0;
}

PF_InData RenderDriver::inData(A_long width, A_long height) {
    PF_InData in = host_.makeInData(instance_.id, time_);
    in.width = width;
    in.height = height;
    in.extent_hint = {0, 0, width, height};
    in.downsample_x = options_.downsampleX;
    in.downsample_y = options_.downsampleY;
    in.pixel_aspect_ratio = options_.pixelAspect;
    return in;
}

bool RenderDriver::record(FrameResult& frame, PF_Cmd cmd, const CommandResult& result) {
    if (frame.error == PF_Err_NONE) {
        frame.command = cmd;
        frame.error = result.error;
    }
    frame.outFlags |= result.out.out_flags;
    if (result.out.return_msg[0])
        frame.message = result.out.return_msg;
    return result.error == PF_Err_NONE;
}

PF_Err RenderDriver::checkoutLayer(PF_ParamIndex index, A_long id, PF_CheckoutResult* result) {
    if (!result || index < 0 || index >= host_.published_.count())
        return PF_Err_BAD_CALLBACK_PARAM;
    if (index != 0 && host_.published_.at(index).param_type != PF_Param_LAYER)
        return PF_Err_BAD_CALLBACK_PARAM;
    const HostWorld* image = imageOf(index);
    const PF_LRect rect = image ? PF_LRect{0, 0, image->width(), image->height()} : PF_LRect{};
    *result = PF_CheckoutResult{};
    result->result_rect = rect;
    result->max_result_rect = rect;
    result->par = options_.pixelAspect;
    result->ref_width = rect.right;
    result->ref_height = rect.bottom;
    checkouts_[id] = index;
    return PF_Err_NONE;
}

PF_Err RenderDriver::checkoutLayerPixels(A_long id, PF_EffectWorld** world) {
    if (!world)
        return PF_Err_BAD_CALLBACK_PARAM;
    *world = nullptr;
    auto found = checkouts_.find(id);
    if (found == checkouts_.end())
        return PF_Err_BAD_CALLBACK_PARAM;  // not checked out at pre-render
    // A layer parameter set to no layer gives no image, without an error.
    if (const HostWorld* image = imageOf(found->second))
        *world = const_cast<PF_EffectWorld*>(&image->world());
    return PF_Err_NONE;
}

PF_Err RenderDriver::checkinLayerPixels(A_long id) {
    return checkouts_.count(id) ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err RenderDriver::checkoutOutput(PF_EffectWorld** world) {
    if (!world)
        return PF_Err_BAD_CALLBACK_PARAM;
    *world = &output_.world();
    return PF_Err_NONE;
}

FrameResult RenderDriver::smart() {
    FrameResult frame;
    const A_long depth = input_.depth();
    PF_RenderRequest request{};
    request.rect = options_.request.value_or(PF_LRect{0, 0, input_.width(), input_.height()});
    request.channel_mask = PF_ChannelMask_ARGB;

    PF_PreRenderInput preInput{};
    preInput.output_request = request;
    preInput.bitdepth = static_cast<A_short>(depth);
    PF_PreRenderOutput preOutput{};
    PF_PreRenderCallbacks preCallbacks{};
    preCallbacks.checkout_layer = SimulatedHost::Callbacks::checkoutLayer;
    PF_PreRenderExtra preExtra{&preInput, &preOutput, &preCallbacks};
    PF_InData in = inData(input_.width(), input_.height());
    PF_OutData out = SimulatedHost::outFor(in);
    if (!record(frame, PF_Cmd_SMART_PRE_RENDER,
                host_.sendFor(instance_, PF_Cmd_SMART_PRE_RENDER, in, out, nullptr, nullptr,
                              &preExtra)))
        return frame;

    resultRect_ = preOutput.result_rect;
    frame.resultRect = resultRect_;
    const A_long width = resultRect_.right - resultRect_.left;
    const A_long height = resultRect_.bottom - resultRect_.top;
    if (width <= 0 || height <= 0)
        return frame;  // nothing to render: the host does not ask for pixels
    if (!renderable(width, height)) {
        frame.error = PF_Err_OUT_OF_MEMORY;
        return frame;
    }
    // The output covers the result rectangle; its origin is where the input
    // layer's top-left pixel lies in it.
    output_ = HostWorld(width, height, depth);
    output_.world().origin_x = -resultRect_.left;
    output_.world().origin_y = -resultRect_.top;
    output_.world().pix_aspect_ratio = options_.pixelAspect;
    frame.origin = {-resultRect_.left, -resultRect_.top};

    PF_SmartRenderInput renderInput{};
    renderInput.output_request = request;
    renderInput.bitdepth = static_cast<A_short>(depth);
    renderInput.pre_render_data = preOutput.pre_render_data;
    PF_SmartRenderCallbacks renderCallbacks{SimulatedHost::Callbacks::checkoutLayerPixels,
                                            SimulatedHost::Callbacks::checkinLayerPixels,
                                            SimulatedHost::Callbacks::checkoutOutput};
    PF_SmartRenderExtra renderExtra{&renderInput, &renderCallbacks};
    in = inData(input_.width(), input_.height());
    out = SimulatedHost::outFor(in);
    record(frame, PF_Cmd_SMART_RENDER,
           host_.sendFor(instance_, PF_Cmd_SMART_RENDER, in, out, nullptr, nullptr, &renderExtra));
    frame.output = std::move(output_);
    return frame;
}

FrameResult RenderDriver::classic() {
    FrameResult frame;
    // After Effects passes the size of the layer as rendered, Premiere Pro the
    // sequence's full size, which the effect scales itself.
    const bool premiere = host_.application() == HostApplication::Premiere;
    const A_long layerWidth = premiere ? scale_.layerWidth : input_.width();
    const A_long layerHeight = premiere ? scale_.layerHeight : input_.height();
    const double seconds = time_.seconds();

    auto params = host_.paramArray(instance_, seconds);
    PF_InData in = inData(layerWidth, layerHeight);
    PF_OutData out = SimulatedHost::outFor(in);
    // The output is the input's size unless the effect says otherwise.
    out.width = input_.width();
    out.height = input_.height();
    const CommandResult setup =
        host_.sendFor(instance_, PF_Cmd_FRAME_SETUP, in, out, params.data());
    if (!record(frame, PF_Cmd_FRAME_SETUP, setup))
        return frame;
    const PF_Handle frameData = setup.out.frame_data;
    frame.origin = setup.out.origin;

    if (renderable(setup.out.width, setup.out.height)) {
        output_ = HostWorld(setup.out.width, setup.out.height, input_.depth());
        output_.world().origin_x = setup.out.origin.h;
        output_.world().origin_y = setup.out.origin.v;
        output_.world().pix_aspect_ratio = options_.pixelAspect;
        params = host_.paramArray(instance_, seconds);
        in = inData(layerWidth, layerHeight);
        in.frame_data = frameData;
        out = SimulatedHost::outFor(in);
        record(frame, PF_Cmd_RENDER,
               host_.sendFor(instance_, PF_Cmd_RENDER, in, out, params.data(), &output_.world()));
    } else if (setup.out.width != 0 || setup.out.height != 0) {
        frame.error = PF_Err_OUT_OF_MEMORY;
        frame.command = PF_Cmd_FRAME_SETUP;
    }

    // Set-down follows every successful set-up, whatever rendering gave.
    in = inData(layerWidth, layerHeight);
    in.frame_data = frameData;
    out = SimulatedHost::outFor(in);
    record(frame, PF_Cmd_FRAME_SETDOWN, host_.sendFor(instance_, PF_Cmd_FRAME_SETDOWN, in, out));
    frame.output = std::move(output_);
    return frame;
}
