#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "export/mime/AttachmentRule.h"
#include "export/mime/MimePart.h"
#include "tests/support/CrlfText.h"

namespace tessera {
namespace {

using tessera::testing::Crlf;

// One leaf part behind its delimiter line.
std::string Leaf(const std::string& boundary, const std::string& contentType,
                 const std::string& body) {
    return "--" + boundary + "\nContent-Type: " + contentType + "\n\n" + body + "\n";
}

std::string Container(const std::string& contentType, const std::string& boundary,
                      const std::string& parts) {
    return "Content-Type: " + contentType + "; boundary=" + boundary + "\n\npre\n" + parts + "--" +
           boundary + "--\n";
}

struct DropCase {
    const char* name;
    std::string message;
    std::string expected;  // serialised after dropping, before CR LF
};

// A nested container as one part of `outer`.
std::string Nested(const std::string& outer, const std::string& contentType,
                   const std::string& boundary, const std::string& parts) {
    return "--" + outer + "\n" + Container(contentType, boundary, parts);
}

TEST(DropAttachments, KeepsOnlyTextParts) {
    const std::vector<DropCase> cases = {
        {"mixed plain and png",
         Container("multipart/mixed", "m",
                   Leaf("m", "text/plain", "hi") + Leaf("m", "image/png", "PNG")),
         Container("multipart/mixed", "m", Leaf("m", "text/plain", "hi"))},
        {"alternative plain and html",
         Container("multipart/alternative", "a",
                   Leaf("a", "text/plain", "p") + Leaf("a", "text/html", "<p>")),
         Container("multipart/alternative", "a", Leaf("a", "text/plain", "p"))},
        {"alternative html only",
         Container("multipart/alternative", "a", Leaf("a", "TEXT/HTML", "<p>")),
         Container("multipart/alternative", "a", Leaf("a", "TEXT/HTML", "<p>"))},
        {"mixed holding alternative and pdf keeps the text",
         Container("multipart/mixed", "m",
                   Nested("m", "multipart/alternative", "a",
                          Leaf("a", "text/plain", "p") + Leaf("a", "text/html", "<p>")) +
                       Leaf("m", "application/pdf", "PDF")),
         Container("multipart/mixed", "m",
                   Nested("m", "multipart/alternative", "a", Leaf("a", "text/plain", "p")))},
        {"html only: related keeps it, its image goes",
         Container("multipart/mixed", "m",
                   Nested("m", "multipart/related", "r",
                          Leaf("r", "text/html", "<p>") + Leaf("r", "image/png", "PNG")) +
                       Leaf("m", "application/pdf", "PDF")),
         Container("multipart/mixed", "m",
                   Nested("m", "multipart/related", "r", Leaf("r", "text/html", "<p>")))},
        {"containers left without parts go, at any depth",
         Container("multipart/mixed", "m",
                   Nested("m", "multipart/alternative", "a",
                          Leaf("a", "text/plain", "p") +
                              Nested("a", "multipart/related", "r",
                                     Leaf("r", "text/html", "h") + Leaf("r", "image/gif", "G"))) +
                       Nested("m", "Multipart/Mixed", "n", Leaf("n", "image/png", "I")) +
                       "--m\nContent-Type: multipart/mixed; boundary=never\n\nno parts\n"),
         Container("multipart/mixed", "m",
                   Nested("m", "multipart/alternative", "a", Leaf("a", "text/plain", "p")))},
        {"a message of type text stays whole",
         Container("text/plain", "t", Leaf("t", "image/png", "P")),
         Container("text/plain", "t", Leaf("t", "image/png", "P"))},
        {"forwarded mail, digest members and encrypted parts stay whole",
         Container("multipart/mixed", "m",
                   Leaf("m", "message/rfc822", "Subject: inner\n\ninner text") +
                       Nested("m", "multipart/digest", "d", "--d\n\nSubject: x\n\nmember\n") +
                       Nested("m", "multipart/encrypted", "e",
                              Leaf("e", "application/pgp-encrypted", "V") +
                                  Leaf("e", "application/octet-stream", "PGP")) +
                       Leaf("m", "application/pkcs7-mime", "MII") + Leaf("m", "image/png", "P")),
         Container("multipart/mixed", "m",
                   Leaf("m", "message/rfc822", "Subject: inner\n\ninner text") +
                       Nested("m", "multipart/digest", "d", "--d\n\nSubject: x\n\nmember\n") +
                       Nested("m", "multipart/encrypted", "e",
                              Leaf("e", "application/pgp-encrypted", "V") +
                                  Leaf("e", "application/octet-stream", "PGP")) +
                       Leaf("m", "application/pkcs7-mime", "MII"))},
        {"signed: the signature stays, attachments inside the signed part go",
         Container("multipart/signed", "s",
                   Nested("s", "multipart/mixed", "m",
                          Leaf("m", "text/plain", "t") + Leaf("m", "image/png", "P")) +
                       Leaf("s", "application/pkcs7-signature", "SIG")),
         Container("multipart/signed", "s",
                   Nested("s", "multipart/mixed", "m", Leaf("m", "text/plain", "t")) +
                       Leaf("s", "application/pkcs7-signature", "SIG"))},
        {"an encrypted message stays whole",
         Container("multipart/encrypted", "e",
                   Leaf("e", "application/pgp-encrypted", "V") +
                       Leaf("e", "application/octet-stream", "PGP")),
         Container("multipart/encrypted", "e",
                   Leaf("e", "application/pgp-encrypted", "V") +
                       Leaf("e", "application/octet-stream", "PGP"))},
        {"untyped part is an attachment",
         Container(
             "multipart/mixed", "m",
             Leaf("m", "text/plain", "a") + "--m\n\nuntyped\n" + Leaf("m", "Text/Plain", "b")),
         Container("multipart/mixed", "m",
                   Leaf("m", "text/plain", "a") + Leaf("m", "Text/Plain", "b"))},
        {"first parts go, order kept",
         Container("multipart/mixed", "m",
                   Leaf("m", "image/gif", "1") + Leaf("m", "audio/x", "2") +
                       Leaf("m", "text/plain", "3") + Leaf("m", "video/y", "4") +
                       Leaf("m", "text/enriched", "5")),
         Container("multipart/mixed", "m",
                   Leaf("m", "text/plain", "3") + Leaf("m", "text/enriched", "5"))},
    };
    for (const DropCase& c : cases) {
        MimePart root;
        const std::string source = Crlf(c.message);
        const char* cursor = source.c_str();
        root.Parse(cursor);
        LeaveOutAttachments(root);
        EXPECT_EQ(root.Serialize(), Crlf(c.expected)) << c.name;
    }
}

TEST(DropAttachments, PrunesInsideKeptTextContainers) {
    // A text part that declares a boundary is kept and pruned in turn.
    const std::string inner =
        Container("text/plain", "t", Leaf("t", "image/png", "x") + Leaf("t", "text/plain", "y"));
    const std::string message =
        Container("multipart/mixed", "m", "--m\n" + inner + Leaf("m", "text/html", "h"));
    MimePart root;
    const std::string source = Crlf(message);
    const char* cursor = source.c_str();
    root.Parse(cursor);
    root.DropAttachments(true);
    const std::string kept = Container("text/plain", "t", Leaf("t", "text/plain", "y"));
    EXPECT_EQ(root.Serialize(), Crlf(Container("multipart/mixed", "m", "--m\n" + kept)));
}

TEST(DropAttachments, HtmlStaysWhenNotDropped) {
    const std::string message = Container(
        "multipart/mixed", "m", Leaf("m", "text/html", "h") + Leaf("m", "image/png", "i"));
    MimePart root;
    const std::string source = Crlf(message);
    const char* cursor = source.c_str();
    root.Parse(cursor);
    EXPECT_FALSE(DropsHtml(root));
    root.DropAttachments(false);
    EXPECT_EQ(root.Serialize(),
              Crlf(Container("multipart/mixed", "m", Leaf("m", "text/html", "h"))));
}

TEST(DropAttachments, LeafMessageIsUntouched) {
    const std::string source = Crlf("Content-Type: application/pdf\n\nPDF\n");
    MimePart root;
    const char* cursor = source.c_str();
    root.Parse(cursor);
    root.DropAttachments(true);
    EXPECT_EQ(root.Serialize(), source);
}

TEST(DropAttachments, ManySiblingsGoInLinearTime) {
    std::string parts;
    for (int i = 0; i < 5000; ++i) parts += Leaf("m", i % 2 ? "text/plain" : "image/png", "x");
    MimePart root;
    const std::string source = Crlf(Container("multipart/mixed", "m", parts));
    const char* cursor = source.c_str();
    root.Parse(cursor);
    root.DropAttachments(true);
    size_t count = 0;
    for (const MimePart* p = root.firstChild; p != nullptr; p = p->next) {
        EXPECT_STREQ(p->subtype, "plain");
        ++count;
    }
    EXPECT_EQ(count, 2500u);
}

}  // namespace
}  // namespace tessera
