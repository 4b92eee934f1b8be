#pragma once

#include "monitor/RgbColour.h"

#include <QObject>
#include <QString>
#include <optional>

// What the floating read-out shows: one colour, or two halves with their slot
// labels. The monitors write it, the view redraws on `changed`. Main thread only.
class FloatingSignalState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    static FloatingSignalState& shared();

    // None until the monitor has written a colour: the view shows the window's own
    // background then.
    std::optional<RgbColour> colorA() const { return a; }
    // None selects the single-colour panel.
    std::optional<RgbColour> colorB() const { return b; }
    QString labelA() const { return textA; }
    QString labelB() const { return textB; }

    void setColorA(std::optional<RgbColour> colour);
    void setColorB(std::optional<RgbColour> colour);
    void setLabelA(const QString& label);
    void setLabelB(const QString& label);

Q_SIGNALS:
    void changed();

private:
    std::optional<RgbColour> a;
    std::optional<RgbColour> b;
    QString textA;
    QString textB;
};
