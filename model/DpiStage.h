#pragma once
// Sensitivity stages: the entry a profile stores per stage, the working copy of a profile's
// stage settings that the performance page hands to its popups, and the product's factory
// stage values and the rules that address and clamp stage values.

#include "platform/base/WinTypes.h"

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

// One entry of a profile's stage array; a new entry is all zero.
struct DpiStage {
    LONG dpi = 0;
    LONG dpiX = 0;
    LONG dpiY = 0;
    BYTE separateXY = 0;

    friend bool operator==(const DpiStage&, const DpiStage&) = default;
};

// One row of a DpiStageSet.
struct DpiStageEntry {
    LONG dpi = 0;
    LONG dpiX = 0;
    LONG dpiY = 0;
    BYTE selected = 0; // this is the active stage
    BYTE enabled = 0;  // the row lies below stageCount
    BYTE separateXY = 0;

    friend bool operator==(const DpiStageEntry&, const DpiStageEntry&) = default;
};

// A working copy of one profile's stage settings, owned by the code that builds it.
struct DpiStageSet {
    LONG min = 0;
    LONG max = 0;
    LONG step = 0;
    LONG stageCount = 0;
    LONG activeStage = 0; // 1-based
    std::vector<DpiStageEntry> stages;

    // Rows from stageCount up to the fifth row get the factory values of their row in dpi,
    // dpiX and dpiY and lose their flags; rows below the count stay. Only rows that exist in
    // the set are written.
    void ResetUnusedStages();
};

// Limits of a profile's stage array.
inline constexpr UINT MIN_STAGE_CAPACITY = 1;
inline constexpr UINT MAX_STAGE_CAPACITY = 10;

// Factory settings of the sensitivity.
inline constexpr std::array<LONG, 5> FACTORY_STAGE_DPI = {800, 1200, 1800, 4000, 5600};
inline constexpr LONG FACTORY_DPI_MIN = 100;
inline constexpr LONG FACTORY_DPI_MAX = 5600;
inline constexpr LONG FACTORY_DPI_STEP = 100;
inline constexpr LONG FACTORY_ACTIVE_STAGE = 3;
inline constexpr UINT FACTORY_STAGE_COUNT = 5;
inline constexpr UINT FACTORY_STAGE_CAPACITY = 5;
inline constexpr LONG FACTORY_DPI = 1800;

// The entry that a 1-based stage number addresses in an array of `capacity` entries: stage s
// is entry s - 1 and a number above the capacity (compared unsigned, so negative numbers too)
// means the last entry. Stage number 0 and an empty array address nothing.
std::optional<size_t> StageEntryIndex(LONG stage, size_t capacity);

// A stage value clamped to min..max (compared as signed numbers, maximum first, so a negative
// value gives the minimum).
LONG ClampStageValue(LONG value, LONG min, LONG max);

// The stored active-stage index (-1 = none) that SetActiveStage (stage) leaves in an array of
// `capacity` entries: an empty array gives 0, a number at or above the capacity the last
// entry, otherwise stage - 1 (so 0 and negative numbers give -1).
LONG ActiveStageIndex(LONG stage, UINT capacity);
