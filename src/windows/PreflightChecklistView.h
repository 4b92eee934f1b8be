#pragma once

#include "preflight/ComputerChecklistModel.h"
#include "preflight/PreflightChecklistModel.h"

#include <QDialog>
#include <QList>
#include <functional>
#include <optional>

class PreflightCheckRow;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

// "Pre-flight Checklist": the model's thirteen items in five sections and the
// checks of this computer in a sixth, a run-all button whose title follows both
// passes, and a confirmation before every fix. The rows scroll when the screen
// is too short for them; the footer never does. It holds no results of its
// own; the models must outlive it, and closing only hides it, so reopening
// shows the last results.
class PreflightChecklistView : public QDialog {
    Q_OBJECT
public:
    PreflightChecklistView(PreflightChecklistModel& model, ComputerChecklistModel& computer,
                           QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // `symbol` as symbolIcon() takes it.
    void addSection(QVBoxLayout* body, const QString& title, const QString& symbol, const QList<int>& ids);
    void addComputerSection(QVBoxLayout* body);
    void addHeader(QVBoxLayout* body, const QString& title, const QString& symbol);
    // Runs `apply` once the photographer confirms `text`.
    void askToFix(const std::optional<QString>& text, std::function<void()> apply);
    void showFooter();
    void fitHeight();

    PreflightChecklistModel& model;
    ComputerChecklistModel& computer;
    QScrollArea* rowsArea;
    QList<PreflightCheckRow*> rows;
    QList<PreflightCheckRow*> computerRows;
    QPushButton* runAllButton;
    QPushButton* closeButton;
};
