#include "platform/LinuxApplicationScripting.h"

ApplicationScripting::ScriptRun LinuxApplicationScripting::runScript(const QString&) {
    return {};
}

QStringList LinuxApplicationScripting::runningApplicationIdentifiers() const {
    return {};
}

QVariant LinuxApplicationScripting::preferenceValue(const QString&, const QString&) const {
    return {};
}

// With no reader on this system a written preference would only mislead the next
// check into passing.
void LinuxApplicationScripting::setPreferenceValue(const QString&, const QString&, const QVariant&) {}

void LinuxApplicationScripting::synchronize(const QString&) {}
