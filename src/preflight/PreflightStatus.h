#pragma once

#include <QString>

// Where one checklist item stands. `text` is what the check observed or why it
// failed, for `passed` and `failed`, and why it cannot be checked here for
// `notAvailable`; empty otherwise.
struct PreflightStatus {
    enum class Case { passed, failed, notChecked, checking, manualOnly, notAvailable };

    static PreflightStatus passed(const QString& text) { return {Case::passed, text}; }
    static PreflightStatus failed(const QString& text) { return {Case::failed, text}; }
    static PreflightStatus notChecked() { return {Case::notChecked, {}}; }
    static PreflightStatus checking() { return {Case::checking, {}}; }
    static PreflightStatus manualOnly() { return {Case::manualOnly, {}}; }
    static PreflightStatus notAvailable() {
        return {Case::notAvailable, QStringLiteral("Not available on Linux")};
    }

    bool operator==(const PreflightStatus&) const = default;

    Case kind;
    QString text;
};
