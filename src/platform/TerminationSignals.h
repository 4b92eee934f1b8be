#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a Qt signal on the main thread, so a logout or
// Ctrl-C takes the same clean path as "Quit Veltrano".
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Must run before any other thread starts (before the application object),
    // so that every thread inherits the blocked mask and the signals wait for
    // the descriptor instead of killing the process.
    static void blockInThisThread();

    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    void drain();

    int descriptor = -1;
    QSocketNotifier* notifier = nullptr;
};
