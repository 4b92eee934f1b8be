#include "logs/MarkdownCell.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A device name in a cell can neither end its row, forge one below it, nor
// bring in an image, a link, code or emphasis.
TEST(MarkdownCell, EscapesEveryCharacterMarkdownActsOnAndKeepsTheRowOneLine) {
    EXPECT_EQ(markdownCell(u"cam\n| 10:00:00 | Excellent | -40 dBm | forged |"_s),
              u"cam<br>\\| 10:00:00 \\| Excellent \\| -40 dBm \\| forged \\|"_s);
    EXPECT_EQ(markdownCell(u"![x](http://h/i.png) [a]<b> `c` *d* _e_ \\f"_s),
              u"\\!\\[x\\](http://h/i.png) \\[a\\]\\<b\\> \\`c\\` \\*d\\* \\_e\\_ \\\\f"_s);
    EXPECT_EQ(markdownCell(u"a\r\nb\rc"_s), u"a<br>b<br>c"_s);
    EXPECT_EQ(markdownCell(u"Router connected \u00b7 Flint 2 \u2014 5 GHz"_s),
              u"Router connected \u00b7 Flint 2 \u2014 5 GHz"_s);
}

} // namespace
