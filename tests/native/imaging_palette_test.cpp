// The 8-bit palette that GIF files are written with: every entry as the plain definition gives
// it, and the nearest-colour search against a scan of all 256 entries.
#include <gtest/gtest.h>

#include "imaging/Palette.h"
#include "reference/Reference.h"

namespace {

TEST(Palette, EntriesAndNearestColours) {
    const std::vector<RGBX> pal = ref::WebPalette();
    ASSERT_EQ(pal.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        const kv::PaletteColour c = kv::WebPaletteEntry(i);
        EXPECT_TRUE(c.r == pal[size_t(i)].red && c.g == pal[size_t(i)].green && c.b == pal[size_t(i)].blue) << i;
    }
    // Every colour on a grid of step 5 (the cube's steps among them) and every grey, each against the reference scan.
    ref::Img grid(52 * 52, 52);
    for (int r = 0; r < 52; ++r)
        for (int g = 0; g < 52; ++g)
            for (int b = 0; b < 52; ++b) grid.at(r * 52 + g, b) = RGBX{uint8_t(b * 5), uint8_t(g * 5), uint8_t(r * 5), 0};
    for (int v = 0; v < 256; ++v) grid.at(v, 0) = RGBX{uint8_t(v), uint8_t(v), uint8_t(v), 0};
    const ref::Img want = ref::QuantiseWeb(grid);
    std::vector<uint8_t> idx(grid.px.size());
    kv::QuantiseToWebPalette(reinterpret_cast<const uint8_t*>(grid.px.data()), grid.w * 4, idx.data(), grid.w, grid.w,
                             grid.h);
    int bad = 0;
    for (size_t i = 0; i < idx.size(); ++i) {
        const kv::PaletteColour c = kv::WebPaletteEntry(idx[i]);
        bad += c.r != want.px[i].red || c.g != want.px[i].green || c.b != want.px[i].blue;
    }
    EXPECT_EQ(bad, 0);
    // A few by hand: pure colours stay, a mid grey finds a grey entry, not the cube.
    EXPECT_EQ(kv::NearestWebPaletteIndex(255, 0, 0), 180);
    EXPECT_EQ(kv::NearestWebPaletteIndex(0, 0, 255), 5);
    const kv::PaletteColour grey = kv::WebPaletteEntry(kv::NearestWebPaletteIndex(128, 128, 128));
    EXPECT_TRUE(grey.r == 131 && grey.g == 131 && grey.b == 131);
}

}  // namespace
