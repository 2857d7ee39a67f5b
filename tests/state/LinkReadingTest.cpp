#include "state/LinkReading.h"

#include <gtest/gtest.h>

namespace {

// A game taken while no port was open belongs to no connection: the port opened after it, with a
// fresh attitude on a good link, is not the game's.
TEST(LinkReading, AConnectionOpenedAfterTheGameBeganIsNotTheGames) {
    CPublishedLink link;
    link.Closed();
    const std::uint64_t game = link.Generation();
    link.Opened();
    link.StoreAttitude(1.0f, 2.0f, 3.0f, 5000);
    link.SetState(LinkState::Good);
    const LinkReading reading = link.Read();
    EXPECT_EQ(reading.LossFor(game, 5000), LinkLoss::OtherConnection);
    EXPECT_EQ(reading.LossFor(reading.generation, 5000), LinkLoss::Holds);
    EXPECT_EQ(reading.LossFor(reading.generation, 5000 + kAttitudeFreshFor.count() + 1), LinkLoss::Stale);
    link.Closed(); // the attitude goes with the connection
    EXPECT_EQ(link.Read().LossFor(link.Generation(), 5000), LinkLoss::Stale);
}

} // namespace
