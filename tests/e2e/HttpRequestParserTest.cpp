#include "HttpRequestParser.h"

#include <gtest/gtest.h>

namespace {

// One row per kind of answer: requests taken across reads and pipelined, then each
// refusal status; after a refusal nothing more is read. Keep-alive is proved on
// a live connection in RouterSimulatorTest.
TEST(HttpRequestParser, TakesRequestsOrRefuses) {
    const QByteArray bigHeader = "X-Big: " + QByteArray(HttpRequestParser::maxHeadBytes, 'a') + "\r\n";
    const struct {
        const char* name;
        QList<QByteArray> chunks;
        // Requests taken, in order, by path; then the error status (0: none).
        QList<QByteArray> paths;
        int errorStatus;
    } rows[] = {
        {"splitAcrossReadsAndPipelined",
         {"POST /rpc HTTP/1.1\r\nContent-Le", "ngth: 1\r\n\r\nxGET /a HTTP/1.1\r\n\r\nGET /unfinished"},
         {"/rpc", "/a"},
         0},
        {"twoDifferentLengths",
         {"POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab"},
         {},
         400},
        {"chunkedBody", {"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"}, {}, 501},
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

} // namespace
