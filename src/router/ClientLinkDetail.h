#pragma once

#include <QString>
#include <optional>

// PHY details of a station's link, where the router could tell them.
struct ClientLinkDetail {
    std::optional<int> mcs;
    std::optional<int> nss;
    std::optional<int> widthMHz;
    std::optional<bool> shortGI;
    std::optional<QString> phyMode;

    bool operator==(const ClientLinkDetail&) const = default;
};

// "MCS 9 · 80 MHz · 2SS · SGI · 802.11ac" from the parts present; "--" when none is.
QString linkDetailText(const ClientLinkDetail& detail);
