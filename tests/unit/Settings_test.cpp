#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "settings/IniFile.h"
#include "settings/SettingsStore.h"

using namespace tessera;

namespace {

std::string TempPath(const char* name) {
    return std::string(TESSERA_BINARY_DIR) + "/settings-test-" + name + ".ini";
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(SettingsFile, DefaultsWithoutAFileAndAllKeysWritten) {
    std::string path = TempPath("defaults");
    std::remove(path.c_str());
    ExportSettings settings = LoadSettingsFile(path);
    EXPECT_EQ(settings.SavePath, "");
    EXPECT_EQ(settings.SaveType, 103);
    EXPECT_FALSE(settings.Convert);
    EXPECT_FALSE(settings.NoAttach);
    ASSERT_TRUE(SaveSettingsFile(path, settings));
    EXPECT_EQ(
        Read(path),
        "[SETTING]\r\nSavePath=\r\nSeparator=\r\nConvert=0\r\nNoAttach=0\r\nSaveType=103\r\n");
}

TEST(SettingsFile, OddContentLoadsWithDefaultsAndLimits) {
    std::string path = TempPath("odd");
    std::ofstream(path, std::ios::binary)
        << "; comment\r\n[other]\r\nSaveType=104\r\n[setting]\r\n  convert = 2 \r\n"
           "SAVETYPE=107\r\nNoAttach=abc\r\nSavePath=\""
        << std::string(1500, 'p') << "\"\r\n";
    ExportSettings settings = LoadSettingsFile(path);
    EXPECT_TRUE(settings.Convert);
    EXPECT_EQ(settings.SaveType, 107);
    EXPECT_FALSE(settings.NoAttach);
    EXPECT_EQ(settings.SavePath, std::string(1023, 'p'));
    ASSERT_TRUE(SaveSettingsFile(path, settings));
    std::string text = Read(path);
    EXPECT_NE(text.find("convert=1\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("SAVETYPE=107\r\n"), std::string::npos);
    EXPECT_NE(text.find("[other]\r\nSaveType=104\r\n"), std::string::npos) << "other sections kept";
}

TEST(SettingsFile, NegativeSaveTypeIsWrittenUnsigned) {
    std::string path = TempPath("negative");
    std::remove(path.c_str());
    ExportSettings settings;
    settings.SaveType = -1;
    ASSERT_TRUE(SaveSettingsFile(path, settings));
    EXPECT_NE(Read(path).find("SaveType=4294967295\r\n"), std::string::npos);
    EXPECT_EQ(LoadSettingsFile(path).SaveType, -1);
}

TEST(SettingsFile, TheExtraKeysAreReadAndWrittenOnlyWhenSet) {
    std::string path = TempPath("extras");
    std::ofstream(path, std::ios::binary)
        << "[SETTING]\r\nMailFileTimes=0\r\nFileNamePattern=%Y%m%d %s\r\nWriteIndex=1\r\n";
    ExportSettings settings = LoadSettingsFile(path);
    EXPECT_FALSE(settings.MailFileTimes);
    EXPECT_EQ(settings.FileNamePattern, "%Y%m%d %s");
    EXPECT_TRUE(settings.WriteIndex);
    EXPECT_FALSE(settings.SaveAttachments);
    settings.WriteIndex = false;  // a key the file has is written even at its default
    settings.SaveAttachments = true;
    ASSERT_TRUE(SaveSettingsFile(path, settings));
    const std::string text = Read(path);
    for (const char* line : {"MailFileTimes=0\r\n", "FileNamePattern=%Y%m%d %s\r\n",
                             "WriteIndex=0\r\n", "SaveAttachments=1\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    }
}

TEST(IniFile, AppendsMissingKeysInsideTheirSection) {
    IniFile ini;
    ini.Parse("[SETTING]\r\nSavePath=x\r\n\r\n[Next]\r\nA=1\r\n");
    ini.Set("SETTING", "Separator", "--");
    EXPECT_EQ(ini.Text(), "[SETTING]\r\nSavePath=x\r\nSeparator=--\r\n\r\n[Next]\r\nA=1\r\n");
}

}  // namespace
