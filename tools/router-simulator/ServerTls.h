#pragma once

#include <QSslConfiguration>
#include <QString>
#include <optional>

// The TLS side of a simulated router: its certificate and key from PEM files
// (RSA or EC), any client accepted. None, with `error` set, when they cannot be read.
std::optional<QSslConfiguration> serverTls(const QString& certPath, const QString& keyPath, QString* error);
