#pragma once
// One frame of one instance, rendered as the applications do it, and the
// frame's images that the host's callbacks hand out meanwhile.
//
// Smart: PF_Cmd_SMART_PRE_RENDER, whose checkout_layer reports each layer's
// rectangle and remembers the checkout by its id; then, unless the result
// rectangle is empty, PF_Cmd_SMART_RENDER, whose checkout_layer_pixels gives
// the image of a remembered checkout and checkout_output an output image of
// the result rectangle's size.
// Classic: PF_Cmd_FRAME_SETUP, where the effect may set the output's size and
// origin; PF_Cmd_RENDER with params[0] the input layer and an output of that
// size; PF_Cmd_FRAME_SETDOWN with the frame data that set-up left.

#include <map>
#include <memory>

#include "HostInstance.h"
#include "SimulatedHost.h"

class RenderDriver {
public:
    RenderDriver(SimulatedHost& host, HostInstance& instance, const HostWorld& input,
                 FrameTime time, const RenderOptions& options);
    RenderDriver(const RenderDriver&) = delete;
    RenderDriver& operator=(const RenderDriver&) = delete;

    FrameResult run();

    HostInstance& instance() const { return instance_; }
    // The input layer as the effect sees it: downsampled.
    const HostWorld& input() const { return input_; }
    // A layer parameter's image as the effect sees it, or null for none.
    const HostWorld* layerImage(PF_ParamIndex index);
    const StreamScale& scale() const { return scale_; }
    // The depth of an image handed out in this frame, by its pixels; 0 if none.
    int depthOf(const void* data) const;

    // The frame's callbacks.
    PF_Err checkoutLayer(PF_ParamIndex index, A_long id, PF_CheckoutResult* result);
    PF_Err checkoutLayerPixels(A_long id, PF_EffectWorld** world);
    PF_Err checkinLayerPixels(A_long id);
    PF_Err checkoutOutput(PF_EffectWorld** world);

private:
    FrameResult smart();
    FrameResult classic();
    // The image a layer parameter (or, for 0, the input) gives at this frame.
    const HostWorld* imageOf(PF_ParamIndex index);
    PF_InData inData(A_long width, A_long height);
    // Records a command's result; true when it succeeded.
    bool record(FrameResult& frame, PF_Cmd cmd, const CommandResult& result);

    SimulatedHost& host_;
    HostInstance& instance_;
    HostWorld input_;
    FrameTime time_;
    RenderOptions options_;
    StreamScale scale_;
    std::map<PF_ParamIndex, std::unique_ptr<HostWorld>> layers_;
    // Smart rendering: layer index by checkout id, and the output image.
    std::map<A_long, PF_ParamIndex> checkouts_;
    PF_LRect resultRect_{};
    HostWorld output_;
};
