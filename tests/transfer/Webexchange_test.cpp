// The exchange on libcurl against the web-service double, the tag scans and
// the text codec of the documents.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <iterator>


#include <cstdlib>

#include "platform/Registry.h"
#include "shell/Mainform.h"
#include "sim/Webdouble.h"
#include "support/Testsupport.h"
#include "transfer/Transw33.h"
#include "transfer/Transw4.h"
#include "transfer/Webdocument.h"
#include "transfer/Webexchange.h"
#include "transfer/Webreply.h"

using webdouble::Fault;
using webdouble::WebDouble;

namespace {
const char* kDoc =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-15\" ?>\r\n<U8LOG>\r\n\t<HEADER>\r\n"
    "\t\t<DATA>ROUNDS</DATA>\r\n\t</HEADER>\r\n</U8LOG>\r\n";
} // namespace

TEST(WebTagScan, GetTagValueAsTheServiceReadersDo) {
    EXPECT_EQ(GetTagValue("<A>", "x<A>12</A>y", "</A>"), "12");
    EXPECT_EQ(GetTagValue("<A>", "<A></A>", "</A>"), "");
    EXPECT_EQ(GetTagValue("<A>", "12</A>", "</A>"), "");     // closing tag within 3 characters
    EXPECT_EQ(GetTagValue("<A>", "<A>12", "</A>"), "");      // no closing tag
    EXPECT_EQ(GetTagValue("<A>", "</A><A>12", "</A>"), "");  // closing tag first
    EXPECT_EQ(GetTagValue("<A>", "abcdef</A>", "</A>"), "cdef");  // from the tag's length
    EXPECT_EQ(GetTagValue("<A>", "<a>1</a>", "</A>"), "");   // case-sensitive
    EXPECT_EQ(GetTagValue("<A>", "<A>1</A><A>2</A>", "</A>"), "1");
    // Both pages scan the same way.
    EXPECT_EQ(TTransWiz4::GetTagValue("<A>", "x<A>12</A>y", "</A>"), "12");
    EXPECT_EQ(TTransWiz33::GetTagValue("<A>", "abcdef</A>", "</A>"), "cdef");
    EXPECT_EQ(TTransWiz33::GetLineValue("<RATE>7</RATE>", "<RATE>"), "7");
    EXPECT_EQ(TTransWiz33::GetLineNumber("<CRM1>71,5</CRM1>", "<CRM1>"), "71.5");
}

TEST(WebTagScan, LineValueAndNumber) {
    EXPECT_EQ(GetLineValue("<RATE>7</RATE>", "<RATE>"), "7");
    EXPECT_EQ(GetLineValue("<RATE></RATE>", "<RATE>"), "");
    // Without the tag the span starts at the tag's length (6 for "<RATE>").
    EXPECT_EQ(GetLineValue("<USER>bob</USER>", "<RATE>"), ">bob");
    EXPECT_EQ(GetLineValue("<X>1</X>", "<RATE>"), "");
    EXPECT_EQ(GetLineValue("no markup", "<RATE>"), "");
    EXPECT_EQ(GetLineValue("<A>a<b</A>\r", "<A>"), "a<b");  // up to the last "<"
    EXPECT_EQ(GetLineNumber("<CRM1>71,5</CRM1>", "<CRM1>"), "71.5");
}

TEST(WebTagScan, ReplyLinesSplitAtEveryLineEnd) {
    EXPECT_EQ(ReplyLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(ReplyLines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(ReplyLines("").empty());
}

TEST(WebText, EscapedOnceAndBackUnchanged) {
    const std::string text = "A<B & \xC3\x96";  // "A<B & Ö"
    EXPECT_EQ(XmlValue(text), "A&lt;B &amp; \xD6");
    EXPECT_EQ(XmlText(XmlValue(text)), text);
    EXPECT_EQ(XmlValue("&amp;"), "&amp;amp;");
    // The euro sign is a byte of ISO-8859-15; the Latin-1 currency sign is not.
    EXPECT_EQ(XmlValue("\xE2\x82\xAC"), "\xA4");
    EXPECT_EQ(XmlValue("\xC2\xA4"), "&#164;");
    EXPECT_EQ(XmlValue("\xE4\xB8\xAD"), "&#20013;");  // a character outside it
    EXPECT_EQ(XmlValue(std::string("a\x01" "b")), "ab");
    EXPECT_EQ(XmlText("&#20013;&#x41;&quot;&apos;&lt;&gt;&amp;"), "\xE4\xB8\xAD" "A\"'<>&");
    EXPECT_EQ(XmlText("&bogus; &#0; &#xZZ; &"), "&bogus; &#0; &#xZZ; &");
    EXPECT_EQ(XmlText("\xA4\xBD"), "\xE2\x82\xAC\xC5\x93");
}

TEST(WebText, NumbersIgnoreTheLocale) {
    EXPECT_EQ(FixedText(59.5), "59.500000");
    EXPECT_EQ(FixedText(-18.0000004), "-18.000000");
    EXPECT_EQ(RatingText(72.1), "72.1");
    EXPECT_EQ(RatingText(72.0), "72");
    EXPECT_EQ(RatingText(71.5), "71.5");
    EXPECT_EQ(ColourText(255), "FF0000");
    EXPECT_EQ(ColourText(65280), "00FF00");
    EXPECT_EQ(ColourText(16711680), "0000FF");
}

TEST(WebRequestFile, OwnerOnlyAndGoneAfterwards) {
    TempHome home;
    std::string path;
    {
        TRequestFile f("transfer1.xml", "secret");
        path = f.Path();
        EXPECT_EQ(path, home.File("transfer1.xml"));
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_EQ(f.Read(), "secret");
    }
    EXPECT_NE(::access(path.c_str(), F_OK), 0);
    try {
        TRequestFile f("transfer2.xml", "x");
        throw std::logic_error("way out");
    } catch (const std::logic_error&) {
    }
    EXPECT_NE(::access(home.File("transfer2.xml").c_str(), F_OK), 0);
    // A link planted under the name is removed, its target left alone.
    const std::string target = home.File("elsewhere");
    { std::ofstream(target) << "keep"; }
    ASSERT_EQ(::symlink(target.c_str(), home.File("transfer.xml").c_str()), 0);
    {
        TRequestFile f("transfer.xml", "<PWD>pw</PWD>");
        EXPECT_EQ(f.Read(), "<PWD>pw</PWD>");
    }
    std::ifstream in(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
    // Another program on the data folder makes its request of the same name
    // meanwhile: each posts its own, and the first one's end leaves the
    // second one's file.
    auto mine = std::make_unique<TRequestFile>("transfer3.xml", "mine");
    TRequestFile theirs("transfer3.xml", "theirs");
    EXPECT_EQ(mine->Read(), "mine");
    mine.reset();
    EXPECT_EQ(::access(theirs.Path().c_str(), F_OK), 0);
    EXPECT_EQ(theirs.Read(), "theirs");
}

class WebExchangeTest : public ::testing::Test {
protected:
    WebDouble web;
    TWebExchange http;
    std::string Url() const { return ServiceUrl(web.Address()); }
};

TEST_F(WebExchangeTest, PostsTextXmlWithoutExpect) {
    const std::string reply = http.Post(Url(), kDoc);
    EXPECT_NE(reply.find("<REPLYCODE>OK</REPLYCODE>"), std::string::npos);
    auto log = web.Requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].target, "/loadu8/default.asp");
    EXPECT_EQ(log[0].Header("Content-Type"), "text/xml");
    EXPECT_EQ(log[0].Header("Expect"), "");
    EXPECT_EQ(log[0].body, kDoc);
    EXPECT_TRUE(log[0].wellFormed) << log[0].parseError;
}

TEST_F(WebExchangeTest, ProxyRoadAndNoProxyFromTheEnvironment) {
    // Through the double as a proxy: the host need not resolve.
    http.SetProxy("127.0.0.1", std::to_string(web.Port()));
    const std::string reply = http.Post(ServiceUrl("peakrally.invalid"), kDoc);
    EXPECT_NE(reply.find("ROUNDID"), std::string::npos);
    auto log = web.Requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].target, "http://peakrally.invalid/loadu8/default.asp");

    // No proxy set: http_proxy is not used.
    setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(webdouble::ClosedPort())).c_str(), 1);
    TWebExchange direct;
    EXPECT_NO_THROW(direct.Post(Url(), kDoc));
    unsetenv("http_proxy");
}

TEST_F(WebExchangeTest, PortNumberThatIsNoNumberChangesNothing) {
    http.SetProxy("127.0.0.1", "8080");
    EXPECT_THROW(http.SetProxy("other", "80a"), EConvertError);
    EXPECT_EQ(http.ProxyServer(), "127.0.0.1");
    EXPECT_EQ(http.ProxyPort(), 8080);
    http.SetProxy("", "");
    EXPECT_EQ(http.ProxyServer(), "");
}

TEST_F(WebExchangeTest, NetworkFaultsAreErrors) {
    http.IdleTimeoutMs = 400;
    for (Fault f : {Fault::Status404, Fault::Status500, Fault::DropAfterHeaders, Fault::NoAnswer}) {
        web.QueueFault(f);
        EXPECT_THROW(http.Post(Url(), kDoc), ENetworkError) << static_cast<int>(f);
    }
    // An empty reply is a reply; its readers judge it.
    web.QueueFault(Fault::EmptyBody);
    EXPECT_EQ(http.Post(Url(), kDoc), "");
    EXPECT_THROW(http.Post(ServiceUrl("127.0.0.1:" + std::to_string(webdouble::ClosedPort())), kDoc),
                 ENetworkError);
    EXPECT_THROW(http.Post(ServiceUrl(""), kDoc), ENetworkError);
    EXPECT_THROW(http.Post("file:///etc/passwd", kDoc), ENetworkError);
}

TEST_F(WebExchangeTest, TrickleArrivesWholeUnlessItStalls) {
    web.TrickleMs = 5;
    http.IdleTimeoutMs = 1000;
    web.QueueFault(Fault::Trickle);
    const std::string reply = http.Post(Url(), kDoc);
    EXPECT_NE(reply.find("</U8LOG>"), std::string::npos);

    web.TrickleMs = 1500;
    http.IdleTimeoutMs = 300;
    web.QueueFault(Fault::Trickle);
    EXPECT_THROW(http.Post(Url(), kDoc), ENetworkError);
}

TEST_F(WebExchangeTest, ATrickleThatNeverStallsEndsAtTheLowSpeedLimit) {
    // A download reply of some kilobytes, a byte every 5 ms: never silent for
    // the idle limit, but slower than the low-speed limit over its window.
    web.AddCourse(WebDouble::SampleCourse("Birch", 9, 1));
    const std::string query =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-15\" ?>\n<U8LOG>\n\t<HEADER>\n"
        "\t\t<DATA>GETCOURSES</DATA>\n\t</HEADER>\n\t<SAMPLE>\n\t\t<COURSEID>" +
        std::to_string(web.Courses()[0].webId) + "</COURSEID>\n\t</SAMPLE>\n</U8LOG>\n";
    web.TrickleMs = 5;
    http.LowSpeedWindowMs = 400;
    http.LowSpeedBytesPerSec = 1000;
    web.QueueFault(Fault::Trickle);
    try {
        http.Post(Url(), query);
        ADD_FAILURE() << "the trickle ran to its end";
    } catch (const ENetworkError& e) {
        EXPECT_STREQ(e.what(), "The web service stopped answering.");
        EXPECT_TRUE(e.MayHaveArrived);
    }
    // At full speed the same reply is whole under the same limit.
    EXPECT_NE(http.Post(Url(), query).find("</U8LOG>"), std::string::npos);
}

TEST_F(WebExchangeTest, ReplyLargerThanTheLimit) {
    http.MaxReplyBytes = 20;
    EXPECT_THROW(http.Post(Url(), kDoc), ENetworkError);
    http.MaxReplyBytes = 16u << 20;
    EXPECT_NO_THROW(http.Post(Url(), kDoc));
}

TEST(WebSettings, ReadFromTheConfFile) {
    TempHome home;
    RegWriteString(RegRoot::LocalMachine, "Software\\Orlent\\Caddora\\", "Address", "h:1");
    RegWriteString(RegRoot::LocalMachine, PlayerKey(3), "UserName", "ann");
    RegWriteString(RegRoot::LocalMachine, PlayerKey(3), "Password", "pw");
    RegWriteString(RegRoot::LocalMachine, PlayerKey(3), "FirewallAdress", "proxy");
    RegWriteString(RegRoot::LocalMachine, PlayerKey(3), "Portnumber", "3128");
    TWebSettings s = ReadWebSettings(3);
    EXPECT_EQ(s.Address, "h:1");
    EXPECT_EQ(s.UserName, "ann");
    EXPECT_EQ(s.Password, "pw");
    EXPECT_EQ(s.FirewallAdress, "proxy");
    EXPECT_EQ(s.Portnumber, "3128");
    TWebSettings none = ReadWebSettings(4);
    EXPECT_EQ(none.UserName, "");
    EXPECT_EQ(none.Address, "h:1");
}
