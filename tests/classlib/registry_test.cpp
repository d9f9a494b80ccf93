#include "classlib/Registry.h"

#include <gtest/gtest.h>

#include "classlib/Exceptions.h"
#include "classlib/Strings.h"
#include "platform/core/errors.h"
#include "tests/classlib/raised.h"
#include "tests/support/temp_dir.h"

namespace {

using velko_test::RaisedMessage;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_folder_ = platform::RegistryFolder();
    platform::SetRegistryFolder(dir_.path().string());
  }
  void TearDown() override { platform::SetRegistryFolder(saved_folder_); }

  // A value of the settings key read straight through the platform, for
  // checking what was stored and how: "TYPE:DATA", "" when missing.
  static String Stored(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Calvane Technology\\Velko", 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return "";
    }
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    const LONG r = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? std::to_string(type) + ":" + String(buffer, size) : String();
  }
  // What Stored gives for a text value.
  static String Text(const char* text) { return std::to_string(REG_SZ) + ":" + String(text) + '\0'; }

  velko_test::TempDir dir_;
  std::string saved_folder_;
};

std::vector<String> Lines(const TStrings& list) {
  std::vector<String> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
  std::sort(out.begin(), out.end());
  return out;
}

TEST_F(RegistryTest, OpenKeysRelativeAndFromTheRoot) {
  TRegistry reg;
  EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
  EXPECT_FALSE(reg.OpenKey("Software\\Test", false));
  ASSERT_TRUE(reg.OpenKey("Software\\Test", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Test");
  ASSERT_TRUE(reg.OpenKey("Inner", true));  // below the open key
  EXPECT_EQ(reg.CurrentPath(), "Software\\Test\\Inner");
  ASSERT_TRUE(reg.OpenKey("\\Software", false));  // from the root
  EXPECT_EQ(reg.CurrentPath(), "Software");
  EXPECT_TRUE(reg.KeyExists("Test\\Inner"));
  EXPECT_TRUE(reg.KeyExists("\\Software\\Test"));
  EXPECT_FALSE(reg.KeyExists("Nope"));
  EXPECT_TRUE(reg.HasSubKeys());
  TStringList names;
  reg.GetKeyNames(&names);
  EXPECT_EQ(Lines(names), (std::vector<String>{"Test"}));
  reg.CloseKey();
  EXPECT_EQ(reg.CurrentKey(), nullptr);
  EXPECT_EQ(reg.CurrentPath(), "");
}

TEST_F(RegistryTest, TypedValues) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Values", true));
  reg.WriteString("Text", "hello");
  reg.WriteInteger("Number", -5);
  reg.WriteBool("Flag", true);
  const unsigned char bytes[3] = {1, 2, 3};
  reg.WriteBinaryData("Bytes", bytes, 3);
  reg.WriteFloat("Ratio", 0.25);
  EXPECT_EQ(reg.ReadString("text"), "hello");  // names ignore case
  EXPECT_EQ(reg.ReadInteger("Number"), -5);
  EXPECT_TRUE(reg.ReadBool("Flag"));
  unsigned char back[8] = {};
  EXPECT_EQ(reg.ReadBinaryData("Bytes", back, 8), 3);
  EXPECT_EQ(back[2], 3);
  EXPECT_DOUBLE_EQ(reg.ReadFloat("Ratio"), 0.25);
  EXPECT_EQ(reg.GetDataType("Text"), rdString);
  EXPECT_EQ(reg.GetDataType("Number"), rdInteger);
  EXPECT_EQ(reg.GetDataType("Bytes"), rdBinary);
  EXPECT_EQ(reg.GetDataType("Missing"), rdUnknown);
  EXPECT_EQ(reg.GetDataSize("Text"), 6);
  EXPECT_EQ(reg.GetDataSize("Missing"), -1);
  EXPECT_TRUE(reg.ValueExists("NUMBER"));
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_EQ(RaisedMessage<ERegistryException>([&] { reg.ReadString("Number"); }), "Invalid data type for 'Number'");
  EXPECT_EQ(RaisedMessage<ERegistryException>([&] { reg.ReadInteger("Missing"); }),
            "Failed to get data for 'Missing'");
  EXPECT_THROW(reg.ReadInteger("Text"), ERegistryException);
  TStringList names;
  reg.GetValueNames(&names);
  EXPECT_EQ(Lines(names), (std::vector<String>{"Bytes", "Flag", "Number", "Ratio", "Text"}));
  EXPECT_TRUE(reg.DeleteValue("Text"));
  EXPECT_FALSE(reg.DeleteValue("Text"));
  EXPECT_FALSE(reg.ValueExists("Text"));
}

TEST_F(RegistryTest, ReadOnlyKeysRefuseWrites) {
  TRegistry writer;
  ASSERT_TRUE(writer.OpenKey("Software\\RO", true));
  writer.WriteString("a", "1");
  TRegistry reader;
  ASSERT_TRUE(reader.OpenKeyReadOnly("Software\\RO"));
  EXPECT_EQ(reader.ReadString("a"), "1");
  EXPECT_EQ(RaisedMessage<ERegistryException>([&] { reader.WriteString("a", "2"); }), "Failed to set data for 'a'");
  EXPECT_EQ(reader.Access, KEY_ALL_ACCESS);  // only that one open was read-only
}

TEST_F(RegistryTest, DeleteKeyTakesEverythingBelow) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Tree\\A\\B", true));
  reg.WriteString("v", "x");
  reg.CloseKey();
  EXPECT_TRUE(reg.CreateKey("Software\\Tree\\C"));
  EXPECT_TRUE(reg.DeleteKey("\\Software\\Tree"));
  EXPECT_FALSE(reg.KeyExists("Software\\Tree"));
  EXPECT_TRUE(reg.KeyExists("Software"));
  EXPECT_FALSE(reg.DeleteKey("Software\\Tree"));
}

// The Run keys are served from the autostart folder for both roots, so the
// roots are told apart on a plain key.
TEST_F(RegistryTest, OtherRootKeys) {
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKey("Software\\Velko Test\\Roots", true));
  reg.WriteString("velko", "C:\\velko\\velko.exe");
  reg.SetRootKey(HKEY_CURRENT_USER);  // closes the key
  EXPECT_EQ(reg.CurrentKey(), nullptr);
  EXPECT_FALSE(reg.KeyExists("Software\\Velko Test\\Roots"));
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\Velko Test\\Roots"));
  EXPECT_EQ(reg.ReadString("VELKO"), "C:\\velko\\velko.exe");
}

TEST_F(RegistryTest, RegIniFileWritesEveryValueAsText) {
  {
    TRegIniFile ini("SOFTWARE\\Calvane Technology");
    ini.WriteInteger("Velko", "Priority", 3);
    ini.WriteString("Velko", "SwapSkin", "zig.jpg");
    ini.WriteBool("Velko", "Shuffle", true);
    ini.WriteBool("Velko", "Startup", false);
  }
  EXPECT_EQ(Stored("Priority"), Text("3"));
  EXPECT_EQ(Stored("Shuffle"), Text("1"));
  EXPECT_EQ(Stored("Startup"), Text("0"));

  TRegIniFile ini("Software\\Calvane Technology");
  EXPECT_EQ(ini.ReadInteger("velko", "priority", 0), 3);
  EXPECT_EQ(ini.ReadString("Velko", "SwapSkin", ""), "zig.jpg");
  EXPECT_TRUE(ini.ReadBool("Velko", "Shuffle", false));
  EXPECT_FALSE(ini.ReadBool("Velko", "Startup", true));
  EXPECT_TRUE(ini.ReadBool("Velko", "Missing", true));
  EXPECT_EQ(ini.ReadString("Other", "x", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadInteger("Velko", "SwapSkin", 9), 9);  // text that is no number
  TStringList sections, keys, values;
  ini.ReadSections(&sections);
  EXPECT_EQ(Lines(sections), (std::vector<String>{"Velko"}));
  ini.ReadSection("Velko", &keys);
  EXPECT_EQ(Lines(keys), (std::vector<String>{"Priority", "Shuffle", "Startup", "SwapSkin"}));
  ini.ReadSectionValues("Velko", &values);
  EXPECT_EQ(values.Values("swapskin"), "zig.jpg");
  ini.DeleteKey("Velko", "Startup");
  EXPECT_EQ(ini.ReadString("Velko", "Startup", "gone"), "gone");
  ini.EraseSection("Velko");
  ini.ReadSections(&sections);
  EXPECT_EQ(sections.Count(), 0);
  // The ini's own key is still the open one.
  EXPECT_EQ(ini.CurrentPath(), "Software\\Calvane Technology");
}

TEST_F(RegistryTest, RegistryIniFileReadsTextAndNumbers) {
  TRegistryIniFile ini("Software\\Calvane Technology");
  TCustomIniFile& settings = ini;
  settings.WriteBool("Velko", "Updates", true);
  settings.WriteString("Velko", "Level", "12");
  settings.WriteInteger("Velko", "Level", 13);  // existing text stays text
  settings.WriteInteger("Velko", "Count", 4);   // a new value is a number
  EXPECT_EQ(Stored("Updates"), Text("1"));
  EXPECT_EQ(Stored("Level"), Text("13"));
  EXPECT_EQ(Stored("Count"), std::to_string(REG_DWORD) + ":" + String("\4\0\0\0", 4));
  EXPECT_TRUE(settings.ReadBool("Velko", "Updates", false));
  EXPECT_EQ(settings.ReadInteger("Velko", "Level", 0), 13);
  EXPECT_EQ(settings.ReadInteger("Velko", "Count", 0), 4);
  EXPECT_TRUE(settings.ValueExists("Velko", "COUNT"));
  EXPECT_TRUE(settings.SectionExists("Velko"));
  TStringList values;
  settings.ReadSectionValues("Velko", &values);
  EXPECT_EQ(values.Values("Count"), "4");
  EXPECT_EQ(values.Values("Level"), "13");
  settings.EraseSection("Velko");
  EXPECT_FALSE(settings.SectionExists("Velko"));
}

}  // namespace
