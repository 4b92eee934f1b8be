#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class QLineEdit;

// Passes a text field's edits on when the user pauses or leaves the field, not
// at every keystroke: each settings write is a locked read-merge-write of the
// file on the UI thread. Until then the field keeps what was typed, even when
// the window reloads from the settings.
class DeferredTextWrite : public QObject {
    Q_OBJECT
public:
    DeferredTextWrite(QLineEdit& field, std::function<void(const QString&)> write);

    // Shows `text` unless an edit is still to be written.
    void show(const QString& text);
    // Writes an edit still waiting.
    void flush();

private:
    QLineEdit& field;
    std::function<void(const QString&)> write;
    QTimer pause;
    bool pending = false;
};
