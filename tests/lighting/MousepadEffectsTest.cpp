#include "lighting/MousepadEffects.h"

#include "TestLight.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace zk::lighting;
using zktest::LightRecord;

namespace {

struct PadRig {
    LightRecord light;
    MousepadEffectState state;
    MousepadFrame frame{};
    SharedCounters counters;
    std::atomic<std::uint32_t> trigger{0};
    std::uint32_t now = 1000;

    StepOutcome Step() {
        return StepMousepadEffect(state, light.View(), {counters, trigger, now}, frame);
    }
    // The lit columns as text, e.g. "0-3" or "6" or "" (none).
    std::string LitColumns() const {
        std::vector<int> lit;
        for (std::size_t k = 0; k < kMousepadColumns.size(); ++k) {
            bool on = true;
            for (auto led : kMousepadColumns[k]) {
                on = on && (led == kNoLed || TintOpacity(frame[led]) != 0);
            }
            if (on) {
                lit.push_back(static_cast<int>(k));
            }
        }
        if (lit.empty()) {
            return "";
        }
        for (std::size_t i = 1; i < lit.size(); ++i) {
            EXPECT_EQ(lit[i], lit[i - 1] + 1) << "a bar has no holes";
        }
        return lit.size() == 1 ? std::to_string(lit[0])
                               : std::to_string(lit.front()) + "-" + std::to_string(lit.back());
    }
};

} // namespace

TEST(MousepadEffects, BarSweepCrossesPausesAndComesBack) {
    for (std::uint8_t direction : {0, 1}) {
        PadRig rig;
        rig.light.Mode(7).Brightness(4).Cycle(1).Direction(direction);
        std::vector<std::string> seen;
        std::vector<int> firstHues;
        for (int f = 0; f < 31 * 2; ++f) {
            const StepOutcome out = rig.Step();
            if (!out.drawn) {
                EXPECT_EQ(out.sleepMs, kBarPauseMs);
                seen.push_back("pause");
                continue;
            }
            EXPECT_EQ(out.sleepMs, 0u);
            seen.push_back(rig.LitColumns());
            firstHues.push_back(rig.state.position);
        }
        const std::vector<std::string> cycle = {
            "0",   "0-1", "0-2", "0-3",   "0-4", "0-5", "1-6", "2-6", "3-6",  "4-6", "5-6",
            "6",   "",    "",    "pause", "",    "",    "6",   "5-6", "4-6",  "3-6", "2-6",
            "1-6", "0-5", "0-4", "0-3",   "0-2", "0-1", "0",   "",    "pause"};
        ASSERT_EQ(seen.size(), cycle.size() * 2);
        for (std::size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i], cycle[i % cycle.size()]) << "frame " << i;
        }
        // The colours always step backwards round the wheel.
        EXPECT_EQ(firstHues[0], 191);
        for (std::size_t i = 1; i < firstHues.size(); ++i) {
            EXPECT_EQ(firstHues[i], (firstHues[i - 1] + 191) % 192);
        }
    }
}

TEST(MousepadEffects, BarSweepColoursStepTwentyPerLitColumn) {
    PadRig rig;
    rig.light.Mode(7).Brightness(4).Cycle(1);
    for (int f = 0; f < 6; ++f) {
        rig.Step(); // columns 0-5 lit after the sixth frame
    }
    const unsigned hue = rig.state.position;
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(TintRgb(rig.frame[kMousepadColumns[k][0]]), kColourWheel[(hue + 20 * k) % 192]);
    }
    EXPECT_EQ(TintOpacity(rig.frame[14]), 0);
}

TEST(MousepadEffects, ColumnSpectrumUsesWheelColoursEvenWithColourCycleOff) {
    PadRig rig;
    rig.light.Mode(6).Brightness(4).Cycle(0).Direction(1).Colour(1, 2, 3);
    for (int f = 0; f < 5; ++f) {
        rig.Step();
        const unsigned pos = rig.state.position;
        EXPECT_EQ(pos, unsigned(f + 1));
        for (std::size_t k = 0; k < kMousepadColumns.size(); ++k) {
            for (auto led : kMousepadColumns[k]) {
                if (led != kNoLed) {
                    EXPECT_EQ(rig.frame[led], MakeTint(kColourWheel[(pos + 7 * k) % 192], 255));
                }
            }
        }
    }
}

TEST(MousepadEffects, FillReachesAllLedsAtFifteenAndLightsAboveTheCountWithDirection) {
    for (std::uint8_t direction : {0, 1}) {
        PadRig rig;
        rig.light.Mode(4).Brightness(4).Cycle(1).Direction(direction);
        std::vector<int> counts;
        for (int f = 0; f < 40; ++f) {
            rig.Step();
            const int count = rig.state.fillCount;
            counts.push_back(count);
            for (int i = 0; i < 15; ++i) {
                const bool lit = direction == 0 ? i < count : i > count;
                ASSERT_EQ(TintOpacity(rig.frame[static_cast<std::size_t>(i)]) != 0, lit)
                    << "count " << count << " LED " << i;
                if (lit) {
                    EXPECT_EQ(TintRgb(rig.frame[static_cast<std::size_t>(i)]), kColourWheel[7 * i]);
                }
            }
        }
        EXPECT_EQ(counts[14], 15);
        EXPECT_EQ(counts[15], 14);
        EXPECT_EQ(counts[29], 0);
        EXPECT_EQ(counts[30], -1);
        EXPECT_EQ(counts[31], 0);
    }
}

TEST(MousepadEffects, RippleMovesRoundTheRingAndFades) {
    PadRig rig;
    rig.light.Mode(5).Brightness(4).Cycle(1).Direction(0);
    rig.state.Reset(true);
    std::vector<int> led0;
    for (int f = 0; f < 15; ++f) {
        rig.Step();
        EXPECT_EQ(rig.state.ledLevel[static_cast<std::size_t>(f)], 225) << f;
        led0.push_back(rig.state.ledLevel[0]);
    }
    const std::vector<int> fade = {225, 195, 165, 135, 105, 85, 65, 45, 35, 25, 20, 15, 14, 13, 12};
    EXPECT_EQ(led0, fade);
    EXPECT_EQ(MousepadRippleDecay(1), 0);
    EXPECT_EQ(MousepadRippleDecay(0), 0);
    // Fifteen markers handed out fifteen hues, 11 apart.
    EXPECT_EQ(rig.counters.frameCounter.load(), static_cast<std::uint8_t>(15 * 11));
}

TEST(MousepadEffects, ReactiveFlashesAllLedsUntilAHundredMillisecondsPass) {
    PadRig rig;
    rig.light.Mode(8).Brightness(3).Cycle(0).Colour(7, 8, 9);
    rig.Step();
    EXPECT_EQ(rig.frame[3], kDark);
    rig.trigger = 1;
    rig.now = 2000;
    rig.Step();
    for (Tint t : rig.frame) {
        EXPECT_EQ(t, MakeTint(Rgb{7, 8, 9}, 201));
    }
    rig.now = 2100;
    rig.Step();
    EXPECT_EQ(TintOpacity(rig.frame[0]), 201);
    rig.now = 2110;
    rig.Step();
    EXPECT_EQ(rig.frame[0], kDark);
}

TEST(MousepadEffects, BrightnessZeroHidesEveryMode) {
    for (std::uint8_t mode = 0; mode < kMousepadModeCount; ++mode) {
        for (std::uint8_t cycle : {0, 1}) {
            for (std::uint8_t direction : {0, 1}) {
                PadRig rig;
                rig.light.Mode(mode).Brightness(0).Cycle(cycle).Direction(direction).Colour(
                    255, 255, 255);
                rig.state.Reset(true);
                for (int f = 0; f < 120; ++f) {
                    rig.trigger = f % 4 == 0 ? 1 : 0;
                    rig.now += 40;
                    rig.Step();
                    for (Tint t : rig.frame) {
                        ASSERT_EQ(TintOpacity(t), 0) << int(mode) << " frame " << f;
                    }
                }
            }
        }
    }
}
