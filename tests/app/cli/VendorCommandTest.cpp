#include "app/cli/VendorCommand.h"

#include "CliTestSupport.h"
#include "TestEnvironment.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

namespace {

// Which name wins is DeviceNameRegistryTest's; here only what the verb prints,
// and that it needs the three octets that name the maker.
TEST(VendorCommand, NamesMakerHintAndDisplayNameOrRefusesWhatIsNotAMac) {
    TestEnvironment env;
    const SettingsStore settings(env.path(QStringLiteral("settings.json")));
    const auto vendor = [&settings](const QStringList& args) {
        return capture(
            [&](QTextStream& out, QTextStream& err) { return runVendorCommand(args, settings, out, err); });
    };
    const CliRun canon = vendor({QStringLiteral("78-f5-05-aa-bb-cc")});
    EXPECT_EQ(canon.exitCode, 0);
    EXPECT_EQ(canon.out, QStringLiteral("Vendor:       Canon\n"
                                        "Hint:         r5MarkII (second-generation wireless tethering)\n"
                                        "Display name: Canon R5 Mark II\n"));
    EXPECT_EQ(vendor({QStringLiteral("78:f5")}).exitCode, 2);
}

} // namespace
