#include "lighting/KeyboardTables.h"

namespace zk::lighting {

namespace {
constexpr std::uint8_t E = kNoKey;
constexpr std::uint8_t N = kNoScriptKey;
} // namespace

namespace {
constexpr std::array<GridPlace, kKeyboardKeyCount> BuildPlaces() {
    std::array<GridPlace, kKeyboardKeyCount> places{};
    for (std::size_t col = 0; col < kGridColumns; ++col) {
        for (std::size_t row = 0; row < kGridRows; ++row) {
            const std::uint8_t key = kKeyGrid[col][row];
            if (key != kNoKey) {
                places[key] =
                    GridPlace{static_cast<std::uint8_t>(col), static_cast<std::uint8_t>(row)};
            }
        }
    }
    return places;
}
constexpr std::array<GridPlace, kKeyboardKeyCount> kPlaces = BuildPlaces();
} // namespace

GridPlace KeyPlace(std::size_t key) {
    return key < kKeyboardKeyCount ? kPlaces[key] : GridPlace{};
}

// Row 0 from right to left, down the left edge, row 5 and the right edge's
// lower keys, row 1 from right to left, then the remaining keys of rows 2 to 4
// as they are reached.
const std::array<std::uint8_t, kLitKeyCount> kSnakeOrder = {
    15, 14, 13,  12,  11,  10,  9,   8,   7,   6,   5,   4,   3,   2,   1,   0,   21,  42,
    63, 84, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 41,
    40, 39, 38,  37,  36,  35,  34,  33,  32,  31,  30,  29,  28,  27,  26,  25,  24,  23,
    22, 43, 64,  85,  86,  87,  88,  89,  90,  91,  92,  93,  94,  95,  96,  97,  98,  99,
    78, 61, 60,  59,  58,  57,  56,  55,  54,  53,  52,  51,  50,  49,  48,  47,  46,  45,
    44, 65, 66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77};

// The shuffle starts 88, 24, 101, 57, 49, 20, 5, 14, 16, 69; the other 94
// indices follow in the order (37 × j) mod 104 for j = 1, 2, …, each index
// taken the first time it comes up (37 is prime to 104, so every index does).
const std::array<std::uint8_t, kLitKeyCount> kRandomOrder = {
    88,  24, 101, 57, 49, 20, 5,  14, 16, 69, 37, 74, 7,   44, 81, 51, 21, 58, 95, 28, 65,
    102, 35, 72,  42, 79, 12, 86, 19, 56, 93, 26, 63, 100, 33, 70, 3,  40, 77, 10, 47, 84,
    17,  54, 91,  61, 98, 31, 68, 1,  38, 75, 8,  45, 82,  15, 52, 89, 22, 59, 96, 29, 66,
    103, 36, 73,  6,  43, 80, 13, 50, 87, 94, 27, 64, 34,  71, 4,  41, 78, 11, 48, 85, 18,
    55,  92, 25,  62, 99, 32, 2,  39, 76, 9,  46, 83, 53,  90, 23, 60, 97, 30, 67, 0};

// Row 0 left to right, row 1 right to left, row 2 left to right, down the
// right edge to row 3 and along it to the left (a gap where row 3 has no key),
// down to row 4 (a gap), along row 4 to the right, then row 5 from the right
// edge back to the left. The 107th entry is a gap before the route repeats.
const std::array<std::uint8_t, kPathLength> kPath = {
    0,  1,  2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  41, 40,
    39, 38, 37,  36,  35,  34,  33,  32,  31,  30,  29,  28,  27,  26,  25,  24,  23, 22,
    21, 42, 43,  44,  45,  46,  47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57, 58,
    59, 60, 61,  119, 78,  77,  76,  75,  E,   74,  73,  72,  71,  70,  69,  68,  67, 66,
    65, 64, 63,  84,  E,   85,  86,  87,  88,  89,  90,  91,  92,  93,  94,  95,  96, 97,
    98, 99, 118, 117, 116, 115, 114, 113, 112, 111, 110, 109, 108, 107, 106, 105, E};

// Rings around key 51 (column 10, row 2). Neighbouring places are (c, r ± 1),
// (c ± 1, r), (c − 1, r + 1) and (c + 1, r − 1), as ring 1 shows; ring k holds
// the keys at that hexagonal distance k, each ring ordered counter-clockwise
// on the picture starting above the centre. The far right of the grid lies
// beyond distance 11: ring 10 takes distances 10 and 11 and ring 11 the keys
// at 12 to 14, so that every lit key belongs to one ring.
const std::array<std::array<std::uint8_t, 12>, 12> kRings = {{
    {51, E, E, E, E, E, E, E, E, E, E, E},
    {30, 50, 71, 72, 52, 31, E, E, E, E, E, E},
    {7, 29, 49, 70, 91, 92, 93, 73, 53, 32, 9, 8},
    {6, 28, 48, 69, 90, 109, 94, 74, 54, 33, 10, E},
    {5, 27, 47, 68, 89, 108, 110, 55, 34, 11, E, E},
    {26, 46, 67, 88, 75, 12, E, E, E, E, E, E},
    {4, 25, 45, 66, 87, 111, 95, 56, 35, 13, E, E},
    {3, 24, 44, 65, 86, 57, 36, 14, E, E, E, E},
    {2, 23, 43, 64, 85, 107, 112, 58, 37, 15, E, E},
    {1, 22, 42, 63, 84, 106, 113, 96, 59, 38, E, E},
    {0, 21, 105, 114, 115, 97, 76, 77, 60, 61, 40, 39},
    {116, 117, 98, 99, 118, 78, 119, 41, E, E, E, E},
}};

const std::array<std::array<std::uint8_t, 6>, 20> kScriptRows = {{
    {0, 118, N, N, N, N},      {1, 117, N, N, N, N},     {2, 116, N, N, N, N},
    {3, 115, 21, 118, N, N},   {4, 114, 22, 99, N, N},   {5, 113, 23, 98, N, N},
    {6, 112, 24, 97, 42, 119}, {7, 111, 25, 96, 43, 78}, {8, 110, 26, 95, 44, 77},
    {9, 109, 27, 94, 45, 76},  {33, 92, 28, 93, 46, N},  {54, 71, 29, 92, 47, N},
    {74, 50, 30, 71, 48, 75},  {94, 30, 31, 50, 49, 74}, {93, 31, 52, 30, 50, 73},
    {92, 32, 72, 31, 51, 72},  {71, 33, 71, 52, 52, 71}, {50, 54, 50, 72, 53, N},
    {30, 74, N, N, N, N},      {31, 94, N, N, N, N},
}};

const std::array<std::array<std::uint8_t, 2>, 16> kScriptPairs = {{
    {30, 94},
    {31, 93},
    {32, 92},
    {33, 71},
    {54, 50},
    {74, 30},
    {94, 31},
    {93, 32},
    {92, 33},
    {71, 54},
    {50, 74},
    {51, 73},
    {52, 72},
    {53, 51},
    {73, 52},
    {72, 53},
}};

// Column k starts at phase (192 − 8 × k) mod 192 on every row: column 0 is at
// the start of its pulse and each column to the right follows 8 frames later,
// so the pulse runs from left to right across the 23 columns (184 frames) and
// starts again.
namespace {
constexpr std::array<std::array<std::uint8_t, kGridRows>, kGridColumns> BuildPulsePhases() {
    std::array<std::array<std::uint8_t, kGridRows>, kGridColumns> t{};
    for (std::size_t col = 0; col < kGridColumns; ++col) {
        for (auto& phase : t[col]) {
            phase = static_cast<std::uint8_t>((192 - 8 * col) % 192);
        }
    }
    return t;
}
} // namespace
const std::array<std::array<std::uint8_t, kGridRows>, kGridColumns> kPulsePhases =
    BuildPulsePhases();

// The free pulse runs the other way: column 22 starts and each column to the
// left follows 8 frames later.
std::uint8_t FreePulsePhase(std::size_t column) {
    const std::size_t fromRight = column < kGridColumns ? kGridColumns - 1 - column : 0;
    return static_cast<std::uint8_t>((192 - 8 * fromRight) % 192);
}

// Entry i of a layer belongs to key i, for every key that has a grid place;
// the keys without a place are left as they are. Model 1 keeps the brightness
// of key i in byte i of the layer.
namespace {
constexpr std::array<std::uint8_t, kKeyboardKeyCount> BuildKeyMap() {
    std::array<std::uint8_t, kKeyboardKeyCount> map{};
    for (std::size_t key = 0; key < kKeyboardKeyCount; ++key) {
        map[key] = kPlaces[key].column != 0xFF ? static_cast<std::uint8_t>(key) : kNoKey;
    }
    return map;
}
} // namespace

const std::array<std::uint8_t, kKeyboardKeyCount> kColourMap = BuildKeyMap();
const std::array<std::uint8_t, kKeyboardKeyCount> kBrightnessMap = BuildKeyMap();

} // namespace zk::lighting
