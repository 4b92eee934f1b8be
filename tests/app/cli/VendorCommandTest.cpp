#include "app/cli/VendorCommand.h"

#include "TestEnvironment.h"
#include "app/SettingsStore.h"
#include "router/DeviceNameRegistry.h"

#include <gtest/gtest.h>

namespace {

class VendorCommandTest : public ::testing::Test {
protected:
    int run(const QStringList& args) {
        out.clear();
        err.clear();
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        return runVendorCommand(args, settings, outStream, errStream);
    }

    TestEnvironment env;
    SettingsStore settings{env.path(QStringLiteral("settings.json"))};
    QString out;
    QString err;
};

TEST_F(VendorCommandTest, NamesMakerHintAndTheNameTheProgramWouldShow) {
    ASSERT_EQ(run({QStringLiteral("78-f5-05-aa-bb-cc")}), 0);
    EXPECT_EQ(out, QStringLiteral("Vendor:       Canon\n"
                                  "Hint:         r5MarkII (second-generation wireless tethering)\n"
                                  "Display name: Canon R5 Mark II\n"));

    // The user's own name wins, as in the device picker.
    DeviceNameRegistry(settings).setName(QStringLiteral("3c:be:e1:00:00:01"), QStringLiteral("Second body"));
    ASSERT_EQ(run({QStringLiteral("3C:BE:E1:00:00:01")}), 0);
    EXPECT_TRUE(out.startsWith(QStringLiteral("Vendor:       Nikon\nHint:         none\n")));
    EXPECT_TRUE(out.endsWith(QStringLiteral("Display name: Second body\n")));
}

TEST_F(VendorCommandTest, RefusesWhatIsNotAMacAddress) {
    for (const QString& args : {QString(), QStringLiteral("78:f5"), QStringLiteral("78:f5:05 extra")}) {
        EXPECT_EQ(run(args.split(u' ', Qt::SkipEmptyParts)), 2) << args.toStdString();
        EXPECT_TRUE(out.isEmpty());
    }
}

} // namespace
