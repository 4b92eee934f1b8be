#include "monitor/SignalState.h"

using namespace std::chrono_literals;

QString stateName(SignalState state) {
    switch (state) {
    case SignalState::excellent:
        return QStringLiteral("Excellent");
    case SignalState::marginal:
        return QStringLiteral("Marginal");
    case SignalState::critical:
        return QStringLiteral("Critical");
    case SignalState::offline:
        return QStringLiteral("Offline");
    }
    return {};
}

RgbColour stateColour(SignalState state) {
    switch (state) {
    case SignalState::excellent:
        return Colour::excellentTeal;
    case SignalState::marginal:
        return Colour::systemYellow;
    case SignalState::critical:
        return Colour::systemRed;
    case SignalState::offline:
        return Colour::systemGrey;
    }
    return Colour::systemGrey;
}

std::optional<RgbColour> stateFlashColour(SignalState state) {
    if (!isAlertingState(state))
        return std::nullopt;
    return stateColour(state);
}

std::optional<std::chrono::milliseconds> stateFlashHalfPeriod(SignalState state) {
    switch (state) {
    case SignalState::marginal:
        return 1000ms;
    case SignalState::critical:
        return 250ms;
    case SignalState::excellent:
    case SignalState::offline:
        break;
    }
    return std::nullopt;
}

QString stateMessage(SignalState state) {
    switch (state) {
    case SignalState::excellent:
        return QStringLiteral("Signal excellent");
    case SignalState::marginal:
        return QStringLiteral("Signal marginal \u2014 move closer to router");
    case SignalState::critical:
        return QStringLiteral("Signal critical \u2014 connection at risk");
    case SignalState::offline:
        return QStringLiteral("Device offline");
    }
    return {};
}

bool isAlertingState(SignalState state) {
    return state == SignalState::marginal || state == SignalState::critical;
}
