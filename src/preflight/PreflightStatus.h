#pragma once

#include <QString>

// Where one checklist item stands. `text` is what the check observed or why it
// failed, for `passed` and `failed`; empty otherwise.
struct PreflightStatus {
    enum class Case { passed, failed, notChecked, checking, manualOnly };

    static PreflightStatus passed(const QString& text) { return {Case::passed, text}; }
    static PreflightStatus failed(const QString& text) { return {Case::failed, text}; }
    static PreflightStatus notChecked() { return {Case::notChecked, {}}; }
    static PreflightStatus checking() { return {Case::checking, {}}; }
    static PreflightStatus manualOnly() { return {Case::manualOnly, {}}; }

    bool operator==(const PreflightStatus&) const = default;

    Case kind;
    QString text;
};
