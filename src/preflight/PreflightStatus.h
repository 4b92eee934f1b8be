#pragma once

#include <QString>

// Where one checklist item stands. `text` is what the check observed or why it
// failed, for `passed`, `warning` and `failed`, why it cannot be checked here
// for `notAvailable` and `couldNotCheck`; empty otherwise.
struct PreflightStatus {
    enum class Case {
        passed,
        warning,
        failed,
        notChecked,
        checking,
        manualOnly,
        notAvailable,
        couldNotCheck
    };

    static PreflightStatus passed(const QString& text) { return {Case::passed, text}; }
    static PreflightStatus warning(const QString& text) { return {Case::warning, text}; }
    static PreflightStatus failed(const QString& text) { return {Case::failed, text}; }
    // A failure the item's fix cannot mend, so none is offered.
    static PreflightStatus failedBeyondFix(const QString& text) { return {Case::failed, text, false}; }
    static PreflightStatus notChecked() { return {Case::notChecked, {}}; }
    static PreflightStatus checking() { return {Case::checking, {}}; }
    static PreflightStatus manualOnly() { return {Case::manualOnly, {}}; }
    static PreflightStatus notAvailable() {
        return {Case::notAvailable, QStringLiteral("Not available on Linux")};
    }
    static PreflightStatus couldNotCheck(const QString& why) {
        return {Case::couldNotCheck, QStringLiteral("Could not check: ") + why};
    }

    // Whether a pass can be complete with the item standing here: nothing
    // left to do about it on this computer.
    bool isSettled() const {
        return kind == Case::passed || kind == Case::warning || kind == Case::manualOnly ||
               kind == Case::notAvailable || kind == Case::couldNotCheck;
    }

    bool operator==(const PreflightStatus&) const = default;

    Case kind;
    QString text;
    bool fixable = true;
};
