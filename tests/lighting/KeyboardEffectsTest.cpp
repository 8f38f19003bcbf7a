#include "lighting/KeyboardEffects.h"

#include "TestLight.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace zk::lighting;
using zktest::LightRecord;

namespace {

struct KeyboardRig {
    LightRecord light;
    std::vector<std::uint8_t> record = std::vector<std::uint8_t>(kKeyboardLightRecordSize, 0);
    KeyboardEffectState state;
    SharedCounters counters;
    int model = 0;

    StepOutcome Step() {
        return StepKeyboardEffect(state, model, light.View(), LightBytesView(record.data()),
                                  counters);
    }
    void Select(std::uint8_t mode) {
        light.Mode(mode);
        state.Reset();
        SetUpKeyboardMode(state, model, mode);
    }
};

bool OnGrid(std::size_t key) {
    return KeyPlace(key).column != 0xFF;
}

} // namespace

TEST(KeyboardEffects, BouncingRippleKeyFadesThroughNineFiveOneZero) {
    EXPECT_EQ(RippleKeyDecay(9), 5);
    EXPECT_EQ(RippleKeyDecay(5), 1);
    EXPECT_EQ(RippleKeyDecay(1), 0);
    EXPECT_EQ(RippleKeyDecay(0), 0);

    KeyboardRig rig;
    rig.light.Brightness(4).Cycle(0).Colour(0, 255, 0);
    rig.Select(5);
    // Key 109 (column 9, bottom row) is the first the rising ripple reaches.
    std::vector<int> key109;
    std::array<std::uint8_t, kKeyboardKeyCount> before{};
    int fullFades = 0;
    for (int f = 0; f < 200; ++f) {
        before = rig.state.level;
        rig.Step();
        key109.push_back(rig.state.level[109]);
        for (std::uint8_t key : kSnakeOrder) {
            const int now = rig.state.level[key];
            EXPECT_EQ(TintOpacity(rig.state.frame[key]), (255 * now) >> 8);
            if (now == 215) {
                continue; // lit again
            }
            switch (before[key]) {
            case 9:
                EXPECT_EQ(now, 5) << int(key);
                break;
            case 5:
                EXPECT_EQ(now, 1) << int(key);
                break;
            case 1:
                EXPECT_EQ(now, 0) << int(key);
                ++fullFades;
                break;
            default:
                break;
            }
        }
    }
    const std::vector<int> start = {0, 215, 175, 135, 95, 65, 35, 25, 17, 9, 5};
    EXPECT_TRUE(std::equal(start.begin(), start.end(), key109.begin()));
    EXPECT_GT(fullFades, 0);
}

TEST(KeyboardEffects, NormalDecayOfLitKeys) {
    std::vector<int> fade;
    for (std::uint8_t v = 255; v != 0; v = KeyDecay(v)) {
        fade.push_back(v);
    }
    const std::vector<int> expected = {255, 225, 195, 165, 135, 105, 85, 65,
                                       45,  35,  25,  20,  15,  11,  7};
    EXPECT_EQ(fade, expected);
}

TEST(KeyboardEffects, EmptyGridPlacesAreNeverDrawn) {
    const Tint sentinel = MakeTint(Rgb{1, 2, 3}, 4);
    const std::vector<std::pair<int, std::vector<int>>> gridModes = {
        {0, {0, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16}},
        {1, {0, 3, 4, 5, 6, 8, 9, 10}},
    };
    for (const auto& [model, modes] : gridModes) {
        for (int mode : modes) {
            for (std::uint8_t cycle : {0, 1}) {
                KeyboardRig rig;
                rig.model = model;
                rig.light.Brightness(4).Cycle(cycle).Colour(200, 100, 50);
                rig.record.assign(rig.record.size(), 0x77);
                rig.record[kCustomLayerSelectOffset] = 2;
                rig.Select(static_cast<std::uint8_t>(mode));
                rig.state.frame.fill(sentinel);
                for (int f = 0; f < 300; ++f) {
                    rig.Step();
                }
                int drawn = 0;
                for (std::size_t key = 0; key < kKeyboardKeyCount; ++key) {
                    if (!OnGrid(key)) {
                        ASSERT_EQ(rig.state.frame[key], sentinel)
                            << model << "/" << mode << " key " << key;
                    } else if (rig.state.frame[key] != sentinel) {
                        ++drawn;
                    }
                }
                EXPECT_GT(drawn, 0) << model << "/" << mode;
            }
        }
    }
}

TEST(KeyboardEffects, BrightnessZeroHidesEveryModeOfBothModels) {
    for (int model : {0, 1}) {
        const std::size_t modes = model == 0 ? kKeyboardModel0ModeCount : kKeyboardModel1ModeCount;
        for (std::uint8_t mode = 0; mode < modes; ++mode) {
            for (std::uint8_t cycle : {0, 1}) {
                KeyboardRig rig;
                rig.model = model;
                rig.light.Brightness(0).Cycle(cycle).Direction(cycle).Colour(255, 255, 255);
                rig.record.assign(rig.record.size(), 0xFF);
                rig.Select(mode);
                for (int f = 0; f < 250; ++f) {
                    rig.Step();
                    for (Tint t : rig.state.frame) {
                        ASSERT_EQ(TintOpacity(t), 0) << model << "/" << int(mode) << " frame " << f;
                    }
                }
            }
        }
    }
}

TEST(KeyboardEffects, ScriptRunsThroughAllItsStatesAndStartsAgain) {
    for (int model : {0, 1}) {
        KeyboardRig rig;
        rig.model = model;
        rig.light.Brightness(4).Cycle(1);
        rig.Select(model == 0 ? 6 : 4);
        std::vector<int> states = {0};
        for (int f = 0; f < 400 && states.size() < 7; ++f) {
            rig.Step();
            if (rig.state.scriptState != states.back()) {
                states.push_back(rig.state.scriptState);
            }
        }
        EXPECT_EQ(states, (std::vector<int>{0, 1, 2, 3, 4, 0, 1}));
    }
}

TEST(KeyboardEffects, TwinkleLightsThreeKeysOfTheShuffleEachFrame) {
    KeyboardRig rig;
    rig.light.Brightness(4).Cycle(1);
    rig.Select(9);
    rig.Step();
    std::set<int> lit;
    for (std::size_t key = 0; key < kKeyboardKeyCount; ++key) {
        if (rig.state.level[key] == 225) { // 255 after one decay
            lit.insert(static_cast<int>(key));
        }
    }
    const std::set<int> expected = {kSnakeOrder[kRandomOrder[1]], kSnakeOrder[kRandomOrder[2]],
                                    kSnakeOrder[kRandomOrder[3]]};
    EXPECT_EQ(lit, expected);
    EXPECT_EQ(rig.counters.frameCounter.load(), 30);
}

TEST(KeyboardEffects, PathLightsTheRouteInOrder) {
    KeyboardRig rig;
    rig.light.Brightness(4).Cycle(0).Direction(1);
    rig.Select(12);
    for (int f = 0; f < 10; ++f) {
        rig.Step();
    }
    // Keys 0 to 9 lit in that order: the latest is the brightest.
    for (std::size_t key = 1; key < 10; ++key) {
        EXPECT_GT(rig.state.level[key], rig.state.level[key - 1]) << key;
    }
    EXPECT_EQ(rig.state.level[9], KeyDecay(254));
    EXPECT_EQ(rig.state.level[10], 0);

    // Backwards from 0 the walk enters the route at its end.
    KeyboardRig back;
    back.light.Brightness(4).Direction(0);
    back.Select(12);
    back.Step();
    EXPECT_EQ(back.counters.sharedPosition.load(), kPathLength - 1);
    EXPECT_EQ(back.state.level[kPath[0]], KeyDecay(254));
    back.Step();
    back.Step();
    EXPECT_EQ(back.state.level[kPath[105]], KeyDecay(254));
}

TEST(KeyboardEffects, RingsShareOneColourPerRing) {
    KeyboardRig rig;
    rig.light.Brightness(4).Direction(1);
    rig.Select(13);
    const StepOutcome out = rig.Step();
    EXPECT_EQ(out.sleepMs, 10u);
    EXPECT_EQ(rig.state.position, 4);
    for (std::size_t k = 0; k < kRings.size(); ++k) {
        for (auto key : kRings[k]) {
            if (key != kNoKey) {
                EXPECT_EQ(rig.state.frame[key],
                          MakeTint(kColourWheel[(4 + 21 * (k + 1)) % 192], 255));
            }
        }
    }
    rig.light.Direction(0);
    rig.Step();
    rig.Step();
    rig.Step();
    EXPECT_EQ(rig.state.position, 190);
}

TEST(KeyboardEffects, ColumnPulseMovesAcrossColumns) {
    KeyboardRig rig;
    rig.light.Brightness(4).Cycle(1);
    rig.Select(11);
    std::array<int, kGridColumns> peakFrame{};
    peakFrame.fill(-1);
    for (int f = 0; f < 192; ++f) {
        rig.Step();
        for (std::size_t c = 0; c < kGridColumns; ++c) {
            std::set<Tint> tints;
            for (auto key : kKeyGrid[c]) {
                if (key != kNoKey) {
                    tints.insert(rig.state.frame[key]);
                }
            }
            EXPECT_EQ(tints.size(), 1u) << "column " << c << " frame " << f;
            if (TintOpacity(*tints.begin()) == (255 * 255) >> 8 && peakFrame[c] < 0) {
                peakFrame[c] = f;
            }
        }
    }
    for (std::size_t c = 1; c < kGridColumns; ++c) {
        EXPECT_EQ(peakFrame[c], peakFrame[c - 1] + 8) << c;
    }
}

TEST(KeyboardEffects, CustomLayerColoursAndBrightness) {
    KeyboardRig rig;
    rig.light.Brightness(4);
    for (std::size_t layer = 0; layer < kCustomLayerCount; ++layer) {
        for (std::size_t e = 0; e < kKeyboardKeyCount; ++e) {
            const std::size_t at = kCustomLayersOffset + layer * kCustomLayerSize + 3 * e;
            rig.record[at] = static_cast<std::uint8_t>(layer);
            rig.record[at + 1] = static_cast<std::uint8_t>(e);
            rig.record[at + 2] = static_cast<std::uint8_t>(e * 2);
        }
    }
    rig.record[kCustomLayerSelectOffset] = 3;
    rig.Select(8);
    rig.Step();
    EXPECT_EQ(rig.state.frame[51], MakeTint(Rgb{3, 51, 102}, 255));
    rig.record[kCustomLayerSelectOffset] = 9; // no such layer: the first
    rig.Step();
    EXPECT_EQ(rig.state.frame[51], MakeTint(Rgb{0, 51, 102}, 255));

    rig.model = 1;
    rig.record[kCustomLayerSelectOffset] = 1;
    rig.Select(6);
    rig.record[kCustomLayersOffset + kCustomLayerSize + 51] = 200; // byte 51 of layer 1
    rig.Step();
    EXPECT_EQ(TintOpacity(rig.state.frame[51]), (255 * 200) >> 8);
    EXPECT_EQ(TintOpacity(rig.state.frame[52]),
              (255 * 17) >> 8); // byte 52: entry 17, second byte
}

TEST(KeyboardEffects, SelectingPerKeySpectrumSpreadsTheHues) {
    KeyboardRig rig;
    rig.light.Brightness(2);
    rig.Select(4);
    rig.Step();
    for (std::size_t key = 0; key < kKeyboardKeyCount; ++key) {
        const unsigned start = (33 * (key + 1)) % 192;
        const unsigned hue = start >= 191 ? 0 : start + 1;
        EXPECT_EQ(rig.state.frame[key], MakeTint(kColourWheel[hue], 149)) << key;
    }
}
