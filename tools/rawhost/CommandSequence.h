#pragma once
// The life of one effect instance as a host drives it, command by command,
// through the raw host, with the checks of what the module leaves behind:
// global and parameter set-up, sequence set-up, flatten, re-set-up and
// set-down, a user's change, interface updates, an event, frames (smart and
// classic, or Premiere Pro's) compared with the simulated host's, and global
// set-down.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ModuleLoader.h"
#include "RawHost.h"
#include "ReferenceFrames.h"

struct FrameCase {
    bool classic = false;
    int depth = 8;
    ReferenceFrame reference;
};

class CommandSequence {
public:
    // `inputs`: the input layer's packed pixels by depth.
    CommandSequence(const LoadedModule& module, Application application, Expectations expected,
                    int width, int height, std::map<int, std::vector<std::uint8_t>> inputs);

    void run(const std::vector<FrameCase>& frames);

private:
    // Names the step, sends the command and checks that it succeeded.
    std::int32_t send(std::int32_t cmd, const char* name, ByteBlock& in, ByteBlock& out,
                      void* params, void* output, void* extra,
                      const std::set<std::string>& outMayWrite,
                      const std::set<std::string>& inMayWrite = {});
    void globalSetup();
    void paramsSetup();
    void* sequenceSetup();
    void updateParamsUI(void* sequence);
    // Saves (flatten) and loads (re-set-up) the instance, sets the block the
    // save left behind down, and returns the new block.
    void* saveAndLoad(void* sequence);
    void setDown(void* sequence);
    void userChanges(void* sequence);
    void event(void* sequence);
    void smartFrame(void* sequence, const FrameCase& frame);
    void classicFrame(void* sequence, const FrameCase& frame);
    void globalSetdown();
    void comparePixels(const World& output, const FrameCase& frame);
    // The 8192-byte sequence data behind a handle, checked for what set-up
    // and re-set-up leave: zeros but for the instance pointer and marks.
    void checkSequenceData(void* handle, bool resetUp);

    RawHost host_;
    std::string app_;
    int width_;
    int height_;
    std::map<int, std::vector<std::uint8_t>> inputs_;
};
