#pragma once

#include "display/ClientPickerSheet.h"

#include <QDialog>

class QLabel;
class SettingsStore;

// "Select Device": the router's wireless clients as rows to tap, the targets
// among them badged. Window-modal over the settings window and deleted on
// close; a choice comes back as deviceChosen, Cancel sends nothing.
class ClientPickerDialog : public QDialog {
    Q_OBJECT
public:
    // Names are read from `settings` now, as the rows are built.
    ClientPickerDialog(ClientPickerSheet sheet, const SettingsStore& settings, QWidget* parent = nullptr);

Q_SIGNALS:
    void deviceChosen(const RouterClient& row);

private:
    QWidget* header();
    QWidget* clientRow(const RouterClient& client, const SettingsStore& settings);

    ClientPickerSheet sheet;
    QLabel* bothAssignedNote;
};
