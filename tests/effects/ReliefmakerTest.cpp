// The bundled ReliefmakerFX effect, as a user meets it: its module loaded by
// our host library, its controls, and frames rendered by the engine on Mesa.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <tuple>

#include "ReliefHost.h"

namespace {

float luma(const PF_PixelFloat& p) {
    return 0.2126f * p.red + 0.7152f * p.green + 0.0722f * p.blue;
}

// Lighting that leaves a flat picture exactly as it is.
void neutralLight(ReliefHost& r) {
    r.set("Light Colour", {255, 255, 255});
    r.set("Shine", 0.0);
}

TEST(Reliefmaker, PublishesItsControlsInGroupsAndKeepsItsOwnStateHidden) {
    ReliefHost r;
    ASSERT_TRUE(r.start());
    const PublishedParameters& params = r.host.parameters();
    // The names and kinds after the input layer, groups and all.
    std::string names;
    std::vector<PF_ParamType> types;
    for (A_long i = 1; i < params.count(); ++i) {
        names += params.at(i).name + std::string("|");
        types.push_back(params.at(i).param_type);
    }
    EXPECT_EQ(
        names,
        "Height Map|Height|Softness|Invert|Colour|Border|Light|Light Type|Direction|Elevation|"
        "Position|Light Colour|Ambient Colour|Shine|Shadow||Surface|Finish|Grain|Grain Scale|"
        "Reflectivity||Retro|Posterize|Palette|Dither|Dither Strength|Serpentine||");
    EXPECT_EQ(types, (std::vector<PF_ParamType>{
                         PF_Param_LAYER,        PF_Param_FLOAT_SLIDER, PF_Param_FLOAT_SLIDER,
                         PF_Param_CHECKBOX,     PF_Param_FLOAT_SLIDER, PF_Param_FLOAT_SLIDER,
                         PF_Param_GROUP_START,  PF_Param_POPUP,        PF_Param_ANGLE,
                         PF_Param_FLOAT_SLIDER, PF_Param_POINT,        PF_Param_COLOR,
                         PF_Param_COLOR,        PF_Param_FLOAT_SLIDER, PF_Param_FLOAT_SLIDER,
                         PF_Param_GROUP_END,    PF_Param_GROUP_START,  PF_Param_POPUP,
                         PF_Param_FLOAT_SLIDER, PF_Param_FLOAT_SLIDER, PF_Param_FLOAT_SLIDER,
                         PF_Param_GROUP_END,    PF_Param_GROUP_START,  PF_Param_CHECKBOX,
                         PF_Param_POPUP,        PF_Param_POPUP,        PF_Param_FLOAT_SLIDER,
                         PF_Param_CHECKBOX,     PF_Param_GROUP_END}));
    EXPECT_FALSE(params.find("Blur Sigma"));
    EXPECT_EQ(params.at(r.host.paramIndex("Palette")).u.pd.num_choices, 20);
    EXPECT_EQ(params.at(r.host.paramIndex("Dither")).u.pd.num_choices, 13);
    EXPECT_EQ(params.at(r.host.paramIndex("Finish")).u.pd.value, 1);
    EXPECT_EQ(params.at(r.host.paramIndex("Direction")).u.ad.value, 315 << 16);
    // The point light starts a quarter in from the top-left corner.
    EXPECT_EQ(params.at(r.host.paramIndex("Position")).u.td.x_dephault, 25 << 16);
}

TEST(Reliefmaker, LightsTheSideOfAnEdgeThatFacesTheLight) {
    for (int depth : {8, 16, 32}) {
        ReliefHost r;
        ASSERT_TRUE(r.start());
        const HostWorld input = step(48, 24, 24, depth);
        // Brightness gained along the rising edge, lit from one side then the other.
        auto edgeGain = [&](double degrees) {
            r.set("Direction", degrees);
            const FrameResult frame = r.render(input);
            EXPECT_EQ(frame.error, PF_Err_NONE);
            float gain = 0.0f;
            for (A_long x = 18; x < 30; ++x)
                gain += luma(frame.output.get(x, 12)) - luma(input.get(x, 12));
            // Away from the edge the picture is flat and keeps its brightness.
            EXPECT_NEAR(luma(frame.output.get(4, 12)), luma(input.get(4, 12)), 0.02f) << depth;
            return gain;
        };
        EXPECT_GT(edgeGain(270), 0.5f) << depth;  // from the left: the rise faces it
        EXPECT_LT(edgeGain(90), -0.5f) << depth;  // from the right: in its own shade
    }
}

TEST(Reliefmaker, BorderGrowsTheOutputAroundTheCentredInputWithRoomForTheShadow) {
    for (int depth : {8, 16, 32}) {
        ReliefHost r;
        ASSERT_TRUE(r.start());
        neutralLight(r);
        r.set("Height", 0.0);
        r.set("Border", 7.0);
        const HostWorld input = landscape(40, 30, depth);
        FrameResult frame = r.render(input);
        ASSERT_EQ(frame.error, PF_Err_NONE);
        ASSERT_EQ(frame.output.width(), 54);
        ASSERT_EQ(frame.output.height(), 44);
        EXPECT_EQ(frame.origin.h, 7);
        EXPECT_EQ(frame.origin.v, 7);
        for (A_long y = 0; y < input.height(); ++y)
            for (A_long x = 0; x < input.width(); ++x) {
                const PF_PixelFloat in = input.get(x, y), out = frame.output.get(x + 7, y + 7);
                ASSERT_NEAR(out.red, in.red, 0.01f) << depth << " " << x << "," << y;
                ASSERT_NEAR(out.green, in.green, 0.01f);
                ASSERT_NEAR(out.blue, in.blue, 0.01f);
                ASSERT_NEAR(out.alpha, 1.0f, 0.01f);
            }
        // The light comes from the top left: the shadow, cast further by a
        // higher relief, falls to the bottom right.
        r.set("Height", 10.0);
        frame = r.render(input);
        EXPECT_EQ(frame.output.get(2, 2).alpha, 0.0f) << depth;
        EXPECT_GT(frame.output.get(49, 40).alpha, 0.2f) << depth;
        r.set("Shadow", 0.0);
        frame = r.render(input);
        EXPECT_EQ(frame.output.get(49, 40).alpha, 0.0f) << depth;
    }
}

TEST(Reliefmaker, APointLightAndAHeightMapShapeAFlatPicture) {
    ReliefHost r;
    ASSERT_TRUE(r.start());
    neutralLight(r);
    const HostWorld flat = step(48, 32, 0, 8);
    // A height map's edge shades a flat input that on its own stays flat.
    auto spread = [](const HostWorld& image) {
        float lo = 1.0f, hi = 0.0f;
        for (A_long x = 0; x < image.width(); ++x) {
            lo = std::min(lo, luma(image.get(x, 12)));
            hi = std::max(hi, luma(image.get(x, 12)));
        }
        return hi - lo;
    };
    EXPECT_LT(spread(r.render(flat).output), 0.01f);
    r.host.setLayer(r.instance, r.host.paramIndex("Height Map"),
                    std::make_shared<HostWorld>(step(48, 32, 24, 8)));
    const FrameResult shaped = r.render(flat);
    ASSERT_EQ(shaped.error, PF_Err_NONE);
    EXPECT_GT(spread(shaped.output), 0.1f);

    // A point light, in layer pixels with y down, brightens what lies under
    // it more than the far side.
    r.host.setLayer(r.instance, r.host.paramIndex("Height Map"), nullptr);
    r.choose("Light Type", "Point");
    r.set("Elevation", 20.0);
    for (auto [lx, ly, nearX, nearY, farX, farY] :
         {std::tuple{4, 16, 4, 16, 44, 16}, std::tuple{44, 16, 44, 16, 4, 16},
          std::tuple{24, 2, 24, 2, 24, 30}, std::tuple{24, 30, 24, 30, 24, 2}}) {
        r.set("Position", {double(lx), double(ly)});
        const FrameResult frame = r.render(flat);
        ASSERT_EQ(frame.error, PF_Err_NONE);
        EXPECT_GT(luma(frame.output.get(nearX, nearY)), luma(frame.output.get(farX, farY)) + 0.05f)
            << lx << "," << ly;
    }
}

TEST(Reliefmaker, FinishesRenderTheirOwnSurfaces) {
    ReliefHost r;
    ASSERT_TRUE(r.start());
    const HostWorld input = landscape(64, 40, 8);
    auto difference = [](const HostWorld& a, const HostWorld& b) {
        float sum = 0.0f;
        for (A_long y = 0; y < a.height(); ++y)
            for (A_long x = 0; x < a.width(); ++x) {
                const PF_PixelFloat p = a.get(x, y), q = b.get(x, y);
                sum += std::abs(p.red - q.red) + std::abs(p.green - q.green) +
                       std::abs(p.blue - q.blue);
                EXPECT_EQ(p.alpha, 1.0f);
            }
        return sum / (a.width() * a.height());
    };
    const HostWorld plain = r.render(input).output;
    EXPECT_LT(difference(plain, input), 0.3f);  // a relief, not another picture
    for (const char* finish : {"Paper", "Stone", "Chrome"}) {
        r.choose("Finish", finish);
        const FrameResult frame = r.render(input);
        ASSERT_EQ(frame.error, PF_Err_NONE);
        EXPECT_GT(difference(frame.output, plain), 0.02f) << finish;
    }
}

TEST(Reliefmaker, PosterizeLeavesOnlyPaletteColoursTheRightWayUp) {
    for (int depth : {8, 16, 32}) {
        ReliefHost r;
        ASSERT_TRUE(r.start());
        r.set("Posterize", 1.0);
        const HostWorld input = landscape(64, 40, depth);
        FrameResult frame;
        auto colours = [&](const std::string& palette, const std::string& dither) {
            r.choose("Palette", palette);
            r.choose("Dither", dither);
            frame = r.render(input);
            EXPECT_EQ(frame.error, PF_Err_NONE);
            std::set<std::tuple<float, float, float>> seen;
            for (A_long y = 0; y < frame.output.height(); ++y)
                for (A_long x = 0; x < frame.output.width(); ++x) {
                    const PF_PixelFloat p = frame.output.get(x, y);
                    seen.insert({p.red, p.green, p.blue});
                }
            return seen;
        };
        // Sky above, green hill below, as in the input.
        auto upright = [&] {
            const PF_PixelFloat sky = frame.output.get(2, 2), hill = frame.output.get(2, 37);
            return sky.blue > sky.green && hill.green > hill.blue;
        };
        // An adaptive palette's unused entries are black (with alpha 0, the
        // picture keeping its own), and the nearest-colour search offers the
        // first of them too: eight colours and black at most.
        const auto adaptive = colours("Adaptive 8", "Floyd-Steinberg");
        EXPECT_LE(adaptive.size(), 9u) << depth;
        EXPECT_GE(adaptive.size(), 4u) << depth;
        EXPECT_TRUE(upright()) << depth;
        EXPECT_LE(colours("Primaries 8", "Ordered 4x4").size(), 8u) << depth;
        EXPECT_TRUE(upright()) << depth;
        for (const auto& [red, green, blue] : colours("Black & White", "None")) {
            EXPECT_TRUE(red == green && green == blue && (red == 0.0f || red == 1.0f))
                << depth << ": " << red << " " << green << " " << blue;
        }
    }
}

TEST(Reliefmaker, DisablesTheControlsThatCurrentChoicesMakeIrrelevant) {
    ReliefHost r;
    ASSERT_TRUE(r.start());
    // Defaults: a directional light, no finish, no posterizing.
    for (const char* name : {"Position", "Grain", "Grain Scale", "Reflectivity", "Palette",
                             "Dither", "Dither Strength", "Serpentine"})
        EXPECT_TRUE(r.disabled(name)) << name;
    for (const char* name : {"Direction", "Elevation", "Height", "Border"})
        EXPECT_FALSE(r.disabled(name)) << name;

    r.choose("Light Type", "Point");
    r.choose("Finish", "Stone");
    r.set("Posterize", 1.0);
    r.choose("Dither", "Ordered 4x4");
    r.updateUI();
    for (const char* name :
         {"Position", "Grain", "Grain Scale", "Palette", "Dither", "Dither Strength"})
        EXPECT_FALSE(r.disabled(name)) << name;
    for (const char* name : {"Direction", "Reflectivity", "Serpentine"})
        EXPECT_TRUE(r.disabled(name)) << name;

    // Error diffusion ignores the strength but may run serpentine; the
    // black-and-white palette takes the strength as its threshold.
    r.choose("Finish", "Chrome");
    r.choose("Dither", "Floyd-Steinberg");
    r.updateUI();
    EXPECT_FALSE(r.disabled("Reflectivity"));
    EXPECT_TRUE(r.disabled("Grain"));
    EXPECT_TRUE(r.disabled("Dither Strength"));
    EXPECT_FALSE(r.disabled("Serpentine"));
    r.choose("Palette", "Black & White");
    r.updateUI();
    EXPECT_FALSE(r.disabled("Dither Strength"));
}

}  // namespace
