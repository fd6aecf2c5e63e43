#include <gtest/gtest.h>

#include "tests/support/EngineInternals.h"

using namespace tessera;

namespace {

TEST(HtmlCharsetDeclaration, RewritesEveryMetaDeclaration) {
    struct Case {
        std::string html;
        std::string rewritten;
        size_t count;
    } cases[] = {
        {"<meta charset=\"utf-8\">", "<meta charset=\"MS932\">", 1},
        {"<META CHARSET=utf-8/>", "<META CHARSET=MS932/>", 1},
        {"<meta http-equiv=\"Content-Type\"\r\n content=\"text/html; charset=iso-2022-jp\">x",
         "<meta http-equiv=\"Content-Type\"\r\n content=\"text/html; charset=MS932\">x", 1},
        {"<meta charset='a'><p>charset=b</p><meta content='text/html;charset=c'>",
         "<meta charset='MS932'><p>charset=b</p><meta content='text/html;charset=MS932'>", 2},
        {"<meta data-charset=\"x\" name=a><metadata charset=x>",
         "<meta data-charset=\"x\" name=a><metadata charset=x>", 0},
        {"<meta charset=", "<meta charset=", 0},
    };
    for (Case& c : cases) {
        std::string html = c.html;
        EXPECT_EQ(RewriteHtmlCharsetDeclarations(html, "MS932"), c.count) << c.html;
        EXPECT_EQ(html, c.rewritten);
    }
}

}  // namespace
