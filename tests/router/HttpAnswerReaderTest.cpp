#include "router/HttpAnswerReader.h"

#include <gtest/gtest.h>

namespace {

using Progress = HttpAnswerReader::Progress;

// What a reader made of `bytes`, handed over in pieces of `piece` bytes, and
// then, where `close` says so, the peer closing.
struct Read {
    Progress progress;
    int status;
    QByteArray body;
    bool kept;
};
Read read(const QByteArray& bytes, qsizetype piece, bool close = false, qint64 bound = 1000) {
    HttpAnswerReader reader(bound);
    Progress progress = Progress::incomplete;
    for (qsizetype at = 0; at < bytes.size() && progress == Progress::incomplete; at += piece)
        progress = reader.take(QByteArrayView(bytes).sliced(at, std::min(piece, bytes.size() - at)));
    if (close && progress == Progress::incomplete)
        progress = reader.closed();
    return {progress, reader.status(), reader.takeBody(), reader.keepsConnection()};
}

bool operator==(const Read& a, const Read& b) {
    return std::tie(a.progress, a.status, a.body, a.kept) == std::tie(b.progress, b.status, b.body, b.kept);
}
void PrintTo(const Read& r, std::ostream* out) {
    *out << int(r.progress) << ' ' << r.status << " '" << r.body.toStdString() << "' kept " << r.kept;
}

// A router's answer reads the same whichever pieces the network cut it into.
TEST(HttpAnswerReader, ReadsAnAnswerFramedAnyWayInPiecesOfAnySize) {
    const QByteArray chunked = "HTTP/1.1 100 Continue\r\n\r\n"
                               "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                               "5;ext=1\r\n{\"a\":\r\n3\r\n 1}\r\n0\r\nX-Trailer: t\r\n\r\n";
    const QByteArray byLength = "HTTP/1.1 401 No\r\nContent-Length: 2\r\n\r\n{}";
    const QByteArray untilClose = "HTTP/1.0 200 OK\n\n{\"clients\":[]}";
    for (const qsizetype piece : {qsizetype(1), qsizetype(7), qsizetype(4096)}) {
        SCOPED_TRACE(piece);
        EXPECT_EQ(read(chunked, piece), (Read{Progress::complete, 200, "{\"a\": 1}", true}));
        EXPECT_EQ(read(byLength, piece), (Read{Progress::complete, 401, "{}", true}));
        EXPECT_EQ(read(untilClose, piece), (Read{Progress::incomplete, 200, "{\"clients\":[]}", false}));
        EXPECT_EQ(read(untilClose, piece, true), (Read{Progress::complete, 200, "{\"clients\":[]}", false}));
    }
    // Nothing to read after these heads; the connection goes on only where the router said so.
    EXPECT_EQ(read("HTTP/1.1 204 No Content\r\n\r\n", 3), (Read{Progress::complete, 204, {}, true}));
    EXPECT_EQ(read("HTTP/1.1 200 OK\r\nConnection: Close\r\nContent-Length: 0\r\n\r\n", 3),
              (Read{Progress::complete, 200, {}, false}));
    // A router that says more than it was asked gets no next request.
    EXPECT_EQ(read(byLength + "\r\n", 4096), (Read{Progress::complete, 401, "{}", false}));
}

TEST(HttpAnswerReader, JoinsRepeatedHeadersAndKeepsCookiesApart) {
    HttpAnswerReader reader(1000);
    ASSERT_EQ(reader.take("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Expires=Wed, 09 Dec 2026\r\nVary: x\r\n"
                          "set-cookie: b=2\r\nVary: y\r\nContent-Length: 0\r\n\r\n"),
              Progress::complete);
    EXPECT_EQ(reader.headers(),
              (QList<QPair<QByteArray, QByteArray>>{{"Set-Cookie", "a=1; Expires=Wed, 09 Dec 2026\nb=2"},
                                                    {"Vary", "x, y"},
                                                    {"Content-Length", "0"}}));
}

// What is not HTTP, or more than the bound, fails rather than waiting or growing.
TEST(HttpAnswerReader, RefusesWhatIsNotAnAnswerAndWhatOutgrowsTheBound) {
    for (const QByteArray& bytes : {QByteArray("SSH-2.0-dropbear\r\n\r\n"), QByteArray("HTTP/1.1 OK\r\n\r\n"),
                                    QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n"),
                                    QByteArray("HTTP/1.1 200 OK\r\nno colon\r\n\r\n"),
                                    QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"),
                                    "HTTP/1.1 200 OK\r\nX: " + QByteArray(70'000, 'x')})
        EXPECT_EQ(read(bytes, 4096).progress, Progress::malformed) << bytes.left(40).toStdString();
    // Cut off before the announced end.
    EXPECT_EQ(read("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n{}", 4096, true).progress,
              Progress::malformed);

    // An announced giant fails on its head; an unannounced one as it outgrows the bound.
    EXPECT_EQ(read("HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\n", 4096, false, 10).progress,
              Progress::tooLarge);
    EXPECT_EQ(
        read("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n6\r\naaaaaa\r\n5\r\n", 4096, false, 10)
            .progress,
        Progress::tooLarge);
    EXPECT_EQ(read("HTTP/1.1 200 OK\r\n\r\n" + QByteArray(11, 'x'), 4, false, 10).progress,
              Progress::tooLarge);
    EXPECT_EQ(read("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n" + QByteArray(10, 'x'), 3, false, 10),
              (Read{Progress::complete, 200, QByteArray(10, 'x'), true}));
}

} // namespace
