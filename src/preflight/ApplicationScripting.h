#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

// The three facilities the pre-flight bridge needs from the desktop: running a
// script text inside another application, the identifiers of the applications
// that run now, and another application's preference domain. Every operation
// may be called from any thread.
class ApplicationScripting {
public:
    // What one run of a script text gave, as the platform reports it.
    struct ScriptRun {
        struct ErrorRecord {
            std::optional<int> number;
            std::optional<QString> message;
        };
        bool compiled = false;
        std::optional<ErrorRecord> error;
        std::optional<QString> stringValue;
    };

    ApplicationScripting() = default;
    ApplicationScripting(const ApplicationScripting&) = delete;
    ApplicationScripting& operator=(const ApplicationScripting&) = delete;
    virtual ~ApplicationScripting() = default;

    // Whether this system runs scripts inside other applications at all.
    virtual bool reachesApplications() const = 0;
    // Compiles and runs `source`, blocking until it ends.
    virtual ScriptRun runScript(const QString& source) = 0;
    virtual QStringList runningApplicationIdentifiers() const = 0;
    // An invalid value when the key is missing.
    virtual QVariant preferenceValue(const QString& domain, const QString& key) const = 0;
    virtual void setPreferenceValue(const QString& domain, const QString& key, const QVariant& value) = 0;
    // Pushes the domain's stored values to where the other application reads them.
    virtual void synchronize(const QString& domain) = 0;
};
