#pragma once
// The parameter list an effect publishes at parameter set-up, as the host
// keeps it. Index 0 is the input layer, which the host adds by itself; the
// effect's parameters follow in the order they were added. Texts that a
// definition points at (pop-up entries, a checkbox's label) are copied, since
// the effect's memory need not outlive the call.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "HostInterface.h"

class PublishedParameters {
public:
    PublishedParameters();

    // Back to the input layer alone, as before a parameter set-up.
    void clear();
    // Appends a definition; `index` must be -1 (append) or the next index.
    PF_Err add(PF_ParamIndex index, const PF_ParamDef& def);
    // After `count` more successful additions every addition fails with
    // `error`, as when the host runs out of room; a negative count ends it.
    void failAfter(int count, PF_Err error) { failAfter_ = count, failError_ = error; }

    // Parameters including the input layer.
    A_long count() const { return static_cast<A_long>(defs_.size()); }
    // Throws std::out_of_range for an index the list does not have.
    const PF_ParamDef& at(PF_ParamIndex index) const;
    // The first parameter published under a name.
    std::optional<PF_ParamIndex> find(const std::string& name) const;

private:
    std::vector<PF_ParamDef> defs_;
    std::deque<std::string> texts_;
    int failAfter_ = -1;
    PF_Err failError_ = PF_Err_OUT_OF_MEMORY;
};
