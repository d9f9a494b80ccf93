#include "classlib/IniFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "classlib/AtomicFile.h"
#include "classlib/Exceptions.h"
#include "classlib/Strings.h"
#include "tests/classlib/raised.h"
#include "tests/platform/fs/fs_fixture.h"

namespace {

class IniFileTest : public velko_test::DriveTest {
 protected:
  void TearDown() override {
    classlib::testing::SetBeforeReplaceHook(nullptr);
    velko_test::DriveTest::TearDown();
  }
};

std::vector<String> Lines(const TStrings& list) {
  std::vector<String> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
  return out;
}

TEST_F(IniFileTest, RoundTripWithMixedCaseKeys) {
  {
    TIniFile ini("T:\\VelkoNet.ini");
    ini.WriteInteger("Connection", "Type", 7);
    ini.WriteString("Connection", "Listenport", "6346");
    ini.WriteBool("Connection", "Firewall", true);
    ini.WriteBool("Socks", "Server", false);
    ini.WriteString("Socks", "Hostname", "proxy.example");
  }
  EXPECT_EQ(Contents("VelkoNet.ini"),
            "[Connection]\r\nType=7\r\nListenport=6346\r\nFirewall=1\r\n[Socks]\r\nServer=0\r\nHostname=proxy.example\r\n");
  TIniFile ini("T:\\velkonet.INI");
  EXPECT_EQ(ini.ReadString("CONNECTION", "ListenPort", "x"), "6346");
  EXPECT_EQ(ini.ReadInteger("connection", "TYPE", 0), 7);
  EXPECT_TRUE(ini.ReadBool("Connection", "firewall", false));
  EXPECT_FALSE(ini.ReadBool("SOCKS", "server", true));
  EXPECT_EQ(ini.ReadString("Socks", "hostname", ""), "proxy.example");
  EXPECT_EQ(ini.ReadString("Socks", "Missing", "default"), "default");
  EXPECT_EQ(ini.ReadInteger("Nowhere", "Type", 7), 7);
  // Rewriting a key in another spelling keeps its line and spelling.
  ini.WriteString("connection", "LISTENPORT", "6347");
  EXPECT_EQ(ini.ReadString("Connection", "Listenport", ""), "6347");
  EXPECT_NE(Contents("VelkoNet.ini").find("Listenport=6347\r\nFirewall"), String::npos);
}

TEST_F(IniFileTest, ProfileRulesForBlanksQuotesCommentsAndNumbers) {
  Write("rules.ini",
        "; a comment=not a key\r\n"
        "[ General ]\r\n"
        "  Name  =  Velko Player  \r\n"
        "Quoted=\"  spaced  \"\r\n"
        "Single='x'\r\n"
        "Hex=0x1F\r\n"
        "Dollar=$10\r\n"
        "Bad=12abc\r\n"
        "Empty=\r\n"
        "no equals sign\r\n"
        ";Comment=1\r\n"
        "[General]\r\n"
        "Name=second section loses\r\n");
  TIniFile ini("T:\\rules.ini");
  EXPECT_EQ(ini.ReadString("general", "name", ""), "Velko Player");
  EXPECT_EQ(ini.ReadString("General", "Quoted", ""), "  spaced  ");
  EXPECT_EQ(ini.ReadString("General", "Single", ""), "x");
  EXPECT_EQ(ini.ReadInteger("General", "Hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("General", "Dollar", 0), 16);
  EXPECT_EQ(ini.ReadInteger("General", "Bad", 5), 5);
  EXPECT_EQ(ini.ReadString("General", "Empty", "d"), "");
  EXPECT_EQ(ini.ReadString("General", "Comment", "d"), "d");
  EXPECT_EQ(ini.ReadString("General", "Missing", "trailing  "), "trailing");
  TStringList keys;
  ini.ReadSection("GENERAL", &keys);
  EXPECT_EQ(Lines(keys), (std::vector<String>{"Name", "Quoted", "Single", "Hex", "Dollar", "Bad", "Empty"}));
  TStringList sections;
  ini.ReadSections(&sections);
  EXPECT_EQ(Lines(sections), (std::vector<String>{"General"}));
  EXPECT_TRUE(ini.SectionExists("general"));
  EXPECT_FALSE(ini.SectionExists("Other"));
  EXPECT_TRUE(ini.ValueExists("General", "HEX"));
  EXPECT_FALSE(ini.ValueExists("General", "Comment"));
}

TEST_F(IniFileTest, NewKeysJoinTheirSectionAndEverythingElseStays) {
  Write("keep.ini", "; settings\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
  TIniFile ini("T:\\keep.ini");
  ini.WriteString("A", "z", "3");
  ini.WriteString("C", "w", "4");
  EXPECT_EQ(Contents("keep.ini"), "; settings\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n[C]\r\nw=4\r\n");
}

TEST_F(IniFileTest, SectionValuesErasingAndDeleting) {
  TIniFile ini("T:\\values.ini");
  ini.WriteString("Tune", "MinClients", "1");
  ini.WriteString("Tune", "MaxClients", "20");
  ini.WriteString("Other", "Key", "v");
  TStringList values;
  values.Add("stale");
  ini.ReadSectionValues("tune", &values);
  EXPECT_EQ(Lines(values), (std::vector<String>{"MinClients=1", "MaxClients=20"}));
  EXPECT_EQ(values.Values("maxclients"), "20");
  ini.DeleteKey("Tune", "minclients");
  EXPECT_EQ(ini.ReadString("Tune", "MinClients", "gone"), "gone");
  ini.DeleteKey("Tune", "NotThere");
  ini.EraseSection("TUNE");
  EXPECT_FALSE(ini.SectionExists("Tune"));
  EXPECT_EQ(Contents("values.ini"), "[Other]\r\nKey=v\r\n");
}

TEST_F(IniFileTest, BooleansAndFloats) {
  Write("b.ini", "[S]\r\nYes=1\r\nNo=0\r\nOther=7\r\nWord=true\r\nF=2.5\r\n");
  TIniFile ini("T:\\b.ini");
  EXPECT_TRUE(ini.ReadBool("S", "Yes", false));
  EXPECT_FALSE(ini.ReadBool("S", "No", true));
  EXPECT_TRUE(ini.ReadBool("S", "Other", false));  // anything but 0
  EXPECT_FALSE(ini.ReadBool("S", "Word", false));  // not a number: the default
  EXPECT_TRUE(ini.ReadBool("S", "Missing", true));
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "F", 0), 2.5);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "Word", 1.25), 1.25);
  ini.WriteFloat("S", "G", 0.75);
  EXPECT_EQ(ini.ReadString("S", "G", ""), "0.75");
}

TEST_F(IniFileTest, ABareNameLivesInTheWindowsFolder) {
  TIniFile ini("CDRipper.ini");
  EXPECT_EQ(ini.FileName(), "T:\\Windows\\CDRipper.ini");
  ini.WriteString("Drive", "Speed", "4");
  EXPECT_EQ(Contents("Windows/CDRipper.ini"), "[Drive]\r\nSpeed=4\r\n");
}

TEST_F(IniFileTest, AWriteInterruptedBeforeTheRenameLeavesTheOldFile) {
  TIniFile ini("T:\\VelkoNet.ini");
  ini.WriteString("Connection", "Type", "7");
  const String old_contents = Contents("VelkoNet.ini");
  String temp_name;
  classlib::testing::SetBeforeReplaceHook([&](const String& temp) {
    temp_name = temp;
    throw std::runtime_error("power failure");
  });
  EXPECT_THROW(ini.WriteString("Connection", "Type", "8"), std::runtime_error);
  // The file is whole and old; the new contents sit complete in the
  // temporary file beside it.
  EXPECT_EQ(Contents("VelkoNet.ini"), old_contents);
  EXPECT_EQ(ini.ReadString("Connection", "Type", ""), "7");
  ASSERT_FALSE(temp_name.empty());
  EXPECT_EQ(temp_name.rfind("T:\\VelkoNet.ini.", 0), 0u);
  const String temp_file = temp_name.substr(3);
  EXPECT_EQ(Contents(temp_file), "[Connection]\r\nType=8\r\n");
  // The next write goes through and replaces the leftover.
  classlib::testing::SetBeforeReplaceHook(nullptr);
  ini.WriteString("Connection", "Type", "9");
  EXPECT_EQ(Contents("VelkoNet.ini"), "[Connection]\r\nType=9\r\n");
  EXPECT_FALSE(std::filesystem::exists(Native(temp_file)));
}

TEST_F(IniFileTest, AFileThatCannotBeWrittenRaises) {
  TIniFile ini("T:\\No Folder\\x.ini");
  EXPECT_EQ(velko_test::RaisedMessage<EIniFileException>([&] { ini.WriteString("S", "K", "V"); }),
            "Unable to write to T:\\No Folder\\x.ini");
  EXPECT_EQ(ini.ReadString("S", "K", "none"), "none");
}

}  // namespace

namespace {

using MemIniFileTest = IniFileTest;

TEST_F(MemIniFileTest, WritesNothingUntilUpdateFileThenReplacesTheFileOnce) {
  Write("Net.ini", "; kept\r\n[Connection]\r\nListenport=1\r\n");
  int replaced = 0;
  classlib::testing::SetBeforeReplaceHook([&](const String&) { ++replaced; });
  TMemIniFile ini("T:\\Net.ini");
  ini.WriteString("Connection", "ListenPort", "6346");
  ini.WriteBool("Connection", "Firewall", true);
  ini.WriteInteger("Tune", "MaxClients", 4);
  EXPECT_EQ(ini.ReadString("connection", "LISTENPORT", ""), "6346");
  EXPECT_TRUE(ini.ReadBool("Connection", "Firewall", false));
  EXPECT_EQ(replaced, 0);
  EXPECT_EQ(Contents("Net.ini"), "; kept\r\n[Connection]\r\nListenport=1\r\n");
  ini.UpdateFile();
  EXPECT_EQ(replaced, 1);
  EXPECT_EQ(Contents("Net.ini"),
            "; kept\r\n[Connection]\r\nListenport=6346\r\nFirewall=1\r\n[Tune]\r\nMaxClients=4\r\n");
}

TEST_F(MemIniFileTest, AFailedReplaceKeepsTheOldFile) {
  Write("Net.ini", "[A]\r\nK=1\r\n");
  TMemIniFile ini("T:\\Net.ini");
  ini.WriteString("A", "K", "2");
  classlib::testing::SetBeforeReplaceHook([](const String&) { throw EIniFileException("crash"); });
  EXPECT_THROW(ini.UpdateFile(), EIniFileException);
  EXPECT_EQ(Contents("Net.ini"), "[A]\r\nK=1\r\n");
}

}  // namespace
