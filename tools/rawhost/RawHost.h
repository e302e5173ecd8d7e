#pragma once
// The raw host: plays After Effects or Premiere Pro for a module loaded from
// disk, with every structure built as bytes at the facts' offsets. It owns
// the callback tables and suites (traps in every unused slot), the memory
// handles, the published parameters and their values, and the images of the
// frame being rendered; its callbacks check what the module passes them.
// Callbacks carry no user data, so one raw host at a time is active.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ByteBlock.h"
#include "CallbackTable.h"
#include "Expectations.h"
#include "HandleTable.h"
#include "ParamCheck.h"
#include "World.h"

using EntryPoint = std::int32_t (*)(std::int32_t, void*, void*, void*, void*, void*);

enum class Application { AfterEffects, Premiere };

// The time of the frame being rendered, as the host passes it.
struct HostTime {
    std::int32_t value = 50;
    std::int32_t step = 1;
    std::uint32_t scale = 100;
};

class RawHost {
public:
    RawHost(EntryPoint entry, void* module, Application application, Expectations expected);
    ~RawHost();
    RawHost(const RawHost&) = delete;
    RawHost& operator=(const RawHost&) = delete;
    static RawHost& active();

    bool premiere() const { return application_ == Application::Premiere; }
    const Expectations& expected() const { return expected_; }

    // A fresh in_data: the fields the module may read set as the host sets
    // them, every other byte the canary.
    ByteBlock inData(void* sequenceData, int width, int height, void* frameData = nullptr);
    // A fresh out_data: the flags zero, the handles and size of in_data, every
    // other byte the canary.
    ByteBlock outData(const ByteBlock& in);

    // Sends one command. The fields of out_data and in_data that the command
    // may write are named; a write anywhere else, past either block or into a
    // block the host watches fails the run, as do suites not released and
    // parameters not checked in. Returns the entry point's result.
    std::int32_t send(std::int32_t cmd, ByteBlock& in, ByteBlock& out, void* params, void* output,
                      void* extra, const std::set<std::string>& outMayWrite,
                      const std::set<std::string>& inMayWrite = {});
    // A block that the next command may not change (a parameter's
    // definition, an image's, an extra block the module only reads).
    void watch(const ByteBlock* block) { watched_.push_back(block); }

    HandleTable& handles() { return handles_; }
    void setGlobalData(void* handle) { globalData_ = handle; }

    // Parameters: what add_param received, by host index (0: the input layer,
    // never published), and the values the host holds for them.
    const std::vector<PublishedParam>& published() const { return published_; }
    int paramCount() const { return static_cast<int>(published_.size()); }
    int paramIndex(const std::string& name) const;
    // The host's definition of a parameter at the frame's time: the published
    // one with the user's value, as checkout_param writes it.
    std::vector<std::uint8_t> paramValue(int index) const;
    void setFloatValue(int index, double value);
    // Interface updates the module sent, by host index: name and ui_flags.
    const std::map<int, std::pair<std::string, std::int32_t>>& uiUpdates() const { return ui_; }
    const std::vector<std::uint8_t>& customUI() const { return customUI_; }
    const std::string& optionsButtonName() const { return optionsButton_; }
    const std::string& registeredName() const { return registeredName_; }
    const std::vector<std::uint32_t>& pixelFormats() const { return pixelFormats_; }
    // For interface updates and parameter changes: the host's definitions,
    // each a watched block, and the array the module gets; entries the
    // command must not read point to the canary.
    void** paramArray(const std::set<int>& readable);

    // The frame: the layer's full size and the images handed out.
    void beginFrame(int layerWidth, int layerHeight, HostTime time, World* input, World* output);
    void endFrame();
    World* input() const { return input_; }
    World* output() const { return output_; }
    const HostTime& time() const { return time_; }
    // Smart rendering: the checkouts made at pre-render, by id.
    std::map<std::int32_t, int>& checkouts() { return checkouts_; }
    // Smart pre-render: the output_request the host gave, which the module's
    // checkouts must carry.
    std::vector<std::uint8_t>& requestGiven() { return request_; }
    void* preRenderCallbacks() { return preRender_.data(); }
    void* smartRenderCallbacks() { return smartRender_.data(); }

    static constexpr std::int32_t kPluginId = 0x51;
    static constexpr std::int32_t kTimeline = 7;
    static constexpr int kCompWidth = 1920;
    static constexpr int kCompHeight = 1080;

    // What the callbacks share.
    void* effectRef() { return effectRef_.data(); }
    void* module() const { return module_; }
    std::int32_t currentCommand() const { return currentCommand_; }
    void addPublished(PublishedParam param);
    void recordUIUpdate(int index, std::string name, std::int32_t flags) {
        ui_[index] = {std::move(name), flags};
    }
    void setCustomUI(std::vector<std::uint8_t> info) { customUI_ = std::move(info); }
    void setOptionsButtonName(std::string name) { optionsButton_ = std::move(name); }
    void setRegisteredName(std::string name) { registeredName_ = std::move(name); }
    std::vector<std::uint32_t>& pixelFormatList() { return pixelFormats_; }
    std::multiset<const void*>& checkedOut() { return checkedOut_; }
    std::map<std::pair<std::string, std::int32_t>, int>& acquired() { return acquired_; }
    // The suite's table when the host offers it to this application; null otherwise.
    CallbackTable* suite(const std::string& name, std::int32_t version);
    // The last destination of ansi.strcpy, which must be a definition's name.
    void*& lastStrcpy() { return lastStrcpy_; }
    // The world the block at `def` describes, if the host handed it out.
    World* worldAt(const void* def) const;

private:
    void buildTables();
    void buildSuites();

    EntryPoint entry_;
    void* module_;
    Application application_;
    Expectations expected_;
    ByteBlock effectRef_;
    CallbackTable interact_;
    CallbackTable util_;
    CallbackTable basic_;
    CallbackTable preRender_;
    CallbackTable smartRender_;
    std::map<std::pair<std::string, std::int32_t>, std::unique_ptr<CallbackTable>> suites_;
    std::vector<const ByteBlock*> watched_;
    HandleTable handles_;
    void* globalData_ = nullptr;
    std::vector<PublishedParam> published_;
    std::vector<std::vector<std::uint8_t>> values_;
    std::deque<std::string> valueTexts_;  // stays where it is as it grows
    std::map<int, std::pair<std::string, std::int32_t>> ui_;
    std::vector<std::uint8_t> customUI_;
    std::string optionsButton_;
    std::string registeredName_;
    std::vector<std::uint32_t> pixelFormats_;
    std::vector<std::unique_ptr<ByteBlock>> paramBlocks_;
    std::vector<void*> paramPointers_;
    std::multiset<const void*> checkedOut_;
    std::map<std::pair<std::string, std::int32_t>, int> acquired_;
    void* lastStrcpy_ = nullptr;
    std::int32_t currentCommand_ = -1;
    // The layer's full size: the composition's until a frame is rendered.
    int layerWidth_ = kCompWidth;
    int layerHeight_ = kCompHeight;
    const void* inputAlias_ = nullptr;  // the input layer inside params[0]
    HostTime time_;
    World* input_ = nullptr;
    World* output_ = nullptr;
    std::map<std::int32_t, int> checkouts_;
    std::vector<std::uint8_t> request_;
};
