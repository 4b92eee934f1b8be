#include "router/RouterText.h"

#include "router/RowNormalisation.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A name that set a terminal's title or forged a second line reaches every
// view as visible escapes; formatting that only hides or reorders text is gone.
TEST(RouterText, ShowsControlsRemovesInvisibleFormattingAndRepairsSurrogates) {
    EXPECT_EQ(routerText(u"cam\x1b]0;owned\x07\nroot"_s, RouterTextKind::name),
              u"cam\\x1B]0;owned\\x07\\x0Aroot"_s);
    EXPECT_EQ(routerText(u"a\u009b2Jb\u007f\u2028c"_s, RouterTextKind::line), u"a\\x9B2Jb\\x7F\\u2028c"_s);
    EXPECT_EQ(routerText(u"Invoice\u202Efdp.exe \u2066x\u2069 z\u200Bw\u200Dj\uFEFF"_s, RouterTextKind::name),
              u"Invoicefdp.exe x zwj"_s);
    EXPECT_EQ(routerText(QString(QChar(0xD800)) + u"x"_s + QChar(0xDC00), RouterTextKind::line),
              u"\uFFFDx\uFFFD"_s);
    EXPECT_EQ(routerText(u"sta\r\n  signal=-60\t"_s, RouterTextKind::dump), u"sta\\x0D\n  signal=-60\\x09"_s);
    EXPECT_EQ(routerText(u"Canon EOS R5 \U0001F4F7"_s, RouterTextKind::name), u"Canon EOS R5 \U0001F4F7"_s);
}

// The cap counts what a person sees: a letter with its accent, or an emoji,
// is one character and is never cut in two.
TEST(RouterText, NamesStopAtSixtyFourCharactersOtherKindsDoNot) {
    const QString accented = u"e\u0301"_s;
    const QString camera = u"\U0001F4F7"_s;
    EXPECT_EQ(routerText(accented.repeated(64), RouterTextKind::name), accented.repeated(64));
    EXPECT_EQ(routerText(accented.repeated(65), RouterTextKind::name), accented.repeated(63) + u"\u2026"_s);
    EXPECT_EQ(routerText(camera.repeated(70), RouterTextKind::name), camera.repeated(63) + u"\u2026"_s);
    EXPECT_EQ(routerText(u"x"_s.repeated(65), RouterTextKind::name), u"x"_s.repeated(63) + u"\u2026"_s);
    EXPECT_EQ(routerText(u"x"_s.repeated(300), RouterTextKind::line), u"x"_s.repeated(300));
}

TEST(RouterText, RowsCarryEveryRouterTextCleaned) {
    RouterClient row;
    row.mac = u"aa:bb\n"_s;
    row.ip = u"10.0.0.2\x1b"_s;
    row.hostname = u"n"_s.repeated(80);
    row.iface = u"5G\u202E"_s;
    row.linkDetail = ClientLinkDetail{1, 1, 20, false, u"ac\x07"_s};
    const RouterClient clean = withRouterText(row);
    EXPECT_EQ(clean.mac, u"aa:bb\\x0A"_s);
    EXPECT_EQ(clean.ip, u"10.0.0.2\\x1B"_s);
    EXPECT_EQ(clean.hostname, u"n"_s.repeated(63) + u"\u2026"_s);
    EXPECT_EQ(clean.iface, u"5G"_s);
    EXPECT_EQ(clean.linkDetail->phyMode, u"ac\\x07"_s);
    // A dump's field cannot add a line of its own.
    EXPECT_EQ(fieldDump(u"[DIAG] x:"_s, parseRouterJson(R"({"name": "a\nb"})")->object()),
              u"[DIAG] x:\n  name = a\\x0Ab"_s);
}

} // namespace
