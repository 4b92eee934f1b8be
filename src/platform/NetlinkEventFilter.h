#pragma once

#include <cstddef>

// Which kernel notifications count as a network change. Each function takes one
// received datagram, which may hold several netlink messages, and tells whether
// any of them counts.

// Wi-Fi association changes on nl80211's "mlme" group: connect, disconnect and
// roam. Authentication steps and management frames on the same group do not.
bool hasAssociationChange(const void* datagram, size_t length, int nl80211FamilyId);

// Link, address and route changes from rtnetlink. Wireless-extension events,
// which drivers send as link messages after every background scan, do not count.
bool hasNetworkPathChange(const void* datagram, size_t length);
