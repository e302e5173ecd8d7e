#include <gtest/gtest.h>

#include <memory>

#include "entities/EntityFactory.h"
#include "entities/EntityHandle.h"
#include "entities/Parameter.h"

namespace {

// Neither copyable nor movable, so the registry must build it in place; counts
// the live instances.
struct Probe {
    static int alive;
    Probe() { ++alive; }
    ~Probe() { --alive; }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
    std::uint32_t tag = 0;
};
int Probe::alive = 0;

TEST(EntityFactory, HandsOutTheSmallestFreeHandleAndOwnsItsEntities) {
    nullEntity<Probe>();
    const int before = Probe::alive;
    auto factory = std::make_unique<EntityFactory<Probe, EntityHandle::ShaderBase>>();
    for (int i = 0; i < 40; ++i) factory->create();
    Probe& third = factory->lookup(0x2000003);
    third.tag = 3;
    factory->release(0x2000002);
    factory->release(0x2000001);
    // Handles that are not registered here, or of no kind at all, are ignored.
    for (std::uint32_t handle : {0x2000002u, 0u, 0x3000003u, 0x5000001u, 0x7000001u})
        factory->release(handle);
    EXPECT_EQ(Probe::alive, before + 38);
    EXPECT_EQ(&factory->lookup(0x2000003), &third);
    EXPECT_EQ(&factory->at(0), &third);  // ascending handle order
    EXPECT_EQ(&factory->at(38), &nullEntity<Probe>());
    EXPECT_EQ(&factory->lookup(0x2000001), &nullEntity<Probe>());
    EXPECT_EQ(factory->create(), 0x2000001u);
    EXPECT_EQ(factory->create(), 0x2000002u);
    EXPECT_EQ(factory->create(), 0x2000029u);
    EXPECT_EQ(nullEntity<Probe>().tag, 0u);

    std::unique_ptr<Factory> owner = std::move(factory);
    owner.reset();
    EXPECT_EQ(Probe::alive, before);
    EXPECT_EQ(&Parameter::Factory().lookup(0x1000001), &emptyParameter);
    EXPECT_EQ(Factory().create(), 0u);
}

}  // namespace
