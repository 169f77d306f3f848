// The text documents: the variable-length records of F90.DAT into the
// 500-character records of F40.DAT, and F90.DAT deleted only when its
// documents are safe.
#include "convert/text_documents.hpp"

#include "recfile/journal.hpp"
#include "tests/support.hpp"

namespace {

using namespace convert;
using test::FileExists;
using test::ReadFile;
using test::Record;
using test::WriteFile;

// A record of F90.DAT: key, length field, text.
std::string OldText(const std::string& key, const std::string& length, const std::string& text) {
  return Record(16).Set(0, 11, key).Set(11, 5, length).bytes() + text;
}
std::string OldText(const std::string& key, const std::string& text) {
  return OldText(key, std::to_string(text.size()), text);
}
// A record of F40.DAT built field by field.
std::string Document(const std::string& key10, const std::string& length, const std::string& text) {
  return Record(500).Set(0, 3, "100").Set(13, 3, "110").Set(16, 10, key10).Set(26, 6, length)
      .Set(32, 4, length).Set(36, 3, "0").Set(39, 1, "1").Set(40, 460, text);
}

class TextDocumentsTest : public test::FolderTest {
 protected:
  void TearDown() override {
    plat::TestHooks() = plat::Hooks{};
    test::FolderTest::TearDown();
  }
};

TEST_F(TextDocumentsTest, DocumentsWhoseKeyBeginsWithOne) {
  WriteFile("F90.DAT", OldText("10000000001", "Frete por conta do comprador.") +
                           OldText("20000000002", "not a document") + OldText("1ABC", "Leilao ao vivo."));
  ConvertTextDocuments();
  EXPECT_EQ(ReadFile("F40.DAT"), Document("0000000001", "29", "Frete por conta do comprador.") +
                                     Document("ABC", "15", "Leilao ao vivo."));
  EXPECT_FALSE(FileExists("F90.DAT"));
  EXPECT_FALSE(FileExists("F90.TMP"));
}

TEST_F(TextDocumentsTest, ALongTextIsCutAt300AndSkippedWhole) {
  std::string text(450, 'x');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
  WriteFile("F90.DAT", OldText("10000000001", "450", text) + OldText("10000000002", "next"));
  ConvertTextDocuments();
  EXPECT_EQ(ReadFile("F40.DAT"), Document("0000000001", "300", text.substr(0, 300)) +
                                     Document("0000000002", "4", "next"));
}

TEST_F(TextDocumentsTest, AnExistingTextFileLeavesTheOldOneAlone) {
  WriteFile("F90.DAT", OldText("10000000001", "texto"));
  WriteFile("F40.DAT", "earlier");
  ConvertTextDocuments();
  EXPECT_EQ(ReadFile("F40.DAT"), "earlier");
  EXPECT_EQ(ReadFile("F90.DAT"), OldText("10000000001", "texto"));
}

TEST_F(TextDocumentsTest, NoOldTextsGiveAnEmptyTextFile) {
  ConvertTextDocuments();
  EXPECT_EQ(ReadFile("F40.DAT"), "");
}

TEST_F(TextDocumentsTest, ATextOfSeveralLinesKeepsEveryLine) {
  WriteFile("F90.DAT", OldText("10000000001", "linha 1\r\nlinha 2") + OldText("10000000002", "b"));
  ConvertTextDocuments();
  EXPECT_EQ(ReadFile("F40.DAT"), Document("0000000001", "16", "linha 1\r\nlinha 2") +
                                     Document("0000000002", "1", "b"));
}

TEST_F(TextDocumentsTest, AnEmptyTextIsStillADocument) {
  WriteFile("F90.DAT", OldText("10000000001", "0", "") + OldText("10000000002", "b"));
  ConvertTextDocuments();
  EXPECT_EQ(ReadFile("F40.DAT"), Document("0000000001", "0", "") + Document("0000000002", "1", "b"));
}

TEST_F(TextDocumentsTest, ATextCutShortByTheEndOfTheFile) {
  WriteFile("F90.DAT", OldText("10000000001", "20", "only ten c"));
  ConvertTextDocuments();
  EXPECT_EQ(ReadFile("F40.DAT"), Document("0000000001", "20", "only ten c"));
  EXPECT_FALSE(FileExists("F90.DAT"));
}

TEST_F(TextDocumentsTest, ABadLengthEndsTheReadingAndTheOldFileIsKeptInItsBackup) {
  for (const char* bad : {"-5", "abc", "     "}) {
    std::string old = OldText("10000000001", "first") + OldText("10000000002", bad, "lost?") +
                      OldText("10000000003", "third");
    WriteFile("F90.DAT", old);
    ConvertTextDocuments();
    EXPECT_EQ(ReadFile("F40.DAT"), Document("0000000001", "5", "first")) << bad;
    EXPECT_FALSE(FileExists("F90.DAT")) << bad;
    EXPECT_EQ(ReadFile("F90.TMP"), old) << bad;
    test::fs::remove("F40.DAT");
    test::fs::remove("F90.TMP");
  }
}

TEST_F(TextDocumentsTest, AnOlderBackupIsKeptAndStillCountsAsOne) {
  WriteFile("F90.DAT", OldText("10000000001", "-1", ""));
  WriteFile("F90.TMP", "older");
  ConvertTextDocuments();
  EXPECT_EQ(ReadFile("F90.TMP"), "older");
  EXPECT_FALSE(FileExists("F90.DAT"));
}

TEST_F(TextDocumentsTest, NoBackupKeepsTheOldFile) {
  std::string old = OldText("10000000001", "x") + OldText("1", "-", "");
  WriteFile("F90.DAT", old);
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kCopy; };
  ConvertTextDocuments();
  EXPECT_EQ(ReadFile("F90.DAT"), old);
  EXPECT_EQ(ReadFile("F40.DAT"), Document("0000000001", "1", "x"));
}

TEST_F(TextDocumentsTest, ATextFileThatCannotBeWrittenKeepsTheOldFile) {
  WriteFile("F90.DAT", OldText("10000000001", "x"));
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  ConvertTextDocuments();
  plat::TestHooks() = plat::Hooks{};
  EXPECT_FALSE(FileExists("F40.DAT"));
  EXPECT_EQ(ReadFile("F90.DAT"), OldText("10000000001", "x"));
}

// A failure at any file operation leaves F40.DAT absent and F90.DAT as it was,
// or a journal that completes the conversion.
TEST_F(TextDocumentsTest, StoppedAnywhereTheOldTextsGoOnlyWithTheNewOnesInPlace) {
  const std::string old = OldText("10000000001", "first") + OldText("10000000002", "x", "");
  for (int failing = 1;; ++failing) {
    SCOPED_TRACE(failing);
    for (auto& entry : test::fs::directory_iterator(".")) test::fs::remove_all(entry.path());
    WriteFile("F90.DAT", old);
    int operations = 0;
    plat::TestHooks().before_file_op = [&](plat::FileOp) { return ++operations != failing; };
    ConvertTextDocuments();
    plat::TestHooks() = plat::Hooks{};
    plat::ClearRefusals();  // what follows is the next command
    if (rec::JournalPending()) {
      ASSERT_TRUE(rec::RecoverPending());
    } else if (!FileExists("F40.DAT")) {
      EXPECT_EQ(ReadFile("F90.DAT"), old);
      ASSERT_TRUE(rec::RecoverPending());
      ConvertTextDocuments();
    }
    EXPECT_EQ(ReadFile("F40.DAT"), Document("0000000001", "5", "first"));
    EXPECT_EQ(ReadFile("F90.TMP"), old);
    EXPECT_FALSE(FileExists("F90.DAT"));
    EXPECT_EQ(test::Snapshot(".").size(), 2u);
    if (operations < failing) break;
  }
}

TEST_F(TextDocumentsTest, OldTextsThatCannotBeOpenedPostponeTheConversion) {
  WriteFile("F90.DAT", OldText("10000000001", "x"));
  int opens = 0;  // the new file opens, the old one does not
  plat::TestHooks().before_file_op = [&opens](plat::FileOp op) { return op != plat::FileOp::kOpen || ++opens == 1; };
  ConvertTextDocuments();
  plat::TestHooks() = plat::Hooks{};
  EXPECT_FALSE(FileExists("F40.DAT"));
  EXPECT_EQ(ReadFile("F90.DAT"), OldText("10000000001", "x"));
}

TEST_F(TextDocumentsTest, AReadOnlyOldFileIsDeletedAllTheSame) {
  WriteFile("f90.dat", OldText("10000000001", "x"));
  plat::MakeReadOnly("f90.dat");
  ConvertTextDocuments();
  EXPECT_FALSE(FileExists("f90.dat"));
  EXPECT_EQ(ReadFile("F40.DAT"), Document("0000000001", "1", "x"));
}

}  // namespace
