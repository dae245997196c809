#include "resources/compiler/ScriptCompiler.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/core/FileCallsTestFolder.h"
#include "tests/resources/ScriptTestSupport.h"

namespace {

// The bytes of the only resource a script defines.
Bytes Only(const std::string& script) {
  const rc::CompiledModule module = Compile(script);
  EXPECT_EQ(module.resources.size(), 1u);
  return module.resources.empty() ? Bytes() : module.resources[0].bytes;
}

TEST(ScriptCompilerTest, TypedValuesInEachEncoding) {
  EXPECT_EQ(Only("1 TEST BEGIN BYTE 1, -1, 255 END"), (Bytes{1, 0xFF, 0xFF}));
  EXPECT_EQ(Only("1 TEST { WORD 0x1234 -2 BEWORD 0x1234 }"),
            (Bytes{0x34, 0x12, 0xFE, 0xFF, 0x12, 0x34}));
  EXPECT_EQ(Only("1 TEST BEGIN LONG 0x01020304 BELONG -2 END"),
            (Bytes{4, 3, 2, 1, 0xFF, 0xFF, 0xFF, 0xFE}));
  EXPECT_EQ(Only("1 TEST BEGIN DOUBLE 1.5 BEDOUBLE -2 END"),
            (Bytes{0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 0xC0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Only("1 TEST BEGIN PSTRING \"ab\", \"\" CSTRING \"c\" CHARS \"de\" TAG \"mass\" END"),
            (Bytes{2, 'a', 'b', 0, 'c', 0, 'd', 'e', 'm', 'a', 's', 's'}));
  EXPECT_EQ(Only("1 TEST BEGIN END"), Bytes{});
}

TEST(ScriptCompilerTest, TextsAreSingleByteWithEscapes) {
  EXPECT_EQ(Only("1 TEST BEGIN CHARS \"\xC2\xB0\xE2\x82\xAC\" END"), (Bytes{0xB0, 0x80}));
  EXPECT_EQ(Only("1 TEST BEGIN CHARS \"\\x00\\xFC\\\"\\\\\\n\" END"),
            (Bytes{0, 0xFC, '"', '\\', '\n'}));
  EXPECT_EQ(Only("1 TEST BEGIN TAG \"\\xFC\\xEB\\xE4\\xEF\" END"), (Bytes{0xFC, 0xEB, 0xE4, 0xEF}));
}

TEST(ScriptCompilerTest, NamesTypesAndDefines) {
  const rc::CompiledModule module = Compile(
      "#define LIST 1100\n"
      "// a comment\n"
      "LIST STRD BEGIN BEWORD 0 END\n"
      "/* another\n comment */ PLAYERMODE \"e C \" BEGIN WORD LIST BYTE 0 END\n"
      "\"quoted name\" RCDATA BEGIN WORD LIST END\n");
  ASSERT_EQ(module.resources.size(), 3u);
  EXPECT_EQ(module.resources[0].name.id, 1100);
  EXPECT_EQ(module.resources[0].type.text, "STRD");
  EXPECT_EQ(module.resources[1].name.text, "PLAYERMODE");
  EXPECT_EQ(module.resources[1].type.text, "e C ");
  EXPECT_EQ(module.resources[1].bytes, (Bytes{0x4C, 0x04, 0x00}));
  EXPECT_EQ(module.resources[2].type.id, 10);
  EXPECT_EQ(module.resources[2].name.text, "quoted name");
}

TEST(ScriptCompilerTest, StringTableBecomesBlocksOfSixteen) {
  rc::CompiledModule module =
      Compile("STRINGTABLE BEGIN 17 \"Hi\" 18, \"\xE2\x82\xAC\" 40 \"x\" END");
  rc::FinishModule(module);
  ASSERT_EQ(module.resources.size(), 2u);
  const rc::CompiledResource& block = module.resources[0];
  EXPECT_EQ(block.type.id, 6);
  EXPECT_EQ(block.name.id, 2);
  Bytes expected = {0, 0, 2, 0, 'H', 0, 'i', 0, 1, 0, 0xAC, 0x20};
  expected.resize(expected.size() + 2 * 13, 0);
  EXPECT_EQ(block.bytes, expected);
  EXPECT_EQ(module.resources[1].name.id, 3);
  EXPECT_TRUE(module.strings.empty());
}

TEST(ScriptCompilerTest, IncludedFilesAndBitmaps) {
  const TestFolder folder;
  ASSERT_TRUE(folder.ok());
  folder.Write("raw.bin", "abc");
  Bytes bitmap(14 + 40, 0);
  bitmap[0] = 'B';
  bitmap[1] = 'M';
  bitmap[14] = 40;
  folder.Write("image.bmp", bitmap);
  const std::string script = folder.Path("lib.rc");
  const rc::CompiledModule module =
      Compile("5 \"dfft\" \"raw.bin\"\n 10 BITMAP \"image.bmp\"\n", script);
  ASSERT_EQ(module.resources.size(), 2u);
  EXPECT_EQ(module.resources[0].bytes, (Bytes{'a', 'b', 'c'}));
  EXPECT_EQ(module.resources[1].type.id, 2);
  ASSERT_EQ(module.resources[1].bytes.size(), 40u);
  EXPECT_EQ(module.resources[1].bytes[0], 40);
  EXPECT_NE(ErrorOf("11 BITMAP \"raw.bin\"", script).find("is not a bitmap file"),
            std::string::npos);
  EXPECT_NE(ErrorOf("12 DATA \"missing.bin\"", script).find("cannot read"), std::string::npos);
}

// Only plain files are read, so the compiler neither stops on a folder nor waits on a device.
TEST(ScriptCompilerTest, IncludedNamesThatAreNoPlainFileAreRefusedWithTheirLine) {
  const TestFolder folder;
  ASSERT_TRUE(folder.ok());
  const std::string script = folder.Path("lib.rc");
  EXPECT_EQ(ErrorOf("\n1 DATA \"\"", script), script + ":2: a file name cannot be empty");
  EXPECT_EQ(ErrorOf("1 DATA \".\"", script),
            script + ":1: cannot read \"" + folder.Path(".") + "\": it is a folder");
  EXPECT_EQ(ErrorOf("1 DATA \"/dev/zero\"", script),
            script + ":1: cannot read \"/dev/zero\": it is not a plain file");
  EXPECT_EQ(ErrorOf("1 BITMAP \"/dev/stdin\"", script),
            script + ":1: cannot read \"/dev/stdin\": it is not a plain file");
  rc::CompiledModule module;
  try {
    rc::CompileScriptFile("/dev/stdin", module);
    ADD_FAILURE() << "standard input was read as a script";
  } catch (const rc::ScriptError& error) {
    EXPECT_STREQ(error.what(), "/dev/stdin: cannot read the script: it is not a plain file");
  }
  EXPECT_THROW(rc::CompileScriptFile(folder.Path(""), module), rc::ScriptError);
}

TEST(ScriptCompilerTest, NumbersMustBeWholeAndFinite) {
  for (const char* bad : {"1.5", "12abc", "0x", "1e3"}) {
    EXPECT_EQ(ErrorOf(std::string("1 T BEGIN WORD ") + bad + " END"),
              std::string("bad.rc:1: \"") + bad + "\" is not an integer");
  }
  EXPECT_EQ(ErrorOf("1 T BEGIN DOUBLE 1e999 END"), "bad.rc:1: 1e999 is too large for a DOUBLE");
  for (const char* bad : {"-nan", "+inf", "-infinity", "0x1p3", "1e", ".", "1.5.2"}) {
    EXPECT_EQ(ErrorOf(std::string("1 T BEGIN DOUBLE ") + bad + " END"),
              std::string("bad.rc:1: \"") + bad + "\" is not a number");
  }
  const rc::CompiledModule module = Compile("1 T BEGIN DOUBLE -2.5e-1, 1e-400, BEDOUBLE .5 END");
  ASSERT_EQ(module.resources[0].bytes.size(), 24u);
  double values[2];
  std::memcpy(values, module.resources[0].bytes.data(), 16);
  EXPECT_EQ(values[0], -0.25);
  EXPECT_EQ(values[1], 0.0);
  EXPECT_EQ(module.resources[0].bytes[16], 0x3F);  // 0.5 big-endian: 3F E0 00 ...
  EXPECT_EQ(module.resources[0].bytes[17], 0xE0);
}

// A NUL would end a menu item, a caption or a name early, and the rest would read as more
// items; counted data may hold it.
TEST(ScriptCompilerTest, TerminatedTextsCannotHoldNul) {
  EXPECT_EQ(ErrorOf("1 MENU BEGIN MENUITEM \"ab\\0cd\", 5 END"),
            "bad.rc:1: this text cannot hold \\0");
  EXPECT_EQ(ErrorOf("1 MENU BEGIN POPUP \"a\\0\" BEGIN MENUITEM \"x\", 1 END END"),
            "bad.rc:1: this text cannot hold \\0");
  EXPECT_EQ(ErrorOf("\"na\\0me\" T BEGIN END"), "bad.rc:1: this text cannot hold \\0");
  EXPECT_EQ(ErrorOf("1 DIALOG 0, 0, 10, 10\nCAPTION \"a\\0b\"\nBEGIN END"),
            "bad.rc:2: this text cannot hold \\0");
  EXPECT_EQ(ErrorOf("1 T BEGIN CSTRING \"a\\0\" END"), "bad.rc:1: a C string cannot hold \\0");
  const rc::CompiledModule module = Compile("1 T BEGIN PSTRING \"a\\0\" CHARS \"\\0\" END");
  EXPECT_EQ(module.resources[0].bytes, (Bytes{2, 'a', 0, 0}));
}

TEST(ScriptCompilerTest, MalformedScriptsAreRefusedWithTheirLine) {
  EXPECT_EQ(ErrorOf("\n\n1 T BEGIN WORD 70000 END"), "bad.rc:3: 70000 is outside -32768..65535");
  EXPECT_EQ(ErrorOf("1 T BEGIN BYTE 256 END"), "bad.rc:1: 256 is outside -128..255");
  EXPECT_EQ(ErrorOf("1 T BEGIN 5 END"), "bad.rc:1: a value needs a type first (WORD, ...)");
  EXPECT_EQ(ErrorOf("1 T BEGIN WORD \"x\" END"), "bad.rc:1: expected a number, found \"x\"");
  EXPECT_EQ(ErrorOf("1 T BEGIN PSTRING 5 END"), "bad.rc:1: expected a quoted text, found \"5\"");
  EXPECT_EQ(ErrorOf("1 T BEGIN WORD 1"), "bad.rc:1: END is missing");
  EXPECT_EQ(ErrorOf("1 T BEGIN WORD COUNT END"), "bad.rc:1: unknown name \"COUNT\"");
  EXPECT_EQ(ErrorOf("1 T BEGIN TAG \"abc\" END"), "bad.rc:1: a tag has exactly four characters");
  EXPECT_EQ(ErrorOf("1 T BEGIN PSTRING \"" + std::string(256, 'a') + "\" END"),
            "bad.rc:1: a counted string holds at most 255 characters");
  EXPECT_EQ(ErrorOf("1 T BEGIN CHARS \"open\nEND"), "bad.rc:1: text is not closed");
  EXPECT_EQ(ErrorOf("1 T BEGIN CHARS \"\xE4\xB8\xAD\" END"),
            "bad.rc:1: character U+4E2D has no single-byte form");
  EXPECT_EQ(ErrorOf("1 T BEGIN CHARS \"\xC3\" END"), "bad.rc:1: the script is not valid UTF-8");
  EXPECT_EQ(ErrorOf("1 T BEGIN END\n1 t BEGIN END"), "bad.rc:2: resource \"t\" 1 is defined twice");
  EXPECT_EQ(ErrorOf("STRINGTABLE BEGIN 5 \"a\" 5 \"b\" END"),
            "bad.rc:1: string 5 is defined twice");
  EXPECT_EQ(ErrorOf("#include \"x.h\"\n"), "bad.rc:1: unknown directive #include");
  EXPECT_EQ(ErrorOf("/* open"), "bad.rc:1: comment is not closed");
  EXPECT_EQ(ErrorOf("70000 T BEGIN END"), "bad.rc:1: 70000 is outside 0..65535");
  EXPECT_EQ(ErrorOf("1 T BEGIN CHARS \"\\q\" END"), "bad.rc:1: unknown escape \\q");
}

// Little-endian words, then a NUL-terminated UTF-16 text.
void Words(Bytes& out, std::initializer_list<uint16_t> words) {
  for (const uint16_t word : words) {
    out.push_back(static_cast<uint8_t>(word));
    out.push_back(static_cast<uint8_t>(word >> 8));
  }
}
void Utf16(Bytes& out, const std::u16string& text) {
  for (const char16_t unit : text)
    Words(out, {static_cast<uint16_t>(unit)});
  Words(out, {0});
}

TEST(ScriptCompilerTest, MenuTemplateMarksTheEndOfEachLevel) {
  const rc::CompiledModule module = Compile(
      "20000 MENU DISCARDABLE\n"
      "BEGIN\n"
      "  POPUP \"&File\"\n"
      "  BEGIN\n"
      "    MENUITEM \"&New\\tCtrl+N\", 1001\n"
      "    MENUITEM SEPARATOR\n"
      "    POPUP \"Units\" BEGIN MENUITEM \"\xE2\x82\xAC\", 7, CHECKED GRAYED END\n"
      "  END\n"
      "  MENUITEM \"Help\" 2, HELP\n"
      "END\n");
  ASSERT_EQ(module.resources.size(), 1u);
  EXPECT_EQ(module.resources[0].type.id, 4);
  Bytes expected;
  Words(expected, {0, 0, 0x0010});
  Utf16(expected, u"&File");
  Words(expected, {0, 1001});
  Utf16(expected, u"&New\tCtrl+N");
  Words(expected, {0, 0});
  Utf16(expected, u"");
  Words(expected, {0x0010 | 0x0080});
  Utf16(expected, u"Units");
  Words(expected, {0x0008 | 0x0001 | 0x0080, 7});
  Utf16(expected, u"\u20AC");
  Words(expected, {0x4000 | 0x0080, 2});
  Utf16(expected, u"Help");
  EXPECT_EQ(module.resources[0].bytes, expected);
  EXPECT_EQ(ErrorOf("1 MENU BEGIN END"), "bad.rc:1: a menu level needs an item");
  EXPECT_EQ(ErrorOf("1 MENU BEGIN POPUP \"a\" BEGIN END END"),
            "bad.rc:1: a menu level needs an item");
  EXPECT_EQ(ErrorOf("1 MENU BEGIN ITEM \"a\" END"),
            "bad.rc:1: expected MENUITEM, POPUP or END, found \"ITEM\"");
}

TEST(ScriptCompilerTest, AcceleratorEntriesOfEightBytes) {
  const Bytes bytes = Only(
      "SHELL ACCELERATORS\n"
      "BEGIN\n"
      "  \"n\", 1001, VIRTKEY, CONTROL\n"
      "  \"^C\", 1002\n"
      "  VK_F1, 1003, VIRTKEY, SHIFT, NOINVERT\n"
      "  65, 1004, ASCII, ALT\n"
      "END\n");
  Bytes expected;
  Words(expected, {0x09, 'N', 1001, 0});
  Words(expected, {0x00, 3, 1002, 0});
  Words(expected, {0x07, 0x70, 1003, 0});
  Words(expected, {0x10 | 0x80, 65, 1004, 0});
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(ErrorOf("A ACCELERATORS BEGIN END"), "bad.rc:1: an accelerator table needs an entry");
  EXPECT_EQ(ErrorOf("A ACCELERATORS BEGIN VK_F1, 5 END"), "bad.rc:1: VK_F1 needs VIRTKEY");
  EXPECT_EQ(ErrorOf("A ACCELERATORS BEGIN VK_NONE, 5, VIRTKEY END"),
            "bad.rc:1: unknown key \"VK_NONE\"");
  EXPECT_EQ(ErrorOf("A ACCELERATORS BEGIN \"a\", 5, CTRL END"),
            "bad.rc:1: unknown accelerator option CTRL");
  EXPECT_EQ(ErrorOf("A ACCELERATORS BEGIN \"ab\", 5 END"),
            "bad.rc:1: an accelerator key is one character or ^ and a letter");
}

TEST(ScriptCompilerTest, ToolBarsStoreTheirImageSizeAndCommands) {
  const Bytes bytes = Only(
      "19999 TOOLBAR 16, 15\n"
      "BEGIN\n"
      "  BUTTON 10\n"
      "  SEPARATOR\n"
      "  BUTTON 1031\n"
      "END\n");
  Bytes expected;
  Words(expected, {1, 16, 15, 3, 10, 0, 1031});
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(ErrorOf("1 TOOLBAR 16, 15 BEGIN END"), "bad.rc:1: a tool bar needs an item");
  EXPECT_EQ(ErrorOf("1 TOOLBAR 16, 15 BEGIN MENUITEM 5 END"),
            "bad.rc:1: a tool bar holds BUTTON and SEPARATOR items");
  EXPECT_EQ(ErrorOf("1 TOOLBAR 16, 15 BEGIN BUTTON 0 END").find("bad.rc:1:"), 0u);
  EXPECT_EQ(ErrorOf("1 TOOLBAR 0, 15 BEGIN BUTTON 3 END").find("bad.rc:1:"), 0u);
}

TEST(ScriptCompilerTest, StringBlockClashingWithAResourceIsRefused) {
  rc::CompiledModule module = Compile("STRINGTABLE BEGIN 1 \"a\" END\n1 RCDATA BEGIN END");
  EXPECT_NO_THROW(rc::FinishModule(module));
  module = Compile("STRINGTABLE BEGIN 1 \"a\" END\n1 6 BEGIN END");
  EXPECT_THROW(rc::FinishModule(module), rc::ScriptError);
  EXPECT_EQ(ErrorOf("1 \"#6\" BEGIN END"), "bad.rc:1: a text name cannot start with '#'");
}

TEST(ScriptCompilerTest, GeneratedTablesNameEveryResource) {
  rc::CompiledModule module = Compile("10 HIER BEGIN WORD 0 257 0 END\n\"x y\" \"e C \" BEGIN END");
  const std::string source = rc::GenerateTableSource({module}, "Tables");
  EXPECT_NE(source.find("const ResourceModuleTable* Tables(uint32_t& count)"), std::string::npos);
  EXPECT_NE(source.find("{\"HIER\", 0, nullptr, 10, kData0_0, 6}"), std::string::npos);
  EXPECT_NE(source.find("{\"e C \", 0, \"x y\", 0, nullptr, 0}"), std::string::npos);
  EXPECT_NE(source.find("{\"test.dll\", kEntries0, 2}"), std::string::npos);
}

}  // namespace
