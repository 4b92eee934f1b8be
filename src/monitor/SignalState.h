#pragma once

#include "monitor/RgbColour.h"

#include <QString>
#include <chrono>
#include <optional>

// The ordinal order is relied upon: other parts index tables by it.
enum class SignalState { excellent, marginal, critical, offline };

// "Excellent", "Marginal", "Critical", "Offline": the text of logs and menus.
QString stateName(SignalState state);
RgbColour stateColour(SignalState state);
// None for the states that never flash.
std::optional<RgbColour> stateFlashColour(SignalState state);
// The interval of the timer that toggles the flash phase, so a full on/off cycle
// takes twice as long. None for the states that never flash.
std::optional<std::chrono::milliseconds> stateFlashHalfPeriod(SignalState state);
// The session-log text of a change into this state.
QString stateMessage(SignalState state);
// Only these states sound, flash and show the alert menu items.
bool isAlertingState(SignalState state);
