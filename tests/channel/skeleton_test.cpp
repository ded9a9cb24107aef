// Placeholder until the channel tests exist: the library links.
#include "channel/runtime_services.h"

#include <gtest/gtest.h>

TEST(Skeleton, LibraryLinks) {
    EXPECT_EQ(tarnwick::CommandBufferSize, 16384);
}
