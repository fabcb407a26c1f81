// HTTP client URLs: splitting, the Location header, resolving redirects and their limit.
#include <gtest/gtest.h>

#include <string>

#include "net/UrlCore.h"

using namespace net;

namespace {

TEST(UrlSplit, PartsOfHttpUrls) {
    auto p = SplitUrl("http://www.example.com/a/b.html?x=1#top");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->scheme, "http");
    EXPECT_EQ(p->host, "www.example.com");
    EXPECT_EQ(p->port, 80);
    EXPECT_EQ(p->path, "/a/b.html?x=1");
    EXPECT_TRUE(IsHttp(*p));

    p = SplitUrl("HTTP://Host:8080");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->scheme, "http");
    EXPECT_EQ(p->port, 8080);
    EXPECT_EQ(p->path, "/");

    p = SplitUrl("http://user:pw@host/p");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host, "host");

    p = SplitUrl("http://[::1]:81/x");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host, "[::1]");
    EXPECT_EQ(p->port, 81);

    p = SplitUrl("http://h?q=1");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->path, "/?q=1");

    // The heartbeat is given a bare host name.
    p = SplitUrl("www.example.com");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->scheme, "http");
    EXPECT_EQ(p->host, "www.example.com");
    EXPECT_EQ(p->path, "/");

    p = SplitUrl("https://secure.example.com/");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->port, 443);
    EXPECT_FALSE(IsHttp(*p));
}

TEST(UrlSplit, MalformedUrlsDoNotSplit) {
    for (const char* bad : {"", "http://", "http:///path", "http://:80/", "http://h:0/",
                            "http://h:65536/", "http://h:8x/", "http://h:123456/", "://h/",
                            "1http://h/", "http://h /a", "http://h/\r\nX: y", "http://[::1/",
                            "http://[::1]x/"})
        EXPECT_FALSE(SplitUrl(bad)) << bad;
}

TEST(UrlRedirect, LocationHeaderIsFoundByName) {
    EXPECT_EQ(FindLocation("HTTP/1.1 302 Found\r\nContent-Location: /wrong\r\nLocation: "
                           "http://new.example.com/\r\n\r\n"),
              "http://new.example.com/");
    EXPECT_EQ(FindLocation("HTTP/1.0 301 Moved\r\nlocation:/lower\r\n"), "/lower");
    EXPECT_EQ(FindLocation("HTTP/1.1 302 Found\nLocation: ../x"), "../x") << "last line, no CR";
    EXPECT_FALSE(FindLocation("HTTP/1.1 302 Found\r\nServer: x\r\n\r\n"));
    EXPECT_FALSE(FindLocation("HTTP/1.1 302 Found\r\nLocation: \r\n\r\n"));
    EXPECT_FALSE(FindLocation(""));
}

TEST(UrlRedirect, LocationsResolveAgainstTheCurrentUrl) {
    const std::string page = "http://h.com/a/b/c.html";
    EXPECT_EQ(ResolveLocation(page, "http://other.com/x"), "http://other.com/x");
    EXPECT_EQ(ResolveLocation(page, "https://other.com/x"), "https://other.com/x");
    EXPECT_EQ(ResolveLocation(page, "/x"), "http://h.com/x");
    EXPECT_EQ(ResolveLocation(page, "../x.html"), "http://h.com/a/x.html");
    EXPECT_EQ(ResolveLocation(page, "../../x"), "http://h.com/x");
    EXPECT_EQ(ResolveLocation(page, "../../../../x"), "http://h.com/x") << "never above the root";
    EXPECT_EQ(ResolveLocation(page, "x"), "http://h.com/a/b/x");
    EXPECT_EQ(ResolveLocation(page, "./x"), "http://h.com/a/b/x");
    EXPECT_EQ(ResolveLocation(page, "//cdn.com/x"), "http://cdn.com/x");
    // A URL inside the query is no absolute location.
    EXPECT_EQ(ResolveLocation(page, "/go?u=http://evil.com/"),
              "http://h.com/go?u=http://evil.com/");
    // The query of the current URL does not count as directories.
    EXPECT_EQ(ResolveLocation("http://h.com/a/p?r=/z/y", "q"), "http://h.com/a/q");
    // A URL without a path, with or without a scheme.
    EXPECT_EQ(ResolveLocation("http://h.com", "x"), "http://h.com/x");
    EXPECT_EQ(ResolveLocation("http://h.com:81", "../x"), "http://h.com:81/x");
    EXPECT_EQ(ResolveLocation("www.h.com", "/x"), "http://www.h.com/x");
}

TEST(UrlRedirect, ChainFollowsAtMostTenRedirects) {
    RedirectChain loop("http://h.com/a");
    std::string error;
    for (int i = 1; i <= kMaxRedirects; ++i) {
        ASSERT_TRUE(loop.Follow("HTTP/1.1 302 Found\r\nLocation: /a\r\n\r\n", error)) << i;
        EXPECT_EQ(loop.Url(), "http://h.com/a");
    }
    EXPECT_FALSE(loop.Follow("HTTP/1.1 302 Found\r\nLocation: /a\r\n\r\n", error));
    EXPECT_EQ(error, kTooManyRedirectsError);
    EXPECT_EQ(loop.Followed(), kMaxRedirects);

    RedirectChain moving("http://h.com/a/b/page.html");
    ASSERT_TRUE(moving.Follow("Location: ../up.html\r\n", error));
    EXPECT_EQ(moving.Url(), "http://h.com/a/up.html");
    ASSERT_TRUE(moving.Follow("Location: http://k.com/\r\n", error));
    EXPECT_EQ(moving.Url(), "http://k.com/");

    RedirectChain none("http://h.com/");
    EXPECT_FALSE(none.Follow("HTTP/1.1 302 Found\r\n\r\n", error));
    EXPECT_EQ(error, kNoLocationError);
    EXPECT_EQ(none.Url(), "http://h.com/");

    EXPECT_TRUE(IsRedirectStatus(300));
    EXPECT_TRUE(IsRedirectStatus(306));
    EXPECT_FALSE(IsRedirectStatus(307));
    EXPECT_FALSE(IsRedirectStatus(299));
}

}  // namespace
