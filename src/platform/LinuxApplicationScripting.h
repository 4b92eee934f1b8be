#pragma once

#include "preflight/ApplicationScripting.h"

// Capture One has no Linux release and Linux has no inter-application scripting,
// so here nothing scriptable runs and no foreign preference is stored.
class LinuxApplicationScripting final : public ApplicationScripting {
public:
    bool reachesApplications() const override { return false; }
    ScriptRun runScript(const QString& source) override;
    QStringList runningApplicationIdentifiers() const override;
    QVariant preferenceValue(const QString& domain, const QString& key) const override;
    void setPreferenceValue(const QString& domain, const QString& key, const QVariant& value) override;
    void synchronize(const QString& domain) override;
};
