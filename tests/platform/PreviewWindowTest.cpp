// Where a top-level preview window goes on the screen.

#include <gtest/gtest.h>

#include "platform/PreviewWindow.h"

namespace tavix::platform {

TEST(PreviewWindow, ATopLevelWindowIsCentredButNeverAboveOrLeftOfTheScreen)
{
    struct Row {
        int32_t screenWidth, screenHeight, width, height, x, y;
    };
    const Row rows[] = {
        {1920, 1080, 1240, 1060, 340, 10},  {1920, 1080, 1241, 1061, 339, 9}, {1280, 1024, 2456, 2079, 0, 0},
        {1280, 1024, 1232, 1051, 24, 0},    {1280, 1024, 1280, 1024, 0, 0},   {0, 0, 10, 10, 0, 0},
    };
    for (const Row& row : rows) {
        const Placement at = CentreOnScreen(row.screenWidth, row.screenHeight, row.width, row.height);
        EXPECT_EQ(at.x, row.x) << row.width << " x " << row.height << " on " << row.screenWidth;
        EXPECT_EQ(at.y, row.y) << row.width << " x " << row.height << " on " << row.screenHeight;
    }
}

} // namespace tavix::platform
