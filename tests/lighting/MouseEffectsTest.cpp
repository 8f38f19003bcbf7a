#include "lighting/MouseEffects.h"

#include "TestLight.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace zk::lighting;
using zktest::LightRecord;

namespace {

struct MouseRig {
    LightRecord light;
    MouseEffectState state;
    MouseFrame frame{};
    SharedCounters counters;
    std::atomic<std::uint32_t> trigger{0};
    std::uint32_t now = 1000;

    StepOutcome Step() {
        return StepMouseEffect(state, light.View(), {counters, trigger, now}, frame);
    }
    // Columns whose three LEDs are lit.
    std::set<int> LitColumns() const {
        std::set<int> lit;
        for (std::size_t n = 0; n < kMouseColumns.size(); ++n) {
            bool on = true;
            for (auto led : kMouseColumns[n]) {
                on = on && TintOpacity(frame[led]) != 0;
            }
            if (on) {
                lit.insert(static_cast<int>(n));
            }
        }
        return lit;
    }
};

std::set<int> Range(int from, int to) {
    std::set<int> s;
    for (int i = from; i <= to; ++i) {
        s.insert(i);
    }
    return s;
}

} // namespace

TEST(MouseEffects, SingleColourWaveRunsBackwardsWithDirectionZero) {
    MouseRig rig;
    rig.light.Mode(0).Brightness(4).Cycle(0).Direction(0).Colour(10, 20, 30);
    std::vector<std::array<std::uint8_t, 7>> opacities;
    std::vector<int> positions;
    for (int f = 0; f < 97; ++f) {
        rig.Step();
        positions.push_back(rig.state.position);
        std::array<std::uint8_t, 7> o{};
        for (std::size_t n = 0; n < 7; ++n) {
            o[n] = TintOpacity(rig.frame[kMouseColumns[n][0]]);
            EXPECT_EQ(TintRgb(rig.frame[kMouseColumns[n][2]]), (Rgb{10, 20, 30}));
        }
        opacities.push_back(o);
    }
    for (int f = 0; f < 96; ++f) {
        EXPECT_EQ(positions[f], 95 - f);
    }
    EXPECT_EQ(positions[96], 95);
    // The wave travels: column n + 1 shows what column n showed 20 frames earlier.
    for (int f = 20; f < 97; ++f) {
        for (std::size_t n = 0; n + 1 < 7; ++n) {
            EXPECT_EQ(opacities[f][n + 1], opacities[f - 20][n]) << f << " " << n;
        }
    }
    std::set<int> distinct;
    for (const auto& o : opacities) {
        distinct.insert(o[0]);
    }
    EXPECT_GT(distinct.size(), 20u);
}

TEST(MouseEffects, FillLightsColumnsBelowOrAboveTheCount) {
    for (std::uint8_t direction : {0, 1}) {
        MouseRig rig;
        rig.light.Mode(4).Brightness(4).Cycle(0).Direction(direction).Colour(255, 0, 0);
        std::vector<int> counts;
        std::set<int> checked;
        for (int f = 0; f < 40; ++f) {
            rig.Step();
            const int count = rig.state.fillCount;
            counts.push_back(count);
            const auto lit = rig.LitColumns();
            if (direction == 0) {
                if (count == 0 || count == -1) {
                    EXPECT_TRUE(lit.empty()) << count;
                } else if (count == 7 || count == 8) {
                    EXPECT_EQ(lit, Range(0, 6)) << count;
                }
                EXPECT_EQ(lit, Range(0, std::min(count, 7) - 1)) << count;
            } else {
                if (count == 0) {
                    EXPECT_EQ(lit, Range(1, 6));
                } else if (count >= 6) {
                    EXPECT_TRUE(lit.empty()) << count;
                } else if (count == -1) {
                    EXPECT_EQ(lit, Range(0, 6));
                }
            }
            checked.insert(count);
        }
        // The count runs 1 … 8, 7 … 0, −1, 0, 1 …
        const std::vector<int> expected = {1, 2, 3, 4, 5, 6, 7,  8, 7, 6,
                                           5, 4, 3, 2, 1, 0, -1, 0, 1};
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), counts.begin()));
        for (int c : {0, 7, 8, -1}) {
            EXPECT_TRUE(checked.count(c)) << c;
        }
    }
}

TEST(MouseEffects, RippleFadesInElevenFramesAndShowsSevenOfTwentyThree) {
    MouseRig rig;
    rig.light.Mode(5).Brightness(4).Cycle(0).Direction(0).Colour(0, 0, 255);
    rig.state.Reset(0);
    std::vector<int> column0;
    int flashes = 0;
    for (int f = 0; f < 23 * 3; ++f) {
        rig.Step();
        column0.push_back(rig.state.columnLevel[0]);
        for (std::size_t n = 0; n < 7; ++n) {
            if (rig.state.columnLevel[n] == 215) {
                ++flashes;
                EXPECT_EQ(TintOpacity(rig.frame[kMouseColumns[n][0]]), (255 * 215) >> 8);
            }
        }
    }
    const std::vector<int> fade = {215, 175, 135, 95, 65, 35, 25, 17, 9, 5, 1, 0, 0};
    EXPECT_TRUE(std::equal(fade.begin(), fade.end(), column0.begin()));
    EXPECT_EQ(column0[23], 215); // the marker comes round again
    EXPECT_EQ(flashes, 7 * 3);
}

TEST(MouseEffects, RippleMarkerAtCellSevenRunsDownwardsWithDirection) {
    MouseRig rig;
    rig.light.Mode(5).Brightness(4).Cycle(1).Direction(1);
    rig.state.Reset(7);
    std::vector<int> order;
    for (int f = 0; f < 8; ++f) {
        const std::uint8_t before = rig.counters.frameCounter.load();
        rig.Step();
        for (std::size_t n = 0; n < 7; ++n) {
            if (rig.state.columnLevel[n] == 215) {
                order.push_back(static_cast<int>(n));
                // Each lit column takes the ripple hue moved on by 11.
                EXPECT_EQ(rig.state.columnColour[n], static_cast<std::uint8_t>(before + 11));
            }
        }
    }
    EXPECT_EQ(order, (std::vector<int>{6, 5, 4, 3, 2, 1, 0}));
}

TEST(MouseEffects, ReactiveFlashEndsOnTheFirstFrameAHundredMillisecondsOn) {
    MouseRig rig;
    rig.light.Mode(6).Brightness(4).Cycle(1);
    const Tint untouched = MakeTint(Rgb{1, 2, 3}, 77);
    rig.frame.fill(untouched);

    rig.Step();
    EXPECT_EQ(TintOpacity(rig.frame[0]), 0); // no flash yet

    rig.trigger = 1;
    rig.now = 5000;
    std::vector<bool> lit;
    for (std::uint32_t t : {5000u, 5030u, 5060u, 5090u, 5100u, 5130u}) {
        rig.now = t;
        rig.Step();
        lit.push_back(TintOpacity(rig.frame[0]) == 255);
        EXPECT_EQ(rig.frame[14], rig.frame[0]);
        EXPECT_EQ(rig.frame[15], untouched); // LEDs 15-19 are left alone
    }
    EXPECT_EQ(lit, (std::vector<bool>{true, true, true, true, true, false}));
    EXPECT_EQ(rig.trigger.load(), 0u);
    EXPECT_EQ(rig.state.flashHue, 14);
    EXPECT_EQ(TintRgb(rig.frame[0]), TintRgb(kDark));

    // A trigger during a flash restarts it with the next hue.
    rig.trigger = 1;
    rig.now = 6000;
    rig.Step();
    rig.trigger = 1;
    rig.now = 6080;
    rig.Step();
    EXPECT_EQ(rig.state.flashHue, 42);
    EXPECT_EQ(TintRgb(rig.frame[0]), kColourWheel[42]);
    rig.now = 6170;
    rig.Step();
    EXPECT_EQ(TintOpacity(rig.frame[0]), 255); // 90 ms after the second trigger
    rig.now = 6180;
    rig.Step();
    EXPECT_EQ(TintOpacity(rig.frame[0]), 255); // the last lit frame
    rig.now = 6190;
    rig.Step();
    EXPECT_EQ(TintOpacity(rig.frame[0]), 0);

    // The hue wraps to 0 when it reaches 192.
    rig.state.flashHue = 178;
    rig.trigger = 1;
    rig.Step();
    EXPECT_EQ(rig.state.flashHue, 0);
}

TEST(MouseEffects, BreathingAdvancesTheColourSetEachCycle) {
    MouseRig rig;
    rig.light.Mode(2).Brightness(4).Cycle(1).Direction(1);
    std::vector<int> sets;
    for (int f = 0; f < 128 * 3; ++f) {
        rig.Step();
        if (rig.state.position == 0) {
            sets.push_back(rig.light.Get(kLightStep));
            EXPECT_EQ(TintRgb(rig.frame[kMouseColumns[3][0]]), kMouseBreathingSets[sets.back()][3]);
        }
    }
    EXPECT_EQ(sets, (std::vector<int>{1, 2, 0}));
    rig.light.Set(kLightStep, 9); // out of range: set 0 until the next advance
    rig.Step();
    EXPECT_EQ(TintRgb(rig.frame[0]), kMouseBreathingSets[0][0]);
}

TEST(MouseEffects, BrightnessZeroHidesEveryMode) {
    for (std::uint8_t mode = 0; mode < kMouseModeCount; ++mode) {
        for (std::uint8_t cycle : {0, 1}) {
            for (std::uint8_t direction : {0, 1}) {
                MouseRig rig;
                rig.light.Mode(mode).Brightness(0).Cycle(cycle).Direction(direction).Colour(
                    255, 255, 255);
                rig.state.Reset(0);
                for (int f = 0; f < 200; ++f) {
                    if (f % 5 == 0) {
                        rig.trigger = 1;
                    }
                    rig.now += 30;
                    rig.Step();
                    for (Tint t : rig.frame) {
                        ASSERT_EQ(TintOpacity(t), 0) << int(mode) << " frame " << f;
                    }
                }
            }
        }
    }
}

TEST(MouseEffects, UnknownModeLeavesThePictureAlone) {
    MouseRig rig;
    rig.light.Mode(7).Brightness(4);
    const Tint before = MakeTint(Rgb{9, 9, 9}, 9);
    rig.frame.fill(before);
    const StepOutcome out = rig.Step();
    EXPECT_FALSE(out.knownMode);
    for (Tint t : rig.frame) {
        EXPECT_EQ(t, before);
    }
}
