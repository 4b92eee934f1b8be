#pragma once

#include "preflight/PreflightChecklistModel.h"

#include <QDialog>
#include <QList>
#include <optional>

class PreflightCheckRow;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

// "Pre-flight Checklist": the model's thirteen items in five sections, a
// run-all button whose title follows the pass, and a confirmation before every
// fix. The rows scroll when the screen is too short for them; the footer never
// does. It holds no results of its own; `model` must outlive it, and closing
// only hides it, so reopening shows the last results.
class PreflightChecklistView : public QDialog {
    Q_OBJECT
public:
    explicit PreflightChecklistView(PreflightChecklistModel& model, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // `symbol` as symbolIcon() takes it.
    void addSection(QVBoxLayout* body, const QString& title, const QString& symbol, const QList<int>& ids);
    void askToFix(int id);
    void showFooter();
    void fitHeight();

    PreflightChecklistModel& model;
    QScrollArea* rowsArea;
    QList<PreflightCheckRow*> rows;
    std::optional<int> pendingFixItem;
    QPushButton* runAllButton;
    QPushButton* closeButton;
};
