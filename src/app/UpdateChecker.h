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
    using QObject::QObject;

    void checkForUpdates();

private:
    void showInstallationNote();

    QPointer<QMessageBox> note;
};
