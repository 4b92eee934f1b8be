#pragma once

#include "preflight/PreflightChecklistModel.h"

#include <QDialog>
#include <QList>
#include <QStyle>
#include <optional>

class PreflightCheckRow;
class QPushButton;
class QVBoxLayout;

// "Pre-flight Checklist": the model's thirteen items in five sections, a
// run-all button whose title follows the pass, and a confirmation before every
// fix. It holds no results of its own; `model` must outlive it, and closing
// only hides it, so reopening shows the last results.
class PreflightChecklistView : public QDialog {
    Q_OBJECT
public:
    explicit PreflightChecklistView(PreflightChecklistModel& model, QWidget* parent = nullptr);

private:
    // A freedesktop icon name, and the style's icon where the theme has none.
    struct SectionIcon {
        QString themeName;
        QStyle::StandardPixmap fallback;
    };

    void addSection(QVBoxLayout* body, const QString& title, const SectionIcon& icon, const QList<int>& ids);
    void askToFix(int id);
    void showFooter();
    void fitHeight();

    PreflightChecklistModel& model;
    QList<PreflightCheckRow*> rows;
    std::optional<int> pendingFixItem;
    QPushButton* runAllButton;
    QPushButton* closeButton;
};
