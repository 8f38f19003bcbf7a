#include "lighting/LightTables.h"
#include "lighting/AnimationCounters.h"
#include "lighting/KeyboardEffects.h"
#include "lighting/KeyboardTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

using namespace zk::lighting;

TEST(LightTables, ColourWheelIsAPureHueCircleThatRepeatsItsStart) {
    for (std::size_t i = 0; i < 192; ++i) {
        const Rgb c = kColourWheel[i];
        const int hi = std::max({c.r, c.g, c.b});
        const int lo = std::min({c.r, c.g, c.b});
        EXPECT_EQ(hi, 255) << i;
        EXPECT_EQ(lo, 0) << i;
        // Neighbours differ in one channel only, including across the wrap.
        const Rgb n = kColourWheel[(i + 1) % 192];
        const int changed = (c.r != n.r) + (c.g != n.g) + (c.b != n.b);
        EXPECT_EQ(changed, 1) << i;
    }
    for (std::size_t i = 192; i < 256; ++i) {
        EXPECT_EQ(kColourWheel[i], kColourWheel[i - 192]) << i;
    }
    EXPECT_EQ(kColourWheel[0], (Rgb{255, 1, 0}));
    EXPECT_EQ(kColourWheel[31], (Rgb{255, 255, 0}));
    EXPECT_EQ(kColourWheel[32], (Rgb{248, 255, 0}));
    EXPECT_EQ(kColourWheel[95], (Rgb{0, 255, 255}));
    EXPECT_EQ(kColourWheel[96], (Rgb{0, 248, 255}));
    EXPECT_EQ(kColourWheel[128], (Rgb{1, 0, 255}));
    EXPECT_EQ(kColourWheel[191], (Rgb{255, 0, 0}));
}

TEST(LightTables, CurvesKeepTheirShapes) {
    // Breathing: rises 0 → 255 over 64 entries, then mirrors.
    EXPECT_EQ(kBreathingCurve[0], 0);
    EXPECT_EQ(kBreathingCurve[63], 255);
    for (std::size_t i = 0; i < 64; ++i) {
        EXPECT_EQ(kBreathingCurve[i], kBreathingCurve[127 - i]);
        if (i > 0) {
            EXPECT_GT(kBreathingCurve[i], kBreathingCurve[i - 1]);
        }
    }
    // Wave: the last 48 rising breathing values (22 up to 255), then mirrored.
    EXPECT_EQ(kWaveCurve[0], 22);
    EXPECT_EQ(kWaveCurve[47], 255);
    EXPECT_EQ(kWaveCurve[48], 255);
    EXPECT_EQ(kWaveCurve[95], 22);
    for (std::size_t i = 0; i < 48; ++i) {
        EXPECT_EQ(kWaveCurve[i], kBreathingCurve[16 + i]);
    }
    // Pulse: peak at 16, never rising after it, dark from 96 on.
    const auto peak = std::max_element(kPulseCurve.begin(), kPulseCurve.end());
    EXPECT_EQ(peak - kPulseCurve.begin(), 16);
    EXPECT_EQ(*peak, 255);
    for (std::size_t i = 17; i < 192; ++i) {
        EXPECT_LE(kPulseCurve[i], kPulseCurve[i - 1]) << i;
    }
    EXPECT_EQ(kPulseCurve[79], 1);
    for (std::size_t i = 80; i < 192; ++i) {
        EXPECT_EQ(kPulseCurve[i], 0) << i;
    }
    EXPECT_EQ(BrightnessValue(0), 0);
    EXPECT_EQ(BrightnessValue(4), 255);
    EXPECT_EQ(BrightnessValue(200), 255);
}

TEST(LightTables, FrameDelaysAndTheirOutOfRangeLookUps) {
    for (std::uint8_t mode = 0; mode < 9; ++mode) {
        for (std::uint8_t speed = 0; speed < 15; ++speed) {
            EXPECT_EQ(MousepadFrameDelay(mode, speed), 9u + 4u * speed);
        }
    }
    EXPECT_EQ(KeyboardFrameDelay(0, 0), 2u);
    EXPECT_EQ(KeyboardFrameDelay(1, 0), 9u);
    EXPECT_EQ(KeyboardFrameDelay(4, 0), 3u);
    EXPECT_EQ(KeyboardFrameDelay(7, 0), 3u);
    EXPECT_EQ(KeyboardFrameDelay(12, 0), 3u);
    EXPECT_EQ(KeyboardFrameDelay(5, 4), 45u);
    EXPECT_EQ(KeyboardFrameDelay(2, 14), 63u);
    EXPECT_EQ(KeyboardFrameDelay(3, 14), 65u);
    // A byte beyond the table stays on its last row or column.
    EXPECT_EQ(KeyboardFrameDelay(200, 200), 65u);
    EXPECT_EQ(MousepadFrameDelay(200, 255), 65u);
}

TEST(LightTables, TintPacking) {
    const Rgb c{0x11, 0x22, 0x33};
    EXPECT_EQ(ChangerColor(c), 0x223311u); // green × 65536 + blue × 256 + red
    const Tint t = MakeTint(c, 0x80);
    EXPECT_EQ(t, 0x80112233u);
    EXPECT_EQ(TintOpacity(t), 0x80);
    EXPECT_EQ(TintRgb(t), c);
    EXPECT_EQ(ChangerColor(t), 0x223311u);
}

TEST(LightTables, MovingPositionConvention) {
    EXPECT_EQ(StepPosition(0, true, 96), 1);
    EXPECT_EQ(StepPosition(95, true, 96), 0);
    EXPECT_EQ(StepPosition(150, true, 96), 0);
    EXPECT_EQ(StepPosition(0, false, 96), 95);
    EXPECT_EQ(StepPosition(96, false, 96), 95);
    EXPECT_EQ(StepPosition(191, false, 128), 127);
    EXPECT_EQ(StepPosition(5, false, 192), 4);
}

TEST(KeyboardTables, GridOrdersCoverTheLitKeysOnce) {
    std::set<int> lit;
    for (const auto& column : kKeyGrid) {
        for (auto key : column) {
            if (key != kNoKey) {
                EXPECT_TRUE(lit.insert(key).second) << int(key);
            }
        }
    }
    ASSERT_EQ(lit.size(), kLitKeyCount);
    const std::set<int> snake(kSnakeOrder.begin(), kSnakeOrder.end());
    EXPECT_EQ(snake, lit);

    std::set<int> shuffled(kRandomOrder.begin(), kRandomOrder.end());
    EXPECT_EQ(shuffled.size(), kLitKeyCount);
    EXPECT_EQ(*shuffled.rbegin(), 103);
    const std::array<int, 10> start = {88, 24, 101, 57, 49, 20, 5, 14, 16, 69};
    EXPECT_TRUE(std::equal(start.begin(), start.end(), kRandomOrder.begin()));

    // The path visits every lit key once; its gaps are empty places.
    std::multiset<int> path;
    for (auto key : kPath) {
        if (key != kNoKey) {
            path.insert(key);
        }
    }
    EXPECT_EQ(std::set<int>(path.begin(), path.end()), lit);
    EXPECT_EQ(path.size(), lit.size());

    for (const auto& row : kScriptRows) {
        for (auto key : row) {
            EXPECT_TRUE(key == kNoScriptKey || lit.count(key)) << int(key);
        }
    }
    for (const auto& pair : kScriptPairs) {
        EXPECT_TRUE(lit.count(pair[0]) && lit.count(pair[1]));
    }
    for (std::size_t key = 0; key < kKeyboardKeyCount; ++key) {
        const bool onGrid = lit.count(static_cast<int>(key)) != 0;
        EXPECT_EQ(KeyPlace(key).column != 0xFF, onGrid) << key;
        EXPECT_EQ(kColourMap[key], onGrid ? key : kNoKey) << key;
        EXPECT_EQ(kBrightnessMap[key], onGrid ? key : kNoKey) << key;
    }
}

namespace {
// Hexagonal distance on the key grid, whose neighbours are (c, r ± 1),
// (c ± 1, r), (c − 1, r + 1) and (c + 1, r − 1).
int HexDistance(GridPlace a, GridPlace b) {
    const int dc = int(a.column) - int(b.column);
    const int dr = int(a.row) - int(b.row);
    return std::max({std::abs(dc), std::abs(dr), std::abs(dc + dr)});
}
} // namespace

TEST(KeyboardTables, RingsGrowOutwardsFromKey51) {
    const GridPlace centre = KeyPlace(51);
    std::set<int> seen;
    int lastDistance = -1;
    for (std::size_t k = 0; k < kRings.size(); ++k) {
        int lo = 99, hi = -1;
        for (auto key : kRings[k]) {
            if (key == kNoKey) {
                continue;
            }
            EXPECT_TRUE(seen.insert(key).second) << int(key);
            const int d = HexDistance(KeyPlace(key), centre);
            lo = std::min(lo, d);
            hi = std::max(hi, d);
        }
        ASSERT_GE(hi, 0) << "ring " << k << " is empty";
        EXPECT_GT(lo, lastDistance) << "ring " << k;
        if (k < 10) {
            EXPECT_EQ(lo, int(k));
            EXPECT_EQ(hi, int(k));
        }
        lastDistance = hi;
    }
    EXPECT_EQ(seen.size(), kLitKeyCount);
    const std::array<int, 6> ring1 = {30, 50, 71, 72, 52, 31};
    EXPECT_TRUE(std::equal(ring1.begin(), ring1.end(), kRings[1].begin()));
}

TEST(KeyboardTables, PulsePhasesDifferByColumnOnly) {
    for (std::size_t c = 0; c < kGridColumns; ++c) {
        for (std::size_t r = 1; r < kGridRows; ++r) {
            EXPECT_EQ(kPulsePhases[c][r], kPulsePhases[c][0]);
        }
        for (std::size_t d = 0; d < c; ++d) {
            EXPECT_NE(kPulsePhases[c][0], kPulsePhases[d][0]);
            EXPECT_NE(FreePulsePhase(c), FreePulsePhase(d));
        }
    }
}

TEST(WavePlanes, OneSeedSpreadsAsADiamond) {
    WavePlanes planes{};
    const int seedCol = 11, seedRow = 2;
    SeedPlanes(planes, seedCol, 1u << seedRow);
    for (int n = 1; n <= 12; ++n) {
        StepPlanes(planes);
        for (int c = 0; c < int(kGridColumns); ++c) {
            const std::uint8_t bits = PlaneUnion(planes, static_cast<std::size_t>(c));
            for (int r = 0; r < 8; ++r) {
                const bool expected = std::abs(c - seedCol) + std::abs(r - seedRow) == n;
                EXPECT_EQ(((bits >> r) & 1) != 0, expected)
                    << "step " << n << " at " << c << "," << r;
            }
        }
    }
}

TEST(AnimationCounters, WrapWithTheirPeriods) {
    AnimationCounters counters;
    for (int tick = 1; tick <= 300; ++tick) {
        counters.Tick();
        for (std::size_t i = 0; i < AnimationCounters::kPeriods.size(); ++i) {
            ASSERT_EQ(counters.Counter(i), tick % AnimationCounters::kPeriods[i]);
        }
        ASSERT_EQ(counters.FreeRunning(), tick % 256);
    }
    EXPECT_EQ(counters.Counter(9), 0);
}
