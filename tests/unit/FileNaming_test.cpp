#include "export/framing/FileNaming.h"

#include <gtest/gtest.h>

#include "export/framing/FolderPath.h"
#include "export/text/ShiftJisText.h"

using namespace tessera;

namespace {

std::string Name(const std::string& subject) {
    char buffer[1024];
    SubjectToFileName(subject.c_str(), buffer, sizeof buffer);
    return buffer;
}

TEST(SubjectToFileName, MapsReservedCharactersAndTrims) {
    struct {
        const char* subject;
        const char* name;
    } cases[] = {
        {"Re: [ml:123] a/b?", "Re; [ml;123] a=b="},
        {"say \"hi\"", "say 'hi'"},
        {"", "(noname)"},
        {" \t\x01\x1f ", "(noname)"},
        {"report...", "report"},
        {"....", "(noname)"},
        {"  folded\r\n\tsubject \r\n", "folded   subject"},
        {"a*b<c>d|e\\f", "a=b=c=d=e=f"},
        {"\x7f and \xb1\xb2", "\x7f and \xb1\xb2"},
        {"CON", "CON_"},
        {"nul.txt", "nul_.txt"},
        {"Com1", "Com1_"},
        {"COM0", "COM0"},
        {"console", "console"},
        {"CONIN$", "CONIN$_"},
        {"conout$.log", "conout$_.log"},
    };
    for (const auto& c : cases) EXPECT_EQ(Name(c.subject), c.name) << c.subject;
}

TEST(SubjectToFileName, KeepsDoubleByteCharactersWhole) {
    // "表" is 0x95 0x5C: its trail byte is a backslash and must stay.
    EXPECT_EQ(Name("\x95\x5C\x8E\xA6"), "\x95\x5C\x8E\xA6");
    // A lead byte without a valid trail byte is dropped, the next byte mapped.
    EXPECT_EQ(Name("a\x81/b"), "a=b");
    // UTF-8 "あ/": E3 81 pair up, 82 has no trail byte after it.
    EXPECT_EQ(Name("a\xE3\x81\x82/"), "a\xE3\x81=");
    // A lone lead byte at the end cannot swallow the extension's dot.
    EXPECT_EQ(Name("abc\x82"), "abc");
}

// To UTF-8 the same rules keep every character and step UTF-8 characters.
TEST(SubjectToFileName, Utf8NamesKeepEveryCharacter) {
    struct {
        const char* subject;
        const char* name;
    } cases[] = {
        {"😀 𠮷野家: a/b?", "😀 𠮷野家; a=b="},
        {"한국어 Grüße", "한국어 Grüße"},
        {"con.😀", "con_.😀"},
        // C1 NEL and a right-to-left override, which would show "exe.txt" as "txt.exe"
        {"x\xC2\x85y \xE2\x80\xAEtxt.exe", "x y  txt.exe"},
        {"abc.\xE2\x80\xAE", "abc"},
        // a cut-off sequence, an overlong '/', a surrogate: dropped byte by byte
        {"a\xE3\x81/", "a="},
        {"\xC0\xAF"
         "b\xED\xA0\x80",
         "b"},
    };
    for (const auto& c : cases) {
        char buffer[1024];
        SubjectToFileName(c.subject, buffer, sizeof buffer, TargetCharset::kUtf8);
        EXPECT_EQ(std::string(buffer), c.name) << c.subject;
    }
    std::string emoji;
    for (int i = 0; i < 300; ++i) emoji += "😀";
    char buffer[1024];
    SubjectToFileName(emoji.c_str(), buffer, sizeof buffer, TargetCharset::kUtf8);
    EXPECT_EQ(std::string(buffer), emoji.substr(0, 1020));
}

TEST(SubjectToFileName, CutsLongSubjectsWithoutSplittingCharacters) {
    EXPECT_EQ(Name(std::string(2000, 'x')).size(), 1021u);
    std::string kanji;
    for (int i = 0; i < 600; ++i) kanji += "\x8A\xBF";
    std::string name = Name("x" + kanji);
    EXPECT_EQ(name.size(), 1021u);
    name = Name(kanji);
    EXPECT_EQ(name.size(), 1022u);
}

TEST(FitFileName, KeepsNameAndTailWithinTheLimits) {
    std::string kanji;
    for (int i = 0; i < 300; ++i) kanji += "\x8A\xBF";
    std::string fitted = FitFileName(kanji, 10, 4, 0);
    EXPECT_LE(fitted.size() + 4, kMaxFileNameBytes);
    EXPECT_EQ(fitted.size() % 2, 0u) << "never half a character";
    fitted = FitFileName(std::string(300, 'a'), 200, 4, 259);
    EXPECT_EQ(fitted.size(), 55u);
    EXPECT_EQ(FitFileName("short", 400, 4, 259), "short") << "nothing fits: the path fails later";
    EXPECT_EQ(FitFileName(std::string(250, 'a') + "  .. b", 0, 4, 0), std::string(250, 'a'));
}

// A platform that writes every double-byte character as 3 bytes (as UTF-8 does).
std::string ThreeByteCharacters(const std::string& name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsShiftJisLeadByte(static_cast<unsigned char>(name[i]))) {
            out += "\xE6\x97\xA5";
            ++i;
        } else {
            out += name[i];
        }
    }
    return out;
}

TEST(FitFileName, MeasuresTheNameAsWrittenOnDisk) {
    std::string kanji, written;
    for (int i = 0; i < 120; ++i) kanji += "\x93\xFA";
    for (int i = 0; i < 83; ++i) written += "\xE6\x97\xA5";
    EXPECT_EQ(FitFileName(kanji, 0, 4, 0, ThreeByteCharacters), written);
    EXPECT_EQ(FitFileName(kanji, 200, 4, 259, ThreeByteCharacters), written.substr(0, 54));
    EXPECT_EQ(FitFileName("a\x93\xFA", 0, 4, 0, ThreeByteCharacters), "a\xE6\x97\xA5");
    // Names that differ only in what the platform cannot write meet on disk.
    NameRegistry names;
    auto lossy = [](const std::string&) { return std::string("_"); };
    EXPECT_EQ(UniqueFileName(names, "\x85\x40", ".eml", 3, 0, lossy), "_.eml");
    EXPECT_EQ(UniqueFileName(names, "\x85\x41", ".eml", 3, 0, lossy), "_ (2).eml");
}

TEST(FitFileName, CutsUtf8AtACharacterBoundary) {
    const std::string yoshi = "𠮷";  // 4 bytes
    std::string name = "a";
    for (int i = 0; i < 100; ++i) name += yoshi;
    std::string kept = "a";
    for (int i = 0; i < 62; ++i) kept += yoshi;
    const TargetCharset utf8 = TargetCharset::kUtf8;
    EXPECT_EQ(FitFileName(name, 0, 4, 0, nullptr, utf8), kept);
    EXPECT_EQ(FitFileName(
                  name, 0, 4, 0, [](const std::string& n) { return n; }, utf8),
              kept);
    EXPECT_EQ(FitFileName(name, 200, 4, 259, nullptr, utf8), kept.substr(0, 53));
    NameRegistry names;
    EXPECT_EQ(UniqueFileName(names, name, ".eml", 0, 0, nullptr, utf8), kept + ".eml");
    EXPECT_EQ(UniqueFileName(names, name, ".eml", 0, 0, nullptr, utf8),
              kept.substr(0, 61 * 4 + 1) + " (2).eml");
}

TEST(UniqueFileName, NumbersRepeatsIgnoringCase) {
    NameRegistry names;
    EXPECT_EQ(UniqueFileName(names, "Hello", ".eml", 3, 259), "Hello.eml");
    EXPECT_EQ(UniqueFileName(names, "hello", ".eml", 3, 259), "hello (2).eml");
    EXPECT_EQ(UniqueFileName(names, "Hello", ".eml", 3, 259), "Hello (3).eml");
    // A name another Subject took is passed, for this Subject and the next alike.
    EXPECT_EQ(UniqueFileName(names, "Hi (2)", ".eml", 3, 259), "Hi (2).eml");
    EXPECT_EQ(UniqueFileName(names, "Hi", ".eml", 3, 259), "Hi.eml");
    EXPECT_EQ(UniqueFileName(names, "Hi", ".eml", 3, 259), "Hi (3).eml");
    EXPECT_EQ(UniqueFileName(names, "HI", ".eml", 3, 259), "HI (4).eml");
    std::string longName(300, 'z');
    std::string first = UniqueFileName(names, longName, ".eml", 3, 0);
    std::string second = UniqueFileName(names, longName, ".eml", 3, 0);
    EXPECT_EQ(first.size(), 255u);
    EXPECT_EQ(second.size(), 255u);
    EXPECT_EQ(second.substr(second.size() - 8), " (2).eml");
}

}  // namespace

// One rule for the folder names go behind, on Windows and natively.
TEST(FolderPath, FolderGetsTheSeparatorOfItsSystemOnce) {
    const struct {
        const char* folder;
        char separator;
        const char* expected;
    } cases[] = {
        {"C:\\out", '\\', "C:\\out\\"},
        {"C:\\out\\", '\\', "C:\\out\\"},
        {"C:/out/", '\\', "C:/out/"},
        {"", '\\', "\\"},
        {"\x95\x5C", '\\', "\x95\x5C\\"},  // "表": its 0x5C is no separator
        {"/tmp/out", '/', "/tmp/out/"},
        {"/tmp/out/", '/', "/tmp/out/"},
        {"a\\", '/', "a\\/"},  // a backslash is a name's byte on POSIX
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderWithSeparator(c.folder, c.separator), c.expected) << c.folder;
    }
}
