#pragma once

#include <QString>
#include <optional>

enum class CameraModelHint { r5MarkII, r1 };

// The camera maker whose MAC prefix this is; none for anything else.
std::optional<QString> vendorForMAC(const QString& mac);
// Set exactly for second-generation wireless-tethering cameras.
std::optional<CameraModelHint> cameraModelHint(const QString& mac);
