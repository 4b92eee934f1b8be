#include "logs/DebugLog.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

const QDateTime savedAt(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
const QString header = QStringLiteral("# Veltrano Debug Log\n\n*Saved: 2025-03-14 09:26:53*\n\n"
                                      "| Time | Level | Code | Detail |\n|------|-------|------|--------|\n");

// Times in local time (UTC in tests) whatever zone they were stored in; only the
// export escapes pipes, and an empty detail shows as a dash.
TEST(DebugMarkdown, HeaderThenOneEscapedRowPerEntry) {
    EXPECT_EQ(debugMarkdown({}, savedAt), header);
    const DebugEntry empty{QDateTime(QDate(2025, 3, 14), QTime(8, 1, 2, 34), Qt::UTC), QStringLiteral("INFO"),
                           VtCode::authRejected, QString()};
    const DebugEntry piped{QDateTime(QDate(2025, 3, 14), QTime(23, 59, 59, 999), QTimeZone(3600)),
                           QStringLiteral("ERROR"), VtCode::authRejected, QStringLiteral("a|b||c")};
    EXPECT_EQ(debugMarkdown({empty, piped}, savedAt),
              header + QStringLiteral("| 08:01:02.034 | INFO | VT-2003 | \u2014 |\n"
                                      "| 22:59:59.999 | ERROR | VT-2003 | a\\|b\\|\\|c |\n"));
}

} // namespace
