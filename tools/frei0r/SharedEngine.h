#pragma once
// The plugin's one engine and the host that drives it. Hosts load every
// plugin at every start and ask for its description, so nothing starts until
// the first frame of an instance; then the engine runs inside this plugin's
// own file, whose package and property list the build appended to it.
//
// Every call into the engine goes through lock(): frei0r hosts call from
// their own threads (MLT renders instances on several at once) and the host
// side of the engine serves one call at a time.
//
// f0r_init and f0r_deinit are counted; the engine is set down when no init
// and no instance is left, never under a live instance.

#include <memory>
#include <mutex>

#include "EffectModule.h"
#include "SimulatedHost.h"

class SharedEngine {
public:
    // The plugin's engine; it lives as long as the process (the plugin is
    // never unloaded), so no host thread finds it gone.
    static SharedEngine& instance();

    std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(mutex_); }

    // These take the lock themselves.
    void init();
    void deinit();

    // With the lock held. Starts the engine when it is not running: global
    // and parameter set-up; throws std::runtime_error when either fails.
    SimulatedHost& host();
    // With the lock held: an instance is made, or gone (the engine is set
    // down when it was the last and every init has been undone).
    void instanceAdded() { ++instances_; }
    void instanceRemoved();

private:
    SharedEngine() = default;
    void setDownWhenUnused();

    std::mutex mutex_;
    int inits_ = 0;
    int instances_ = 0;
    std::unique_ptr<EffectModule> module_;
    std::unique_ptr<SimulatedHost> host_;
};
