#pragma once
// What the preview's resident frame worker keeps between requests: the
// effect's module, loaded once, with one instance in a simulated host, and
// the open inputs, so that a frame costs the engine's render and little
// more. A request names its frame number, the parameters' values and the
// layers' inputs; layers that are sequences or videos are read at the same
// time as the main input.

#include <map>
#include <memory>
#include <string>

#include "EffectSource.h"
#include "FrameSource.h"
#include "SimulatedHost.h"
#include "WorkerRequest.h"

class FrameSession {
public:
    struct Answer {
        // The JSON object the page shows beside the picture.
        std::string json;
        // The picture as an 8-bit PNG; empty when there is none.
        std::string png;
    };

    FrameSession(std::string plugin, std::string input, HostApplication application);
    ~FrameSession();

    // "kind=before" answers the input frame as the effect receives it;
    // otherwise the effect's rendered frame with its timings and parameters.
    Answer answer(const WorkerRequest& request);

private:
    Answer frame(const WorkerRequest& request);
    Answer before(const WorkerRequest& request);
    // The main input's frame `index` at `depth` (0: its own); the last one is
    // kept, since most requests change a value and not the time.
    const HostWorld& inputFrame(long index, int depth);
    FrameSource& source(const std::string& path);
    // Loads the effect and adds its instance; the message of a failure.
    std::string setUp(const HostWorld& input);
    void setLayers(const WorkerRequest& request, long index);

    std::string plugin_;
    std::string input_;
    HostApplication application_;
    std::map<std::string, std::unique_ptr<FrameSource>> sources_;
    long inputIndex_ = -1;
    int inputDepth_ = -1;
    HostWorld inputFrame_;
    bool setUp_ = false;
    std::string setupError_;
    std::unique_ptr<OpenedEffect> effect_;
    std::unique_ptr<SimulatedHost> host_;
    InstanceId instance_ = 0;
};
