#include "app/cli/ClientTable.h"

#include <gtest/gtest.h>

namespace {

// A row whose router sent no signal shows a dash, not the -99 that stands for it.
TEST(ClientTable, AbsentSignalAndRateShowAsDashes) {
    RouterClient camera;
    camera.mac = QStringLiteral("78:F5:05:AA:BB:CC");
    camera.ip = QStringLiteral("192.168.8.20");
    camera.hostname = QStringLiteral("EOS R5");
    camera.iface = QStringLiteral("5G");
    RouterClient silent = camera;
    camera.rssi = -61;
    camera.txRate = 866.7;
    camera.isOnline = true;
    silent.rssi = -99;
    EXPECT_EQ(clientsTable({camera, silent}),
              QStringLiteral(
                  "78:F5:05:AA:BB:CC  192.168.8.20     5G      -61 dBm   866.7 Mbit/s  online   EOS R5\n"
                  "78:F5:05:AA:BB:CC  192.168.8.20     5G           --             --  offline  EOS R5\n"));
}

} // namespace
