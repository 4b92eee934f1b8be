#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

inline const QString glinetBoardCommand = QStringLiteral("ubus call system board");

// The `model` text of a `system board` answer; none when the answer is
// unreadable or names no model.
std::optional<QString> readGlinetBoardModel(const QByteArray& output);

// "Flint 2 (GL-MT6000)" for a model text naming a known board, otherwise the
// model text as the router gave it.
QString glinetModelName(const QString& model);
