#include <gtest/gtest.h>

#include <vector>

#include "bitmaps/BlendTable.h"

TEST(BlendTable, EveryEntryAndSymmetry)
{
    std::vector<unsigned char> t(BLEND_TABLE_BYTES, 0xAA);
    FillBlendTable(t.data());

    EXPECT_EQ(t[128 * 65536 + 0 * 256 + 255], 127);
    EXPECT_EQ(t[0 * 65536 + 200 * 256 + 0], 199);
    EXPECT_EQ(t[255 * 65536 + 0 * 256 + 255], 254);
    EXPECT_EQ(t[0 * 65536 + 255 * 256 + 255], 254);

    size_t bad = 0, asym = 0;
    for (int a = 0; a < 256; a++)
        for (int m = 0; m < 256; m++)
            for (int s = 0; s < 256; s++) {
                int want = (s * a + m * (255 - a)) >> 8;
                unsigned char got = t[a * 65536 + m * 256 + s];
                bad += got != want;
                asym += got != t[(255 - a) * 65536 + s * 256 + m];
            }
    EXPECT_EQ(bad, 0u);
    EXPECT_EQ(asym, 0u);
}
