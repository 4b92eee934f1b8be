#pragma once

#include "app/WhatsNewEntry.h"

#include <QList>
#include <QWidget>

class QVBoxLayout;

// "What's New in Veltrano": the notes of the builds since the one that ran
// before, under a header naming the running build. "Got it" hides it.
class WhatsNewWindow : public QWidget {
    Q_OBJECT
public:
    explicit WhatsNewWindow(QWidget* parent = nullptr);

    // Lists `entries` in the order given, fits the window to them and centres it.
    void present(const QList<WhatsNewEntry>& entries);

private:
    QWidget* header();
    void addEntry(const WhatsNewEntry& entry);

    QVBoxLayout* entryRows;
};
