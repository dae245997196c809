#include "core/FileCalls.h"

#include <dirent.h>

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/MacFile.h"
#include "tests/core/FileCallsTestFolder.h"

namespace {

int OpenDescriptorCount() {
  int count = 0;
  DIR* directory = ::opendir("/proc/self/fd");
  if (directory == nullptr) return -1;
  while (::readdir(directory) != nullptr)
    ++count;
  ::closedir(directory);
  return count;
}

FSSpec Spec(const std::string& path) {
  FSSpec spec;
  spec.name = Str255(path.c_str());
  return spec;
}

class FileCallsTest : public ::testing::Test {
 protected:
  TestFolder folder;
};

TEST_F(FileCallsTest, OpenAndCreateReportTheirCodes) {
  int16_t reference = 7;
  EXPECT_EQ(FSpOpen(Spec(folder.Path("missing")), 1, reference), kErrNoSuchVolume);
  EXPECT_EQ(reference, -1);
  EXPECT_EQ(FSpCreate(folder.Path("no/dir/file").c_str(), reference), kErrNoSuchVolume);
  EXPECT_EQ(reference, -1);
  EXPECT_EQ(FSpOpen(Spec(folder.Path("")), 3, reference), kErrWritePermission);
  EXPECT_EQ(FSpCreate(folder.Path("").c_str(), reference), kErrWritePermission);
  EXPECT_EQ(FSpDelete(folder.Path("missing").c_str()), kErrFileNotFound);
  EXPECT_EQ(FSpDelete(folder.Path("").c_str()), kErrWritePermission);
  EXPECT_EQ(FSpRename(folder.Path("missing").c_str(), folder.Path("x").c_str()), kErrNoSuchVolume);
  EXPECT_EQ(OpenFileByName(folder.Path("missing").c_str(), 0, reference), kErrIO);
  EXPECT_EQ(reference, 0);
}

TEST_F(FileCallsTest, ReadOnlyFilesRefuseWritePermission) {
  const std::string path = folder.Write("locked", "x");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  const OrdinaryUser user(folder);
  if (!user.active()) GTEST_SKIP() << "the superuser may not take an ordinary identity here";
  int16_t reference = 0;
  EXPECT_EQ(FSpOpen(Spec(path), 3, reference), kErrWritePermission);
  EXPECT_EQ(reference, -1);
  EXPECT_EQ(FSpOpen(Spec(path), 2, reference), kErrWritePermission);
  EXPECT_EQ(FSpCreate(path.c_str(), reference), kErrWritePermission);
  // The refusal is the file's own: it still opens for reading, and nothing was truncated.
  ASSERT_EQ(FSpOpen(Spec(path), 1, reference), 0);
  EXPECT_EQ(FSClose(reference), 0);
  EXPECT_EQ(folder.Read("locked"), (std::vector<uint8_t>{'x'}));
}

TEST_F(FileCallsTest, BytesGoOutAsGivenWithoutLineEndTranslation) {
  FSSpec spec = Spec(folder.Path("text"));
  ASSERT_EQ(FSpCreateSpec(spec, MakeTag("ybZA"), MakeTag("TEXT")), 0);
  const int16_t reference = spec.vRefNum;
  ASSERT_GE(reference, 0);
  int32_t count = 7;
  EXPECT_EQ(FSWrite(reference, count, "a\nb\r\nc\n"), 0);
  EXPECT_EQ(count, 7);
  int32_t length = 0;
  EXPECT_EQ(GetEOF(reference, length), 0);
  EXPECT_EQ(length, 7);
  EXPECT_EQ(GetForkEOF(0, reference, length), 0);
  EXPECT_EQ(length, 7);
  EXPECT_EQ(GetForkEOF(1, reference, length), kErrBadRefNum);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(SetFPos(reference, 0, 2), 0);
  char buffer[16] = {};
  count = 16;
  EXPECT_EQ(FSRead(reference, count, buffer), 0);
  EXPECT_EQ(count, 5);
  int32_t position = 0;
  EXPECT_EQ(GetFPos(reference, position), 0);
  EXPECT_EQ(position, 7);
  EXPECT_EQ(FSClose(reference), 0);
  EXPECT_EQ(folder.Read("text"), (std::vector<uint8_t>{'a', '\n', 'b', '\r', '\n', 'c', '\n'}));

  int16_t writer = 0;
  ASSERT_EQ(OpenForWriting(folder.Path("text").c_str(), 0, writer), 0);
  EXPECT_EQ(GetEOF(writer, length), 0);
  EXPECT_EQ(length, 0);  // truncated
  EXPECT_EQ(FSClose(writer), 0);
}

TEST_F(FileCallsTest, ABadReferenceOrPositionFailsWithCountsAtZero) {
  const int16_t bad = 9999;
  int32_t count = 4;
  char buffer[4] = {};
  EXPECT_EQ(FSRead(bad, count, buffer), kErrBadRefNum);
  EXPECT_EQ(count, 0);
  count = 4;
  EXPECT_EQ(FSWrite(bad, count, buffer), kErrBadRefNum);
  EXPECT_EQ(count, 0);
  int32_t value = 5;
  EXPECT_EQ(GetEOF(bad, value), kErrBadRefNum);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(GetFPos(bad, value), kErrBadRefNum);
  EXPECT_EQ(SetFPos(bad, 0, 0), kErrBadRefNum);
  EXPECT_EQ(FSClose(bad), kErrBadRefNum);

  int16_t reference = 0;
  folder.Write("ten", "0123456789");
  ASSERT_EQ(FSpOpen(Spec(folder.Path("ten")), 1, reference), 0);
  EXPECT_EQ(SetFPos(reference, 0, -1), kErrPosition);
  EXPECT_EQ(SetFPos(reference, 9, 0), kErrPosition);
  count = -1;
  EXPECT_EQ(FSRead(reference, count, buffer), kErrIO);
  EXPECT_EQ(count, 0);
  count = 1;
  EXPECT_EQ(FSWrite(reference, count, "x"), kErrBadRefNum);  // opened for reading only
  EXPECT_EQ(count, 0);
  EXPECT_EQ(FSClose(reference), 0);
}

TEST_F(FileCallsTest, RenameAndDeleteThroughTheFileClass) {
  folder.Write("a", "A");
  folder.Write("b", "B");
  EXPECT_EQ(FSpRename(folder.Path("a").c_str(), folder.Path("b").c_str()), kErrWritePermission);
  EXPECT_EQ(RenameFile(folder.Path("a").c_str(), folder.Path("c").c_str()), 0);
  EXPECT_EQ(RenameFile(folder.Path("a").c_str(), folder.Path("d").c_str()), kErrFileNotFound);
  EXPECT_EQ(DeleteFile(folder.Path("c").c_str()), 0);
  EXPECT_EQ(DeleteFile(folder.Path("c").c_str()), kErrFileNotFound);
  EXPECT_EQ(FSpDeleteSpec(Spec(folder.Path("b"))), 0);
  EXPECT_FALSE(folder.Exists("b"));
}

std::vector<uint8_t> Header(std::initializer_list<uint8_t> afterSignature, size_t size) {
  std::vector<uint8_t> bytes(std::max(size, 4 + afterSignature.size()), 0);
  std::memcpy(bytes.data(), "ZodA", 4);
  std::copy(afterSignature.begin(), afterSignature.end(), bytes.begin() + 4);
  bytes.resize(size);
  return bytes;
}

TEST_F(FileCallsTest, DocumentsAreRecognisedByTheirFirstBytes) {
  const int descriptors = OpenDescriptorCount();
  EXPECT_EQ(GetFileTypeOfPath(folder.Write("v1", Header({0, 1}, 80)).c_str()), kDocumentFileType);
  EXPECT_FALSE(IsUnversionedDocument());

  std::vector<uint8_t> unversioned = Header({0, 0}, 80);
  unversioned[72] = 0x13;
  unversioned[73] = 0xF6;
  EXPECT_EQ(GetFileTypeOfPath(folder.Write("v0", unversioned).c_str()), kDocumentFileType);
  EXPECT_TRUE(IsUnversionedDocument());
  EXPECT_FALSE(IsSiblingFormatDocument());

  EXPECT_EQ(GetFileTypeOfPath(folder.Write("sib", Header({0, 0}, 80)).c_str()), kSiblingFileType);
  EXPECT_TRUE(IsSiblingFormatDocument());
  EXPECT_FALSE(IsUnversionedDocument());

  // Other words are the length of the version name that follows.
  EXPECT_EQ(GetFileTypeOfPath(folder.Write("re25", Header({0, 4, 'R', 'E', '2', '5'}, 80)).c_str()),
            kSiblingFileType);
  EXPECT_FALSE(IsSiblingFormatDocument());
  EXPECT_EQ(GetFileTypeOfPath(folder.Write("yb3x", Header({0, 4, 'Y', 'B', '3', 'X'}, 80)).c_str()),
            kDocumentFileType);
  EXPECT_EQ(GetFileTypeOfPath(folder.Write("text", "ZAZU 1;\r\n").c_str()), kTextFileType);
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST_F(FileCallsTest, ShortAndForeignFilesAreNoDocument) {
  const int descriptors = OpenDescriptorCount();
  EXPECT_EQ(GetFileTypeOfPath(folder.Write("empty.yb", "").c_str()), kNoFileType);
  EXPECT_EQ(GetFileTypeOfPath(folder.Write("three.yb", "Zod").c_str()), kNoFileType);
  EXPECT_EQ(GetFileTypeOfPath(folder.Write("five.yb", "ZodA\0").c_str()), kNoFileType);
  EXPECT_EQ(GetFileTypeOfPath(folder.Write("cut.yb", Header({0, 0}, 40)).c_str()), kNoFileType);
  EXPECT_EQ(GetFileTypeOfPath(folder.Write("name.yb", Header({0, 5, 'R', 'E'}, 8)).c_str()),
            kNoFileType);
  EXPECT_EQ(GetFileTypeOfPath(folder.Write("photo.yb", "\x89PNG\r\n\x1a\n").c_str()), kNoFileType);
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST_F(FileCallsTest, AnUnreadableHeaderRaisesItsErrorAfterClosing) {
  // The process's own memory file opens, but reading its first page fails.
  const int descriptors = OpenDescriptorCount();
  int16_t error = 0;
  try {
    GetFileTypeOfPath("/proc/self/mem");
  } catch (const QVException& failure) {
    error = failure.error();
  }
  EXPECT_EQ(error, kErrIO);
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST_F(FileCallsTest, PathsThatCannotBeOpenedAreJudgedByExtension) {
  EXPECT_EQ(GetFileTypeOfPath(folder.Path("world.vav").c_str()), kTextFileType);
  EXPECT_EQ(GetFileTypeOfPath(folder.Path("world.yb").c_str()), kDocumentFileType);
  EXPECT_EQ(GetFileTypeOfPath(folder.Path("world.YB").c_str()), kSiblingFileType);
  EXPECT_EQ(GetFileTypeOfPath(folder.Path("world.txt").c_str()), kSiblingFileType);
  EXPECT_EQ(GetFileTypeOfPath(folder.Path("world").c_str()), kSiblingFileType);
}

TEST(FileSpecTest, EqualityAndClearing) {
  FSSpec a;
  a.vRefNum = 2;
  a.parID = 9;
  a.name = "/tmp/w.yb";
  a.second = "one";
  FSSpec b = a;
  b.second = "two";
  EXPECT_TRUE(FSSpec::Equals(a, b));
  EXPECT_FALSE(a == b);
  b.second = "one";
  EXPECT_TRUE(a == b);
  b.name = "/tmp/W.yb";
  EXPECT_FALSE(FSSpec::Equals(a, b));
  a.Clear();
  EXPECT_EQ(a.vRefNum, 0);
  EXPECT_EQ(a.parID, 0);
  EXPECT_TRUE(a.name.IsEmpty());
  EXPECT_EQ(a.second, Str255("one"));
}

TEST(FileSpecTest, NameAndExtensionParts) {
  EXPECT_STREQ(FileNamePart("/home/u/worlds/cam.yb"), "cam.yb");
  EXPECT_STREQ(FileNamePart("C:\\dir:x\\a.b"), "a.b");
  EXPECT_STREQ(FileNamePart("disk:folder:file"), "file");
  EXPECT_STREQ(FileNamePart("plain"), "plain");
  EXPECT_STREQ(FileExtensionPart("a.b.c"), "b.c");
  EXPECT_STREQ(FileExtensionPart("/x.d/name"), "");
  EXPECT_STREQ(FileExtensionPart("/x/world.yb"), "yb");
  EXPECT_EQ(FileNamePart(nullptr), nullptr);
  EXPECT_TRUE(HasWildcard("*.yb"));
  EXPECT_TRUE(HasWildcard("a?"));
  EXPECT_FALSE(HasWildcard("a.yb"));
  EXPECT_FALSE(HasWildcard(nullptr));
}

TEST(FileDialogTest, TheAnswererChoosesOrCancels) {
  TMacFileDialog dialog(true, "yb", "untitled.yb", Str255("Open world"), 0, "*.yb");
  SetFileDialogAnswerer(nullptr);
  EXPECT_EQ(dialog.DoModal(), TMacFileDialog::kCancel);
  std::string seenTitle;
  SetFileDialogAnswerer([&](FileDialogRequest& request) -> std::optional<std::string> {
    seenTitle = request.title;
    request.checkBoxState = 0;
    return "/tmp/chosen.yb";
  });
  EXPECT_EQ(dialog.DoModal(), TMacFileDialog::kOk);
  EXPECT_EQ(dialog.GetPathName(), "/tmp/chosen.yb");
  EXPECT_EQ(seenTitle, "Open world");
  EXPECT_EQ(TMacFileDialog::SharedCheckBoxState(), 0);
  SetFileDialogAnswerer([](FileDialogRequest&) { return std::optional<std::string>(); });
  EXPECT_EQ(dialog.DoModal(), TMacFileDialog::kCancel);
  EXPECT_TRUE(dialog.GetPathName().empty());
  SetFileDialogAnswerer(nullptr);
  TMacFileDialog::SharedCheckBoxState() = 1;
}

}  // namespace
