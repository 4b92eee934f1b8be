#include "windows/DeferredTextWrite.h"

#include <QLineEdit>
#include <chrono>
#include <utility>

namespace {

constexpr auto typingPause = std::chrono::milliseconds(600);

} // namespace

DeferredTextWrite::DeferredTextWrite(QLineEdit& field, std::function<void(const QString&)> write)
    : QObject(&field)
    , field(field)
    , write(std::move(write)) {
    pause.setSingleShot(true);
    pause.setInterval(typingPause);
    connect(&pause, &QTimer::timeout, this, &DeferredTextWrite::flush);
    connect(&field, &QLineEdit::textEdited, this, [this] {
        pending = true;
        pause.start();
    });
    connect(&field, &QLineEdit::editingFinished, this, &DeferredTextWrite::flush);
}

void DeferredTextWrite::show(const QString& text) {
    if (!pending && field.text() != text)
        field.setText(text);
}

void DeferredTextWrite::flush() {
    pause.stop();
    if (!std::exchange(pending, false))
        return;
    write(field.text());
}
