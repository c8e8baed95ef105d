#include "model/DpiStage.h"

#include <algorithm>

void DpiStageSet::ResetUnusedStages() {
    const size_t first = static_cast<size_t>(std::max<LONG>(stageCount, 0));
    const size_t end = std::min(FACTORY_STAGE_DPI.size(), stages.size());
    for (size_t row = first; row < end; ++row) {
        DpiStageEntry& entry = stages[row];
        entry.dpi = FACTORY_STAGE_DPI[row];
        entry.dpiX = FACTORY_STAGE_DPI[row];
        entry.dpiY = FACTORY_STAGE_DPI[row];
        entry.selected = 0;
        entry.enabled = 0;
        entry.separateXY = 0;
    }
}

std::optional<size_t> StageEntryIndex(LONG stage, size_t capacity) {
    if (stage == 0 || capacity == 0) {
        return std::nullopt;
    }
    // Compared unsigned: a negative number lies above every capacity and so means the last
    // entry, like any other number beyond the array.
    const auto number = static_cast<size_t>(static_cast<ULONG>(stage));
    return number > capacity ? capacity - 1 : number - 1;
}

LONG ClampStageValue(LONG value, LONG min, LONG max) {
    if (value > max) {
        return max;
    }
    if (value < min) {
        return min;
    }
    return value;
}

LONG ActiveStageIndex(LONG stage, UINT capacity) {
    if (capacity == 0) {
        return 0;
    }
    if (stage >= 0 && static_cast<UINT>(stage) >= capacity) {
        return static_cast<LONG>(capacity) - 1;
    }
    return stage >= 1 ? stage - 1 : -1;
}
