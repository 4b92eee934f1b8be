#pragma once

#include <QObject>
#include <QPointer>

class QMessageBox;

// "Check for Updates…" on Linux: the software centre's page of the program
// when the desktop has one, otherwise a note of the running version and of how
// this copy is updated. Makes no network request of its own.
class UpdateChecker : public QObject {
    Q_OBJECT
public:
    // In demo mode the note's title says so.
    explicit UpdateChecker(bool demo, QObject* parent = nullptr);

    void checkForUpdates();

private:
    void showInstallationNote();

    const bool demo;
    QPointer<QMessageBox> note;
};
