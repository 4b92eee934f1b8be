#pragma once

#include <QString>

// The one outcome of a script sent to Capture One. `text` carries the value of
// `value` and the message of `scriptError`, and is empty for the other cases.
struct ScriptResult {
    enum class Case { value, scriptError, permissionDenied, notRunning, noCameraAvailable };

    static ScriptResult value(const QString& text) { return {Case::value, text}; }
    static ScriptResult scriptError(const QString& message) { return {Case::scriptError, message}; }
    static ScriptResult permissionDenied() { return {Case::permissionDenied, {}}; }
    static ScriptResult notRunning() { return {Case::notRunning, {}}; }
    static ScriptResult noCameraAvailable() { return {Case::noCameraAvailable, {}}; }

    bool operator==(const ScriptResult&) const = default;

    Case kind;
    QString text;
};
