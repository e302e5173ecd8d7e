#pragma once
// The value of one published parameter of one effect instance over time: the
// published default until the user sets it, then a constant or keyframes at
// times in seconds, linear between keyframes (checkboxes and pop-ups hold each
// keyframe's value until the next one). Values are set in the units a user
// sees and turned into the host's own units when the effect checks them out:
//
//   float slider  {value}                        u.fs_d.value, double
//   angle         {degrees}                      u.ad.value, 16.16 fixed
//   checkbox      {0 or 1}                       u.bd.value
//   pop-up        {entry, counted from 1}        u.pd.value
//   colour        {red, green, blue[, alpha]}    u.cd.value, 8-bit channels 0..255
//   point         {x, y} in layer pixels         u.td.x_value, y_value, 16.16 fixed,
//                                                scaled by the render's downsampling
//   3D point      {x, y, z}                      u.point3d_d.x_value ..., doubles
//
// A layer parameter holds an image instead; other types hold nothing.

#include <memory>
#include <utility>
#include <vector>

#include "HostInterface.h"
#include "HostWorld.h"

// What the host's units depend on at the moment of a checkout: the layer's
// full-resolution size (a point's default is a percentage of it) and the
// render's downsampling.
struct StreamScale {
    A_long layerWidth = 0;
    A_long layerHeight = 0;
    PF_RationalScale downsampleX{1, 1};
    PF_RationalScale downsampleY{1, 1};
};

class ParameterStream {
public:
    explicit ParameterStream(const PF_ParamDef& published);

    // How many numbers a value of this type has (0: the type holds none).
    static std::size_t componentCount(PF_ParamType type);
    PF_ParamType type() const { return type_; }

    // Throw std::invalid_argument when the value does not fit the type (a
    // colour also takes three numbers, alpha then being 255).
    void setConstant(std::vector<double> value);
    void addKeyframe(double seconds, std::vector<double> value);
    std::size_t keyframeCount() const { return animated_ ? keys_.size() : 0; }

    // The value at a time, in user units.
    std::vector<double> valueAt(double seconds, const StreamScale& scale) const;

    void setLayer(std::shared_ptr<const HostWorld> image) { layer_ = std::move(image); }
    const std::shared_ptr<const HostWorld>& layer() const { return layer_; }

    // Writes the value at a time into a copy of the published definition, in
    // the host's units. Layer definitions are the host's to fill.
    void fill(PF_ParamDef& def, double seconds, const StreamScale& scale) const;

private:
    std::vector<double> checked(std::vector<double> value) const;
    std::vector<double> publishedDefault(const StreamScale& scale) const;

    PF_ParamDef published_;
    PF_ParamType type_;
    std::vector<std::pair<double, std::vector<double>>> keys_;  // sorted by time
    bool animated_ = false;  // keys_ are keyframes rather than one constant
    std::shared_ptr<const HostWorld> layer_;
};
