// The frames of CommandSequence: smart pre-render and render, classic frame
// set-up, render and set-down (After Effects or Premiere Pro), with the
// output compared byte for byte with the simulated host's frame.
#include "CommandSequence.h"
#include "Report.h"

namespace {

namespace C = raw::constants;
namespace O = raw::PF_OutData;
namespace R = raw::PF_LRect;

std::string rectText(const ByteBlock& block, std::size_t at) {
    return "(" + std::to_string(block.get<std::int32_t>(at + R::left)) + "," +
           std::to_string(block.get<std::int32_t>(at + R::top)) + "," +
           std::to_string(block.get<std::int32_t>(at + R::right)) + "," +
           std::to_string(block.get<std::int32_t>(at + R::bottom)) + ")";
}

void putRect(ByteBlock& block, std::size_t at, int left, int top, int right, int bottom) {
    block.put<std::int32_t>(at + R::left, left);
    block.put<std::int32_t>(at + R::top, top);
    block.put<std::int32_t>(at + R::right, right);
    block.put<std::int32_t>(at + R::bottom, bottom);
}

std::string depthName(int depth) {
    return std::to_string(depth) + (depth == 32 ? "-bit float" : "-bit");
}

}  // namespace

void CommandSequence::smartFrame(void* sequence, const FrameCase& frame) {
    Report& r = Report::get();
    const ReferenceFrame& ref = frame.reference;
    const std::string at = " " + depthName(frame.depth);
    World input("input layer", width_, height_, frame.depth);
    input.setPacked(inputs_.at(frame.depth));
    World output("output", ref.width, ref.height, frame.depth);
    host_.beginFrame(width_, height_, HostTime{}, &input, &output);

    // Pre-render: the host asks for the whole layer and gives an empty result.
    namespace PI = raw::PF_PreRenderInput;
    namespace PO = raw::PF_PreRenderOutput;
    namespace PX = raw::PF_PreRenderExtra;
    namespace Q = raw::PF_RenderRequest;
    ByteBlock preInput("PF_PreRenderInput", PI::size);
    putRect(preInput, PI::output_request + Q::rect, 0, 0, width_, height_);
    preInput.put<std::int32_t>(PI::output_request + Q::channel_mask,
                               static_cast<std::int32_t>(C::PF_ChannelMask_ARGB));
    preInput.put<std::uint8_t>(PI::output_request + Q::preserve_rgb_of_zero_alpha, 0);
    preInput.put<std::int16_t>(PI::bitdepth, static_cast<std::int16_t>(frame.depth));
    host_.requestGiven().assign(preInput.data() + PI::output_request,
                                preInput.data() + PI::output_request + Q::size);
    ByteBlock preOutput("PF_PreRenderOutput", PO::size);
    putRect(preOutput, PO::result_rect, 0, 0, 0, 0);
    putRect(preOutput, PO::max_result_rect, 0, 0, 0, 0);
    preOutput.put<std::uint8_t>(PO::solid, 0);
    preOutput.put<std::uint8_t>(PO::reserved, 0);
    preOutput.put<std::int16_t>(PO::flags, 0);
    preOutput.putPointer(PO::pre_render_data, nullptr);
    preOutput.putPointer(PO::delete_pre_render_data_func, nullptr);
    ByteBlock preExtra("PF_PreRenderExtra", PX::size);
    preExtra.putPointer(PX::input, preInput.data());
    preExtra.putPointer(PX::output, preOutput.data());
    preExtra.putPointer(PX::cb, host_.preRenderCallbacks());
    const std::vector<std::uint8_t> outputBefore = preOutput.snapshot();
    host_.watch(&preInput);
    host_.watch(&preExtra);
    ByteBlock in = host_.inData(sequence, width_, height_);
    ByteBlock out = host_.outData(in);
    send(C::PF_Cmd_SMART_PRE_RENDER, ("PF_Cmd_SMART_PRE_RENDER" + at).c_str(), in, out, nullptr,
         nullptr, preExtra.data(), {});
    for (const std::string& field : changedFields(outputBefore, preOutput.data(), PO::fields,
                                                  sizeof PO::fields / sizeof PO::fields[0])) {
        const std::string name = field.substr(0, field.find(' '));
        r.check(name == "result_rect" || name == "max_result_rect" || name == "flags",
                "the module wrote PF_PreRenderOutput." + field);
    }
    const long beyond = preOutput.firstWriteBeyond();
    r.check(beyond < 0, "write past PF_PreRenderOutput at byte " + std::to_string(beyond));
    r.check(host_.checkouts().count(0x123455) && host_.checkouts().count(0x123456),
            "pre-render did not check the layer out twice (probe and render)");
    // The result: the output's size centred on the layer; extra pixels
    // returned, as the layer reaches the request's right and bottom edges.
    const int left = (width_ >> 1) - (ref.width >> 1), top = (height_ >> 1) - (ref.height >> 1);
    ByteBlock wanted("expected", PO::size);
    putRect(wanted, 0, left, top, left + ref.width, top + ref.height);
    r.check(rectText(preOutput, PO::result_rect) == rectText(wanted, 0),
            "result_rect at " + std::to_string(PO::result_rect) + " is " +
                rectText(preOutput, PO::result_rect) + ", expected " + rectText(wanted, 0));
    r.check(rectText(preOutput, PO::max_result_rect) == rectText(wanted, 0),
            "max_result_rect at " + std::to_string(PO::max_result_rect) + " is " +
                rectText(preOutput, PO::max_result_rect) + ", expected " + rectText(wanted, 0));
    const auto flags = preOutput.get<std::int16_t>(PO::flags);
    r.check(flags == C::PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS,
            "PF_PreRenderOutput.flags at " + std::to_string(PO::flags) + " is " +
                std::to_string(flags) + ", expected PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS");

    // Render: the output covers the result rectangle.
    namespace SI = raw::PF_SmartRenderInput;
    namespace SX = raw::PF_SmartRenderExtra;
    output.setOrigin(-left, -top);
    ByteBlock renderInput("PF_SmartRenderInput", SI::size);  // nothing in it is the module's
    ByteBlock renderExtra("PF_SmartRenderExtra", SX::size);
    renderExtra.putPointer(SX::input, renderInput.data());
    renderExtra.putPointer(SX::cb, host_.smartRenderCallbacks());
    host_.watch(&renderInput);
    host_.watch(&renderExtra);
    host_.watch(&input.defBlock());
    host_.watch(&output.defBlock());
    in = host_.inData(sequence, width_, height_);
    out = host_.outData(in);
    send(C::PF_Cmd_SMART_RENDER, ("PF_Cmd_SMART_RENDER" + at).c_str(), in, out, nullptr, nullptr,
         renderExtra.data(), {});
    r.check(input.packed() == inputs_.at(frame.depth), "the module wrote into the input layer");
    comparePixels(output, frame);
    host_.endFrame();
}

void CommandSequence::classicFrame(void* sequence, const FrameCase& frame) {
    Report& r = Report::get();
    const ReferenceFrame& ref = frame.reference;
    const std::string at = " " + depthName(frame.depth);
    World input("input layer", width_, height_, frame.depth);
    input.setPacked(inputs_.at(frame.depth));
    host_.beginFrame(width_, height_, HostTime{}, &input, nullptr);

    // Frame set-up: the output is the input's size unless the module says
    // otherwise; in Premiere Pro the frame's size goes into frame data.
    void** params = host_.paramArray({0});
    host_.watch(&input.defBlock());
    ByteBlock in = host_.inData(sequence, width_, height_);
    ByteBlock out = host_.outData(in);
    send(C::PF_Cmd_FRAME_SETUP, ("PF_Cmd_FRAME_SETUP" + at).c_str(), in, out, params, nullptr,
         nullptr, {"frame_data", "width", "height", "origin"});
    const bool grown = ref.width != width_ || ref.height != height_;
    const int originH = (ref.width >> 1) - (width_ >> 1),
              originV = (ref.height >> 1) - (height_ >> 1);
    const int outWidth = out.get<std::int32_t>(O::width),
              outHeight = out.get<std::int32_t>(O::height);
    r.check(outWidth == ref.width && outHeight == ref.height,
            "out_data width and height (at " + std::to_string(O::width) + ", " +
                std::to_string(O::height) + ") are " + std::to_string(outWidth) + "x" +
                std::to_string(outHeight) + ", expected " + std::to_string(ref.width) + "x" +
                std::to_string(ref.height));
    if (grown) {
        const auto h = out.get<std::int32_t>(O::origin + raw::PF_Point::h);
        const auto v = out.get<std::int32_t>(O::origin + raw::PF_Point::v);
        r.check(h == originH && v == originV,
                "out_data origin at " + std::to_string(O::origin) + " is (" + std::to_string(h) +
                    "," + std::to_string(v) + "), expected (" + std::to_string(originH) + "," +
                    std::to_string(originV) + ")");
    }
    void* frameData = out.get<void*>(O::frame_data);
    if (host_.premiere()) {
        if (r.check(host_.handles().owns(frameData) && host_.handles().size(frameData) == 8,
                    "frame_data is not an 8-byte handle from the host")) {
            std::uint32_t size[2];
            std::memcpy(size, host_.handles().block(frameData), sizeof size);
            r.check(size[0] == static_cast<std::uint32_t>(ref.width) &&
                        size[1] == static_cast<std::uint32_t>(ref.height),
                    "frame data holds " + std::to_string(size[0]) + "x" + std::to_string(size[1]));
        }
    } else {
        r.check(frameData == nullptr, "After Effects frame set-up left frame_data set");
    }

    World output("output", outWidth, outHeight, frame.depth);
    output.setOrigin(grown ? originH : 0, grown ? originV : 0);
    host_.beginFrame(width_, height_, HostTime{}, &input, &output);
    params = host_.paramArray({0});
    host_.watch(&input.defBlock());
    host_.watch(&output.defBlock());
    in = host_.inData(sequence, width_, height_, frameData);
    out = host_.outData(in);
    send(C::PF_Cmd_RENDER, ("PF_Cmd_RENDER" + at).c_str(), in, out, params, output.def(), nullptr,
         {});
    r.check(input.packed() == inputs_.at(frame.depth), "the module wrote into the input layer");
    comparePixels(output, frame);

    in = host_.inData(sequence, width_, height_, frameData);
    out = host_.outData(in);
    send(C::PF_Cmd_FRAME_SETDOWN, ("PF_Cmd_FRAME_SETDOWN" + at).c_str(), in, out, nullptr, nullptr,
         nullptr, {"frame_data"});
    r.check(out.get<void*>(O::frame_data) == nullptr, "frame set-down left frame_data set");
    if (frameData)
        r.check(!host_.handles().owns(frameData), "frame set-down did not dispose of frame_data");
    host_.endFrame();
}

void CommandSequence::comparePixels(const World& output, const FrameCase& frame) {
    Report& r = Report::get();
    output.checkPadding();
    const ReferenceFrame& ref = frame.reference;
    if (!r.check(ref.error == 0, "the simulated host's frame failed with " +
                                     std::to_string(ref.error) + "; nothing to compare with"))
        return;
    const std::vector<std::uint8_t> pixels = output.packed();
    if (pixels == ref.pixels)
        return;
    std::size_t differing = 0, first = pixels.size();
    for (std::size_t i = 0; i < pixels.size() && i < ref.pixels.size(); ++i) {
        if (pixels[i] != ref.pixels[i]) {
            ++differing;
            first = std::min(first, i);
        }
    }
    const std::size_t pixel = first / output.pixelBytes();
    r.fail("the output differs from the simulated host's frame in " + std::to_string(differing) +
           " of " + std::to_string(pixels.size()) + " bytes; the first at pixel (" +
           std::to_string(pixel % output.width()) + "," + std::to_string(pixel / output.width()) +
           "), byte " + std::to_string(first % output.pixelBytes()) + ": " + hex(pixels[first]) +
           " where the simulated host has " + hex(ref.pixels[first]) +
           (pixels[first] == kCanary ? " (the canary: never written)" : ""));
}
