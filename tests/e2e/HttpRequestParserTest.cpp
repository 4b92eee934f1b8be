#include "HttpRequestParser.h"

#include <gtest/gtest.h>

namespace {

TEST(HttpRequestParser, TakesRequestsOrRefuses) {
    const QByteArray bigHeader = "X-Big: " + QByteArray(HttpRequestParser::maxHeadBytes, 'a') + "\r\n";
    const struct {
        const char* name;
        QList<QByteArray> chunks;
        // Requests taken, in order, by path; then the error status (0: none).
        QList<QByteArray> paths;
        int errorStatus;
    } rows[] = {
        {"bodySplitAcrossReads",
         {"POST /rpc HTTP/1.1\r\nContent-Le", "ngth: 4\r\n\r\n{\"a", "}"},
         {"/rpc"},
         0},
        {"bodyNotYetComplete", {"POST /rpc HTTP/1.1\r\nContent-Length: 5\r\n\r\n{}"}, {}, 0},
        {"pipelinedPair",
         {"GET /a HTTP/1.1\r\n\r\nPOST /b HTTP/1.1\r\nContent-Length: 1\r\n\r\nxGET /c HTTP/1.1\r\n"},
         {"/a", "/b"},
         0},
        {"bareLineFeedsAndHttp10",
         {"GET /lf HTTP/1.1\nHost: x\n\nGET /old HTTP/1.0\r\n\r\n"},
         {"/lf", "/old"},
         0},
        {"twoDifferentLengths",
         {"POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab"},
         {},
         400},
        {"signedLength", {"POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n"}, {}, 400},
        {"chunkedBody", {"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"}, {}, 501},
        {"unknownVersion", {"GET / HTTP/2.0\r\n\r\n"}, {}, 400},
        {"foldedHeader", {"GET / HTTP/1.1\r\nX-A: 1\r\n  continued\r\n\r\n"}, {}, 400},
        {"headTooLargeUnfinished", {"GET / HTTP/1.1\r\n" + bigHeader}, {}, 431},
        {"bodyTooLarge",
         {"POST / HTTP/1.1\r\nContent-Length: " + QByteArray::number(HttpRequestParser::maxBodyBytes + 1) +
          "\r\n\r\n"},
         {},
         413},
        {"nothingAfterRefusal", {"BAD\r\n\r\n", "GET /later HTTP/1.1\r\n\r\n"}, {}, 400},
    };
    for (const auto& row : rows) {
        HttpRequestParser parser;
        QList<QByteArray> paths;
        int errorStatus = 0;
        for (const QByteArray& chunk : row.chunks) {
            parser.feed(chunk);
            for (auto result = parser.take(); result.request || result.errorStatus; result = parser.take()) {
                if (result.errorStatus) {
                    errorStatus = result.errorStatus;
                    break;
                }
                paths.append(result.request->target);
            }
        }
        EXPECT_EQ(paths, row.paths) << row.name;
        EXPECT_EQ(errorStatus, row.errorStatus) << row.name;
    }
}

TEST(HttpRequestParser, KeepAliveFollowsVersionAndConnectionHeader) {
    const auto keepsAlive = [](const QByteArray& version, const QByteArray& connection) {
        HttpRequest request;
        request.version = version;
        if (!connection.isEmpty())
            request.headers.append({"connection", connection});
        return request.keepsAlive();
    };
    EXPECT_TRUE(keepsAlive("HTTP/1.1", ""));
    EXPECT_FALSE(keepsAlive("HTTP/1.1", "Close"));
    EXPECT_FALSE(keepsAlive("HTTP/1.0", ""));
    EXPECT_TRUE(keepsAlive("HTTP/1.0", "Keep-Alive"));
}

} // namespace
