#include "app/cli/ClientTable.h"

#include <gtest/gtest.h>

namespace {

// A row whose router sent no signal shows a dash, not the -99 that stands for it.
TEST(ClientTable, AbsentSignalAndRateShowAsDashes) {
    const RouterClient camera{QStringLiteral("78:F5:05:AA:BB:CC"),
                              QStringLiteral("192.168.8.20"),
                              QStringLiteral("EOS R5"),
                              QStringLiteral("5G"),
                              -61,
                              866.7,
                              true,
                              0,
                              0,
                              {}};
    RouterClient silent = camera;
    silent.rssi = -99;
    silent.txRate = 0;
    silent.isOnline = false;
    EXPECT_EQ(clientsTable({camera, silent}),
              QStringLiteral(
                  "78:F5:05:AA:BB:CC  192.168.8.20     5G      -61 dBm   866.7 Mbit/s  online   EOS R5\n"
                  "78:F5:05:AA:BB:CC  192.168.8.20     5G           --             --  offline  EOS R5\n"));
}

} // namespace
