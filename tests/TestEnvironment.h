#pragma once

#include <QString>
#include <QTemporaryDir>
#include <functional>

// Keeps tests away from the real home: every test that touches files gets its own
// XDG folders, removed afterwards.
class TestEnvironment {
public:
    // Before the application object exists: offscreen platform (when unset), fixed
    // zone and locale, and XDG folders inside a throwaway directory.
    static void prepareProcess();

    TestEnvironment();
    QString configHome() const;
    QString dataHome() const;
    QString path(const QString& relative) const;

private:
    QTemporaryDir root;
};

// Runs the main queue until `done` holds or the time runs out.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);
