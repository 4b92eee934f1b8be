#include "logs/VtCode.h"

#include <QHash>
#include <gtest/gtest.h>

namespace {

// A near miss must not be read as a code: exact, case-sensitive text only.
TEST(VtCode, OnlyAnExactRawStringNamesACodeAndCodesHashAsTheirText) {
    EXPECT_EQ(vtCodeFromRaw(u"VT-1002"), VtCode::transportReady);
    for (const char* text : {"vt-1002", "VT-1001", "", "VT-1002 ", "VT-10020", "transportReady"})
        EXPECT_EQ(vtCodeFromRaw(QString::fromUtf8(text)), std::nullopt) << text;
    EXPECT_EQ(qHash(VtCode::whatsNewCheck, 7), qHash(QStringLiteral("VT-9005"), 7));
}

} // namespace
