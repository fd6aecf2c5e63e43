// The real plug-in DLL loaded into this process, which plays the host.
#include <gtest/gtest.h>

#include <cstring>

#include "host/SimulatedHost.h"
#include "resources/Version.h"
#include "settings/SettingsStore.h"
#include "tests/support/HexBytes.h"
#include "tests/wine/support/PluginFixture.h"
#include "tests/wine/support/WindowWatcher.h"

using namespace tessera;
using namespace tessera::testing;

namespace {

const char kAskName[] = "ShiftJISでエクスポート";
const char kStoredName[] = "登録形式でエクスポート";

using tessera::testing::Hex;

TEST(PluginLoad, BindsAllHostFunctionsAndLoads) {
    PluginFixture plugin;
    EXPECT_TRUE(plugin.Load());
}

TEST(PluginLoad, RefusesToLoadWhenOneHostFunctionIsMissing) {
    // simhost-missing.exe leaves BKA_Connect out of its exports.
    std::string command = "\"" + ExeFolder() + "simhost-missing.exe\" --plugin \"" + ExeFolder() +
                          "Tessera.dll\" --do info";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    WaitForSingleObject(process.hProcess, INFINITE);  // ctest bounds the run
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    EXPECT_EQ(code, 3u) << "simhost exits 3 when the plug-in refuses to load";
}

TEST(PluginInfo, FillsFourNulTerminatedFieldsWhateverTheRecordHeld) {
    PluginFixture plugin;
    ASSERT_TRUE(plugin.Load());
    char record[320];
    std::memset(record, 'X', sizeof record);
    EXPECT_EQ(plugin.Host().CallInfo(record), 0);
    const char* expected[] = {"ShiftJIS Export plugin for B2", "Corvin", TESSERA_VERSION,
                              "ShiftJISでのエクスポートをサポート"};
    for (int i = 0; i < 4; ++i) {
        const char* field = record + i * 80;
        EXPECT_EQ(Hex(std::string(field, strnlen(field, 80))), Hex(expected[i])) << "field " << i;
        EXPECT_LT(strnlen(field, 80), 80u);
    }
}

TEST(MenuInit, RegistersBothCommandsAndInsertsItemsBeforeTheHostItem) {
    PluginFixture plugin;
    ASSERT_TRUE(plugin.Load());
    EXPECT_EQ(plugin.Host().CallMenuInit(0), 0);
    const auto& commands = plugin.Host().Commands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(Hex(commands[0].name), Hex(kAskName));
    EXPECT_EQ(Hex(commands[1].name), Hex(kStoredName));
    EXPECT_NE(commands[0].uiCallback, nullptr);
    EXPECT_NE(commands[1].uiCallback, nullptr);
    auto items = plugin.Host().SubMenuItems();
    ASSERT_EQ(items.size(), 4u);  // "&Open", stored, ask, 32774
    EXPECT_EQ(items[1].id, static_cast<UINT>(commands[1].id));
    EXPECT_EQ(Hex(items[1].caption), Hex(kStoredName));
    EXPECT_EQ(items[2].id, static_cast<UINT>(commands[0].id));
    EXPECT_EQ(Hex(items[2].caption), Hex(kAskName));
    EXPECT_EQ(items[3].id, kHostAnchorCommand);
    EXPECT_EQ(plugin.Host().CallExit(), 0);
    items = plugin.Host().SubMenuItems();
    ASSERT_EQ(items.size(), 2u) << "exit removes both items";
    EXPECT_EQ(items[1].id, kHostAnchorCommand);
}

TEST(MenuInit, OtherKindsDoNothing) {
    PluginFixture plugin;
    ASSERT_TRUE(plugin.Load());
    EXPECT_EQ(plugin.Host().CallMenuInit(1), 0);
    EXPECT_TRUE(plugin.Host().Commands().empty());
    EXPECT_EQ(plugin.Host().SubMenuItems().size(), 2u);
    EXPECT_EQ(plugin.Host().CallSetup(), 0) << "no object was created";
}

TEST(MenuInit, SubmenuWithoutHostItemGetsNoItemsButTheObjectExists) {
    PluginFixture plugin;
    ASSERT_TRUE(plugin.Load(/*withAnchor=*/false));
    EXPECT_EQ(plugin.Host().CallMenuInit(0), 0);
    EXPECT_EQ(plugin.Host().SubMenuItems().size(), 1u);
    // The object answers UI queries: no messages means 1.
    EXPECT_EQ(plugin.Host().QueryUI(0), 1);
}

TEST(UpdateUI, AnswersByMessageAvailabilityAndIgnoresForeignIds) {
    PluginFixture plugin;
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    EXPECT_EQ(plugin.Host().QueryUI(0), 1);
    EXPECT_EQ(plugin.Host().QueryUI(1), 1);
    plugin.AddSamples({"01-meeting.eml"});
    EXPECT_EQ(plugin.Host().QueryUI(0), 0);
    EXPECT_EQ(plugin.Host().QueryUI(1), 0);
    long before = SimulatedHost::Instance().GetNextMailCalls();
    UiCallback ui = plugin.Host().Commands()[0].uiCallback;
    EXPECT_EQ(ui(plugin.Host().MainWindow(), 12345), 0);
    EXPECT_EQ(SimulatedHost::Instance().GetNextMailCalls(), before) << "foreign id asks nothing";
}

TEST(Setup, ReturnsZeroBeforeMenuInitAndAfterExit) {
    PluginFixture plugin;
    ASSERT_TRUE(plugin.Load());
    EXPECT_EQ(plugin.Host().CallSetup(), 0);
    EXPECT_EQ(plugin.Host().CallExit(), 0) << "exit without an object";
    EXPECT_FALSE(plugin.IniExists()) << "no INI written without an object";
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    EXPECT_EQ(plugin.Host().CallExit(), 0);
    EXPECT_EQ(plugin.Host().CallSetup(), 0);
}

TEST(Settings, ExitWritesAllFiveKeysInSectionSetting) {
    PluginFixture plugin;
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    ASSERT_FALSE(plugin.IniExists()) << "the INI is written only at exit";
    ASSERT_EQ(plugin.Host().CallExit(), 0);
    std::string ini = plugin.IniText();
    EXPECT_NE(ini.find("[SETTING]"), std::string::npos) << ini;
    for (const char* line : {"SavePath=\r\n", "Separator=\r\n", "Convert=0\r\n", "NoAttach=0\r\n",
                             "SaveType=103\r\n"}) {
        EXPECT_NE(ini.find(line), std::string::npos) << line << " in\n" << ini;
    }
}

TEST(Settings, ValuesAreNormalisedAndCutAsTheReaderDoes) {
    PluginFixture plugin;
    std::string longPath = "C:\\" + std::string(1497, 'p');
    plugin.WriteIni("[SETTING]\r\nConvert=2\r\nSaveType=107\r\nSavePath=" + longPath +
                    "\r\nNoAttach=yes\r\n");
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    ASSERT_EQ(plugin.Host().CallExit(), 0);
    ExportSettings saved = LoadSettingsFile(plugin.IniPath());
    EXPECT_TRUE(saved.Convert);
    EXPECT_EQ(saved.SaveType, 107);
    EXPECT_EQ(saved.SavePath, longPath.substr(0, 1023));
    EXPECT_FALSE(saved.NoAttach) << "a non-numeric value reads as 0";
    EXPECT_NE(plugin.IniText().find("Convert=1\r\n"), std::string::npos);
}

TEST(Settings, ModuleWithoutExtensionFindsItsIni) {
    PluginFixture plugin("TesseraPlugin");
    EXPECT_EQ(plugin.IniPath(), plugin.Folder() + "TesseraPlugin.ini");
    plugin.WriteIni("[SETTING]\r\nSaveType=104\r\n");
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    ASSERT_EQ(plugin.Host().CallExit(), 0);
    EXPECT_NE(plugin.IniText().find("SaveType=104"), std::string::npos) << plugin.IniText();
}

TEST(Settings, PlatformAndPortableIniCodeReadEachOthersFiles) {
    std::string folder = NewTempFolder("ini");
    ExportSettings original;
    original.SavePath = "C:\\メール\\保存\\";
    original.Separator = "----- 区切り -----";
    original.SaveType = 105;
    original.Convert = true;
    original.NoAttach = true;
    ASSERT_TRUE(SaveSettingsFile(folder + "portable.ini", original));
    ASSERT_TRUE(SaveSettings(folder + "platform.ini", original));
    for (const char* name : {"portable.ini", "platform.ini"}) {
        for (auto load : {&LoadSettings, &LoadSettingsFile}) {
            ExportSettings read = load(folder + name);
            EXPECT_EQ(Hex(read.SavePath), Hex(original.SavePath)) << name;
            EXPECT_EQ(Hex(read.Separator), Hex(original.Separator)) << name;
            EXPECT_EQ(read.SaveType, 105) << name;
            EXPECT_TRUE(read.Convert) << name;
            EXPECT_TRUE(read.NoAttach) << name;
        }
    }
}

TEST(Commands, RouteByTheLow16BitsOfTheId) {
    PluginFixture plugin;
    std::string out = NewTempFolder("route");
    plugin.WriteIni("[SETTING]\r\nSavePath=" + out + "\r\nSaveType=103\r\n");
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
    plugin.AddSamples({"05-from-line.eml"});
    // Upper bits set: still the stored-format command, which writes at once.
    ASSERT_TRUE(plugin.Host().InvokeCommand(1, 0x7FFF0000));
    EXPECT_EQ(ListFiles(out), std::vector<std::string>{"Re; [ml;123] a=b=.txt"});
    // The asking command opens the format dialog first; cancel it.
    WindowWatcher watcher("エクスポートフォーマット", IDCANCEL);
    ASSERT_TRUE(plugin.Host().InvokeCommand(0));
    EXPECT_TRUE(watcher.Result().found);
    EXPECT_EQ(plugin.Host().CallExit(), 0);
}

}  // namespace
