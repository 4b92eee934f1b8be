#include "display/FloatingSignalState.h"

#include <QCoreApplication>

FloatingSignalState& FloatingSignalState::shared() {
    // Never destroyed: flash timers may still write to it while the process ends.
    static auto* const state = new FloatingSignalState;
    return *state;
}

namespace {

// Only a real change notifies: every poll and flash step writes the same labels
// and colours again, and each notification costs the view a repaint.
template <typename T> bool assign(T& field, const T& value) {
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

void FloatingSignalState::setColorA(std::optional<RgbColour> colour) {
    if (assign(a, colour))
        Q_EMIT changed();
}

void FloatingSignalState::setColorB(std::optional<RgbColour> colour) {
    if (assign(b, colour))
        Q_EMIT changed();
}

void FloatingSignalState::setLabelA(const QString& label) {
    if (assign(textA, label))
        Q_EMIT changed();
}

void FloatingSignalState::setLabelB(const QString& label) {
    if (assign(textB, label))
        Q_EMIT changed();
}
