#pragma once

#include "preflight/PreflightStatus.h"

#include <QString>
#include <functional>
#include <optional>

// Decides only the section the checklist window lists an item in.
enum class PreflightTier { hard, recommendation };

// One line of the pre-flight checklist. Items without `check` are the ones only
// the photographer can verify, by `manualHint`; an item that reads the camera
// has one too, for when nothing can read it.
struct PreflightCheckItem {
    using Check = std::function<void(std::function<void(const PreflightStatus&)>)>;
    using Fix = std::function<void(std::function<void(bool)>)>;

    int id = 0;
    QString title{};
    PreflightTier tier = PreflightTier::hard;
    std::optional<QString> restartNote{};
    std::optional<QString> manualHint{};
    Check check{};
    Fix fix{};
    std::optional<QString> fixConfirmationText{};
    PreflightStatus status = PreflightStatus::notChecked();
};
