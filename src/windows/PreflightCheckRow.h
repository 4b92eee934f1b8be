#pragma once

#include "preflight/PreflightCheckItem.h"

#include <QFrame>

class QLabel;
class QProgressBar;
class QPushButton;

// One checklist item in its rounded box: status icon, title and restart note,
// what the check saw (or the hint of a manual item), and its Check and Fix It
// buttons. It shows what it is given and asks the window for every action.
class PreflightCheckRow : public QFrame {
    Q_OBJECT
public:
    explicit PreflightCheckRow(const PreflightCheckItem& item, QWidget* parent = nullptr);

    void showStatus(const PreflightStatus& status);

Q_SIGNALS:
    void checkRequested(int id);
    void fixRequested(int id);

private:
    const std::optional<QString> manualHint;
    QLabel* statusIcon;
    QProgressBar* spinner;
    QLabel* detail;
    QPushButton* fixButton = nullptr;
};
