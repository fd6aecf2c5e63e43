// The one reader of structured header values, on the forms real mail uses.
#include "export/mime/HeaderParameters.h"

#include <gtest/gtest.h>

using namespace tessera;

namespace {

TEST(HeaderParameters, ReadsEveryValidForm) {
    struct Case {
        const char* value;
        const char* name;
        const char* token;
        const char* found;  // null: absent
        const char* charset;
    } cases[] = {
        {" text/plain; charset=iso-2022-jp", "charset", "text/plain", "iso-2022-jp", ""},
        {" multipart/mixed; boundary = \"b1\"\r\n", "boundary", "multipart/mixed", "b1", ""},
        {" a/b;\r\n\tboundary=\"XyZ\"\r\n", "boundary", "a/b", "XyZ", ""},
        {" a/b; x-charset=no; charset=yes", "charset", "a/b", "yes", ""},
        {" a/b; x-charset=no", "charset", "a/b", nullptr, ""},
        {" text/plain (a comment) ; charset=us-ascii (Plain text)", "charset", "text/plain",
         "us-ascii", ""},
        {" a/b; junk; name=\"q\\\"uote; d\"", "name", "a/b", "q\"uote; d", ""},
        {" a/b; x=\"a;b=c\"; y=2", "y", "a/b", "2", ""},
        {" a/b; charset=a; CHARSET=b", "charset", "a/b", "b", ""},
        {" attachment; filename*=UTF-8'ja'%E3%83%A1.txt", "filename", "attachment",
         "\xE3\x83\xA1.txt", "UTF-8"},
        {" a/b; name*1=\"d.\"; name*0*=utf-8''%41b; name*2=x; name=plain", "name", "a/b", "Abd.x",
         "utf-8"},
        {" a/b; name*1=b; name=plain", "name", "a/b", "plain", ""},  // no segment 0
        {" a/b; name*0=a%41; name*2=c", "name", "a/b", "a%41", ""},  // gap ends it
        {" a/b; q=\"unterminated\r\n", "q", "a/b", "unterminated", ""},
        {" a/b; e=", "e", "a/b", "", ""},
        {"", "x", "", nullptr, ""},
    };
    for (const Case& c : cases) {
        const HeaderValue value = ParseHeaderValue(c.value);
        EXPECT_EQ(value.token, c.token) << c.value;
        const ParameterValue found = FindParameter(value, c.name);
        EXPECT_EQ(found.found, c.found != nullptr) << c.value;
        if (c.found) {
            EXPECT_EQ(found.value, c.found) << c.value;
        }
        EXPECT_EQ(found.charset, c.charset) << c.value;
        EXPECT_EQ(HasParameter(value, c.name), found.found) << c.value;
    }
}

}  // namespace
