#include "HttpRequestParser.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* name;
    QList<QByteArray> chunks;
    // Requests taken, in order, by path; then the error status (0: none).
    QList<QByteArray> paths;
    int errorStatus;
};

void PrintTo(const ParseCase& row, std::ostream* out) {
    *out << row.name;
}

class HttpRequestParserTest : public testing::TestWithParam<ParseCase> {};

TEST_P(HttpRequestParserTest, TakesRequestsOrRefuses) {
    const ParseCase& row = GetParam();
    HttpRequestParser parser;
    QList<QByteArray> paths;
    int errorStatus = 0;
    for (const QByteArray& chunk : row.chunks) {
        parser.feed(chunk);
        for (HttpRequestParser::Result result = parser.take(); result.request || result.errorStatus;
             result = parser.take()) {
            if (result.errorStatus) {
                errorStatus = result.errorStatus;
                break;
            }
            paths.append(result.request->target);
        }
    }
    EXPECT_EQ(paths, row.paths);
    EXPECT_EQ(errorStatus, row.errorStatus);
}

const QByteArray bigHeader = "X-Big: " + QByteArray(HttpRequestParser::maxHeadBytes, 'a') + "\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, HttpRequestParserTest,
    testing::Values(
        ParseCase{"BodyByContentLength", {"POST /rpc HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}"}, {"/rpc"}, 0},
        ParseCase{"BodySplitAcrossReads",
                  {"POST /rpc HTTP/1.1\r\nContent-Le", "ngth: 4\r\n\r\n{\"a", "}"},
                  {"/rpc"},
                  0},
        ParseCase{"BodyNotYetComplete", {"POST /rpc HTTP/1.1\r\nContent-Length: 5\r\n\r\n{}"}, {}, 0},
        ParseCase{
            "PipelinedPair",
            {"GET /a HTTP/1.1\r\n\r\nPOST /b HTTP/1.1\r\nContent-Length: 1\r\n\r\nxGET /c HTTP/1.1\r\n"},
            {"/a", "/b"},
            0},
        ParseCase{"BareLineFeeds", {"GET /lf HTTP/1.1\nHost: x\n\n"}, {"/lf"}, 0},
        ParseCase{"Http10", {"GET /old HTTP/1.0\r\n\r\n"}, {"/old"}, 0},
        ParseCase{"TwoDifferentLengths",
                  {"POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab"},
                  {},
                  400},
        ParseCase{"SignedLength", {"POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n"}, {}, 400},
        ParseCase{"ChunkedBody", {"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"}, {}, 501},
        ParseCase{"UnknownVersion", {"GET / HTTP/2.0\r\n\r\n"}, {}, 400},
        ParseCase{"MissingTarget", {"GET HTTP/1.1\r\n\r\n"}, {}, 400},
        ParseCase{"FoldedHeader", {"GET / HTTP/1.1\r\nX-A: 1\r\n  continued\r\n\r\n"}, {}, 400},
        ParseCase{"HeadTooLarge", {"GET / HTTP/1.1\r\n" + bigHeader + "\r\n"}, {}, 431},
        ParseCase{"HeadTooLargeUnfinished", {"GET / HTTP/1.1\r\n" + bigHeader}, {}, 431},
        ParseCase{"BodyTooLarge",
                  {"POST / HTTP/1.1\r\nContent-Length: " +
                   QByteArray::number(HttpRequestParser::maxBodyBytes + 1) + "\r\n\r\n"},
                  {},
                  413},
        ParseCase{"NothingAfterRefusal", {"BAD\r\n\r\n", "GET /later HTTP/1.1\r\n\r\n"}, {}, 400}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

struct KeepAliveCase {
    const char* name;
    QByteArray version;
    QByteArray connection;
    bool keepsAlive;
};

void PrintTo(const KeepAliveCase& row, std::ostream* out) {
    *out << row.name;
}

class HttpKeepAliveTest : public testing::TestWithParam<KeepAliveCase> {};

TEST_P(HttpKeepAliveTest, FollowsVersionAndConnectionHeader) {
    HttpRequest request;
    request.version = GetParam().version;
    if (!GetParam().connection.isEmpty())
        request.headers.append({"connection", GetParam().connection});
    EXPECT_EQ(request.keepsAlive(), GetParam().keepsAlive);
}

INSTANTIATE_TEST_SUITE_P(Rows, HttpKeepAliveTest,
                         testing::Values(KeepAliveCase{"Http11Default", "HTTP/1.1", "", true},
                                         KeepAliveCase{"Http11Close", "HTTP/1.1", "Close", false},
                                         KeepAliveCase{"Http10Default", "HTTP/1.0", "", false},
                                         KeepAliveCase{"Http10KeepAlive", "HTTP/1.0", "Keep-Alive", true}),
                         [](const testing::TestParamInfo<KeepAliveCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
