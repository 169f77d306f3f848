// Commands 310 and 311 on a folder of their own, with a folder beside it
// that stands for drive A: and a drive capacity that each test chooses.
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/text_dialog.hpp"
#include "maintenance/export_import.hpp"
#include "platform/posix/posix.hpp"
#include "recfile/client_record.hpp"
#include "ui/dialog.hpp"
#include "recfile/stream.hpp"
#include "tests/other_program.hpp"
#include "tests/posix/console_support.hpp"
#include "tests/support.hpp"

namespace {

using client::kGroupAt;
using test::Message;

constexpr int kGroupFieldWidth = 7;
constexpr int kNameAt = 11, kNameWidth = 40;

std::string Client(const std::string& code, const std::string& group, const std::string& name = "Cliente") {
  return test::Record(client::kLength)
      .Set(client::kCodeAt, 11, code)
      .Set(kNameAt, kNameWidth, name)
      .Set(kGroupAt, kGroupFieldWidth, group)
      .Set(client::kTaxpayerAt, 18, "123.456.789-01");
}

// A copy of a record with the text put at offset.
std::string With(std::string record, std::size_t offset, const std::string& text) {
  record.replace(offset, text.size(), text);
  return record;
}

std::string Repeat(const std::string& record, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += record;
  return out;
}

std::string CodeOf(const std::string& file, std::size_t n) { return test::Field(file, client::kLength, n, 0, 11); }
std::string GroupOf(const std::string& file, std::size_t n) {
  return test::Field(file, client::kLength, n, kGroupAt, 3);
}

Message Exported(int count) {
  return {"Foram exportados " + std::to_string(count) + " clientes.", "Exportar", plat::kIconInformation};
}
Message Imported(int count) {
  return {"Foram importados " + std::to_string(count) + " clientes.", "Importar", plat::kIconInformation};
}
const Message kDiskLimit{"Limite do disco esgotado", "Exportar", plat::kIconError};
const Message kExportError{"Erro na exportação.", "Exportar", plat::kIconError};
// The export's error with the file that failed first, and why.
Message ExportError(const std::string& cause) {
  return {"Erro na exportação.\n\nArquivo: " + cause, "Exportar", plat::kIconError};
}
const Message kImportError{"Houve um erro grave.\n\nÉ recomendável consultar o Suporte Técnico", "Importar",
                           plat::kIconError};
Message ImportError(const std::string& cause) {
  return {kImportError.text + "\n\nArquivo: " + cause, "Importar", plat::kIconError};
}

class ExportImportTest : public test::FolderTest {
 protected:
  void SetUp() override {
    FolderTest::SetUp();
    test::fs::create_directories(diskette());
    plat::posix::SetDisketteFolder(diskette().string());
    SetCapacity(1000);
    // TempFileName gives 102030045.tmp.
    plat::TestHooks().now = [] { return plat::LocalTime{2026, 3, 15, 10, 20, 30, 456}; };
  }
  void TearDown() override {
    plat::posix::SetDisketteFolder("");
    plat::TestHooks().free_space = nullptr;
    plat::TestHooks().now = nullptr;
    plat::TestHooks().before_file_op = nullptr;
    FolderTest::TearDown();
  }
  test::fs::path diskette() const { return folder() / "diskette"; }
  std::string DisketteFile() const { return test::ReadFile(diskette() / "F10R2.BAK"); }
  std::string ClientFile() const { return test::ReadFile(folder() / "F10R2.DAT"); }
  // Free space on drive A: for that many records; negative: no diskette.
  void SetCapacity(std::int64_t records) {
    plat::TestHooks().free_space = [records](const std::string& root, std::uint64_t* bytes) {
      EXPECT_EQ(root, "A:\\");
      if (records < 0) return false;
      *bytes = static_cast<std::uint64_t>(records) * client::kLength + 999;
      return true;
    };
  }
  void Run(int mode, const std::string& group) {
    ui::TextDialog dialog({kItemGroupField}, "Lanvo 3.03");
    dialog.SetItemText(kItemGroupField, group);
    ExportImportClients(&dialog, mode);
  }
  test::MessageLog log;
};

// --- export

TEST_F(ExportImportTest, ExportStopsAtTheCapacityLessFive) {
  test::WriteFile("F10R2.DAT", Repeat(Client("1", "7") + Client("2", "8"), 95) + Client("3", "7"));
  SetCapacity(100);
  Run(0, "7");
  std::string exported = DisketteFile();
  ASSERT_EQ(exported.size(), 95u * client::kLength);
  EXPECT_EQ(exported.substr(0, client::kLength), Client("1", "7"));
  EXPECT_EQ(log.messages(), (std::vector<Message>{kDiskLimit, Exported(95)}));
}

TEST_F(ExportImportTest, ExactlyCapacityLessFiveRecordsStillReachTheLimit) {
  test::WriteFile("F10R2.DAT", Repeat(Client("1", "7"), 95));
  SetCapacity(100);
  Run(0, "7");
  EXPECT_EQ(DisketteFile().size(), 95u * client::kLength);
  EXPECT_EQ(log.messages(), (std::vector<Message>{kDiskLimit, Exported(95)}));
}

TEST_F(ExportImportTest, ASmallDisketteTakesOneRecord) {
  test::WriteFile("F10R2.DAT", Repeat(Client("1", "7"), 3));
  for (int capacity = 1; capacity <= 6; ++capacity) {
    test::fs::remove(diskette() / "F10R2.BAK");  // its room would count as free
    test::MessageLog messages;
    SetCapacity(capacity);
    Run(0, "7");
    EXPECT_EQ(DisketteFile(), Client("1", "7")) << "capacity " << capacity;
    EXPECT_EQ(messages.messages(), (std::vector<Message>{kDiskLimit, Exported(1)})) << "capacity " << capacity;
  }
  test::fs::remove(diskette() / "F10R2.BAK");
  test::MessageLog messages;
  SetCapacity(7);
  Run(0, "7");
  EXPECT_EQ(DisketteFile().size(), 2u * client::kLength);
  EXPECT_EQ(messages.messages(), (std::vector<Message>{kDiskLimit, Exported(2)}));
}

TEST_F(ExportImportTest, TheGroupTextSelectsEveryGroupThatBeginsWithIt) {
  test::WriteFile("F10R2.DAT", Client("1", "1") + Client("2", "10") + Client("3", "2") + Client("4", "123") +
                                   Client("5", "01") + Client("6", "AB") + Client("7", "Ab") + Client("8", "AC"));
  Run(0, "1");
  EXPECT_EQ(DisketteFile(), Client("1", "1") + Client("2", "10") + Client("4", "123"));
  Run(0, "ab");
  EXPECT_EQ(DisketteFile(), Client("6", "AB") + Client("7", "Ab"));
  EXPECT_EQ(log.messages(), (std::vector<Message>{Exported(3), Exported(2)}));
}

TEST_F(ExportImportTest, DeletedRecordsTravelToo) {
  std::string deleted = With(Client("1", "7"), 999, "+");
  test::WriteFile("F10R2.DAT", deleted);
  Run(0, "7");
  EXPECT_EQ(DisketteFile(), deleted);
}

TEST_F(ExportImportTest, ExportCleansTheRecordsAndKeepsTheirWidth) {
  std::string tab = With(Client("1", "7"), 100, "a\tb");
  // "ção" in UTF-8: the two pairs become single bytes and the record shortens by two.
  std::string utf8 = Client("2", "7", "Fun\xC3\xA7\xC3\xA3o");
  std::string short_last = Client("3", "7").substr(0, 600);
  test::WriteFile("F10R2.DAT", tab + utf8 + short_last);
  Run(0, "7");
  std::string exported = DisketteFile();
  ASSERT_EQ(exported.size(), 3u * client::kLength);
  EXPECT_EQ(exported.substr(0, client::kLength), With(tab, 100, "a b"));
  std::string cleaned = utf8.substr(0, kNameAt) + "Fun\xE7\xE3o" + utf8.substr(kNameAt + 8) + "  ";
  EXPECT_EQ(exported.substr(client::kLength, client::kLength), cleaned);
  // The group was matched before the cleaning moved it two places to the left.
  EXPECT_EQ(test::Field(exported, client::kLength, 1, kGroupAt - 2, 3), "7  ");
  EXPECT_EQ(exported.substr(2 * client::kLength), short_last + std::string(400, ' '));
}

// Found by fuzzing: records were read as lines, so a line feed inside one
// cut it in two and every record after it was taken from the middle of the
// one before (the groups compared at the wrong place, the wrong records
// exported). Each record is read at its place; the line feed, like a
// carriage return or a Ctrl-Z, is cleaned to a space.
TEST_F(ExportImportTest, ALineFeedInsideARecordMovesNoRecord) {
  std::string broken = With(Client("1", "7"), 100, "a\nb\rc\x1A");
  test::WriteFile("F10R2.DAT", broken + Client("2", "8") + Client("3", "7"));
  Run(0, "7");
  EXPECT_EQ(DisketteFile(), With(Client("1", "7"), 100, "a b c ") + Client("3", "7"));
  EXPECT_EQ(log.messages(), std::vector<Message>{Exported(2)});
}

TEST_F(ExportImportTest, NothingToExportGivesZero) {
  test::WriteFile("F10R2.DAT", Client("1", "7"));
  Run(0, "");  // no group typed
  SetCapacity(0);
  Run(0, "7");
  SetCapacity(-1);  // no diskette in the drive
  Run(0, "7");
  EXPECT_FALSE(test::FileExists(diskette() / "F10R2.BAK"));
  SetCapacity(1000);
  Run(0, "9");  // no client of the group
  EXPECT_EQ(DisketteFile(), "");
  test::fs::remove(folder() / "F10R2.DAT");
  Run(0, "7");  // no client file
  EXPECT_EQ(log.messages(), std::vector<Message>(5, Exported(0)));
}

TEST_F(ExportImportTest, TheSpaceOfThePreviousExportCounts) {
  test::WriteFile(diskette() / "F10R2.BAK", Repeat(Client("9", "9"), 50));
  test::WriteFile("F10R2.DAT", Repeat(Client("1", "7"), 20));
  SetCapacity(10);
  Run(0, "7");
  EXPECT_EQ(DisketteFile(), Repeat(Client("1", "7"), 20));
  EXPECT_EQ(log.messages(), std::vector<Message>{Exported(20)});
}

TEST_F(ExportImportTest, AFailedWriteIsAnExportError) {
  test::WriteFile("F10R2.DAT", Repeat(Client("1", "7"), 3));
  // The records wait in the stream's buffer; the write fails when it closes.
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  Run(0, "7");
  EXPECT_EQ(log.messages(), std::vector<Message>{ExportError("A:\\F10R2.BAK — Espaço insuficiente no disco.")});
}

// --- import

TEST_F(ExportImportTest, ImportIntoAMissingOrEmptyFileNumbersFromOne) {
  std::string records = Client("00777", "5", "Ana") + Client("00778", "5", "Bia") + Client("00779", "5", "Caio");
  test::WriteFile(diskette() / "F10R2.BAK", records);
  Run(1, "12");
  std::string clients = ClientFile();
  ASSERT_EQ(clients.size(), 3u * client::kLength);
  EXPECT_EQ(CodeOf(clients, 0), "00001      ");
  EXPECT_EQ(CodeOf(clients, 1), "00002      ");
  EXPECT_EQ(CodeOf(clients, 2), "00003      ");
  EXPECT_EQ(GroupOf(clients, 2), "12 ");
  // Everything but the code and the group comes as it was.
  EXPECT_EQ(clients.substr(2 * client::kLength + 10, kGroupAt - 10), records.substr(2 * client::kLength + 10, kGroupAt - 10));
  EXPECT_EQ(clients.substr(2 * client::kLength + kGroupAt + 3), records.substr(2 * client::kLength + kGroupAt + 3));

  test::WriteFile("F10R2.DAT", "");
  Run(1, "12");
  EXPECT_EQ(CodeOf(ClientFile(), 2), "00003      ");
  EXPECT_EQ(log.messages(), (std::vector<Message>{Imported(3), Imported(3)}));
  EXPECT_TRUE(test::Snapshot(folder()).size() == 3u) << "only the client file and the diskette are left";
}

TEST_F(ExportImportTest, ImportSkipsTheCodesInUse) {
  test::WriteFile("F10R2.DAT", Client("1", "1") + Client("00002", "1") + Client("  5", "1"));
  test::WriteFile(diskette() / "F10R2.BAK", Repeat(Client("1", "1"), 4));
  Run(1, "3");
  std::string clients = ClientFile();
  ASSERT_EQ(clients.size(), 7u * client::kLength);
  EXPECT_EQ(CodeOf(clients, 3).substr(0, 5), "00003");
  EXPECT_EQ(CodeOf(clients, 4).substr(0, 5), "00004");
  EXPECT_EQ(CodeOf(clients, 5).substr(0, 5), "00006");
  EXPECT_EQ(CodeOf(clients, 6).substr(0, 5), "00007");
  EXPECT_EQ(log.messages(), std::vector<Message>{Imported(4)});
}

TEST_F(ExportImportTest, CodesAboveTheMapBlockNothing) {
  test::WriteFile("F10R2.DAT", Client("30001", "1") + Client("99999", "1") + Client("-4", "1"));
  test::WriteFile(diskette() / "F10R2.BAK", Client("1", "1"));
  Run(1, "3");
  EXPECT_EQ(CodeOf(ClientFile(), 3).substr(0, 5), "00001");
}

// Nothing to append: no length was recorded, and there is nothing to take
// back, so the import says its count alone.
TEST_F(ExportImportTest, AnEmptyDisketteImportsNothingAndSaysSo) {
  test::WriteFile("F10R2.DAT", Client("1", "1"));
  test::WriteFile(diskette() / "F10R2.BAK", "");
  Run(1, "3");
  EXPECT_EQ(ClientFile(), Client("1", "1"));
  EXPECT_EQ(log.messages(), std::vector<Message>{Imported(0)});
}

TEST_F(ExportImportTest, ImportStopsWhenNoCodeIsLeft) {
  std::string taken;
  for (int code = 1; code <= 29998; ++code) taken += Client(std::to_string(code), "1");
  test::WriteFile("F10R2.DAT", taken);
  test::WriteFile(diskette() / "F10R2.BAK", Repeat(Client("1", "1"), 3));
  Run(1, "3");
  EXPECT_EQ(ClientFile().size(), taken.size() + client::kLength);
  EXPECT_EQ(CodeOf(ClientFile(), 29998).substr(0, 5), "29999");
  EXPECT_EQ(log.messages(), (std::vector<Message>{kImportError, Imported(1)}));

  // A local code of 30000 takes the search to the end of the map: the same end.
  test::MessageLog messages;
  test::WriteFile("F10R2.DAT", taken + Client("30000", "1"));
  Run(1, "3");
  EXPECT_EQ(ClientFile().size(), taken.size() + 2 * client::kLength);
  EXPECT_EQ(CodeOf(ClientFile(), 29999).substr(0, 5), "29999");
  EXPECT_EQ(messages.messages(), (std::vector<Message>{kImportError, Imported(1)}));
}

TEST_F(ExportImportTest, AnEmptyGroupWritesSpaces) {
  test::WriteFile(diskette() / "F10R2.BAK", Client("1", "123"));
  Run(1, "");
  EXPECT_EQ(GroupOf(ClientFile(), 0), "   ");
  EXPECT_EQ(test::Field(ClientFile(), client::kLength, 0, kGroupAt + 3, 4), "    ");
}

TEST_F(ExportImportTest, ImportCleansTheRecords) {
  std::string tab = With(Client("1", "1"), 300, "x\ty");
  std::string utf8 = Client("1", "1", "Jo\xC3\xA3o");
  test::WriteFile(diskette() / "F10R2.BAK", tab + utf8);
  Run(1, "4");
  std::string clients = ClientFile();
  ASSERT_EQ(clients.size(), 2u * client::kLength);
  EXPECT_EQ(clients.substr(300, 3), "x y");
  EXPECT_EQ(test::Field(clients, client::kLength, 1, kNameAt, 5), "Jo\xE3o ");
  // The fields after the pair move one place to the left, the record is padded at its end.
  EXPECT_EQ(test::Field(clients, client::kLength, 1, kGroupAt - 1, 3), "4  ");
  EXPECT_EQ(test::Field(clients, client::kLength, 1, 998, 2), "  ");
}

// Found by fuzzing: a line feed inside a diskette record made two clients of
// it and shifted every record after it.
TEST_F(ExportImportTest, ALineFeedInsideADisketteRecordMakesOneClient) {
  test::WriteFile(diskette() / "F10R2.BAK", With(Client("1", "1", "Ana"), 500, "\n") + Client("1", "1", "Bia"));
  Run(1, "6");
  std::string clients = ClientFile();
  ASSERT_EQ(clients.size(), 2u * client::kLength);
  EXPECT_EQ(clients.substr(0, client::kLength), With(Client("00001     ", "6", "Ana"), 500, " "));
  EXPECT_EQ(clients.substr(client::kLength), Client("00002     ", "6", "Bia"));
  EXPECT_EQ(log.messages(), std::vector<Message>{Imported(2)});
}

TEST_F(ExportImportTest, AShortDisketteRecordIsCompletedFirst) {
  test::WriteFile(diskette() / "F10R2.BAK", Client("1", "1", "Ana") + Client("1", "1", "Bia").substr(0, 100));
  Run(1, "6");
  std::string clients = ClientFile();
  ASSERT_EQ(clients.size(), 2u * client::kLength);
  EXPECT_EQ(CodeOf(clients, 1), "00002      ");
  EXPECT_EQ(test::Field(clients, client::kLength, 1, kNameAt, 3), "Bia");
  EXPECT_EQ(GroupOf(clients, 1), "6  ");
  EXPECT_EQ(log.messages(), std::vector<Message>{Imported(2)});
}

TEST_F(ExportImportTest, NewRecordsStartOnARecordBoundary) {
  test::WriteFile("F10R2.DAT", Client("1", "1") + Client("2", "1").substr(0, 400));
  test::WriteFile(diskette() / "F10R2.BAK", Client("9", "9"));
  Run(1, "5");
  std::string clients = ClientFile();
  ASSERT_EQ(clients.size(), 3u * client::kLength);
  EXPECT_EQ(clients.substr(client::kLength), Client("2", "1").substr(0, 400) + std::string(600, ' ') +
                                               Client("00003     ", "5"));
}

TEST_F(ExportImportTest, TheCodeMapNeverTakesAUsersFile) {
  test::WriteFile("102030045.tmp", "notes of the user");
  test::WriteFile(diskette() / "F10R2.BAK", Client("1", "1"));
  Run(1, "5");
  EXPECT_EQ(test::ReadFile(folder() / "102030045.tmp"), "notes of the user");
  EXPECT_EQ(CodeOf(ClientFile(), 0).substr(0, 5), "00001");
  EXPECT_FALSE(test::FileExists(folder() / "102030046.tmp"));
}

TEST_F(ExportImportTest, NothingToImportGivesZero) {
  Run(1, "5");  // no diskette file: the client file is made all the same
  EXPECT_EQ(ClientFile(), "");
  plat::posix::SetDisketteFolder("");
  Run(1, "5");
  EXPECT_EQ(log.messages(), std::vector<Message>(2, Imported(0)));
  EXPECT_EQ(test::Snapshot(folder()).size(), 2u) << "no code map is left behind";
}

// A file that is there but cannot be opened, and one that cannot be made, are
// not "nothing to do": the error comes before the summary.
TEST_F(ExportImportTest, FilesThatCannotBeOpenedOrMadeAreErrors) {
  std::string before = Client("1", "7");
  test::WriteFile("F10R2.DAT", before);
  test::fs::create_directories(diskette() / "F10R2.BAK");
  Run(0, "7");
  EXPECT_EQ(log.messages(), (std::vector<Message>{kExportError, Exported(0)}));
  plat::ClearRefusals();  // the folder stopped every change of this process

  test::MessageLog messages;
  test::fs::remove(diskette() / "F10R2.BAK");
  test::WriteFile(diskette() / "F10R2.BAK", Client("1", "1"));
  ASSERT_TRUE(plat::MakeReadOnly("F10R2.DAT"));
  Run(1, "5");
  EXPECT_EQ(ClientFile(), before);
  EXPECT_EQ(messages.messages(), (std::vector<Message>{kImportError, Imported(0)}));
  EXPECT_EQ(test::Snapshot(folder()).size(), 3u) << "no code map is left behind";
}

TEST_F(ExportImportTest, AFailedWriteKeepsAndCountsOnlyTheWholeRecordsWritten) {
  // The code map is written first, then the record of the client file's
  // length; then the client file, a window of the stream's whole records at a
  // time. The second window of the client file fails.
  const int records = static_cast<int>(rec::Stream::kDefaultWindow / client::kLength) + 40;
  test::WriteFile(diskette() / "F10R2.BAK", Repeat(Client("1", "1"), records));
  int writes = 0;
  plat::TestHooks().before_file_op = [&writes](plat::FileOp op) { return op != plat::FileOp::kWrite || ++writes != 4; };
  Run(1, "5");
  plat::TestHooks().before_file_op = nullptr;
  const int whole = static_cast<int>(rec::Stream::kDefaultWindow / client::kLength);
  EXPECT_EQ(ClientFile().size(), static_cast<std::size_t>(whole) * client::kLength)
      << "no part of a record is left at the end";
  EXPECT_EQ(CodeOf(ClientFile(), whole - 1).substr(0, 5), "00" + std::to_string(whole));
  EXPECT_EQ(log.messages(),
            (std::vector<Message>{ImportError("F10R2.DAT — Espaço insuficiente no disco."), Imported(whole)}));
}

TEST_F(ExportImportTest, AFailedReadNeverTravelsAPartOfARecord) {
  // The read of a second window fails: the record that straddles the first
  // window's end was read in part, and neither command takes that part for a
  // record.
  const int records = static_cast<int>(rec::Stream::kDefaultWindow / client::kLength) + 40;
  const int whole = static_cast<int>(rec::Stream::kDefaultWindow / client::kLength);
  auto fail_read = [](int& reads, int failing) {
    return [&reads, failing](plat::FileOp op) { return op != plat::FileOp::kRead || ++reads != failing; };
  };
  test::WriteFile("F10R2.DAT", Repeat(Client("1", "1"), records));
  int reads = 0;
  plat::TestHooks().before_file_op = fail_read(reads, 2);  // the client file's second window
  Run(0, "1");
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_EQ(DisketteFile().size(), static_cast<std::size_t>(whole) * client::kLength);

  test::WriteFile("F10R2.DAT", "");
  test::WriteFile(diskette() / "F10R2.BAK", Repeat(Client("1", "1"), records));
  reads = 0;
  plat::TestHooks().before_file_op = fail_read(reads, 3);  // after the code map's, the diskette's second
  Run(1, "5");
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_EQ(ClientFile().size(), static_cast<std::size_t>(whole) * client::kLength);
  EXPECT_EQ(log.messages(),
            (std::vector<Message>{ExportError("F10R2.DAT — Erro de leitura ou gravação no disco."),
                                  ImportError("A:\\F10R2.BAK — Erro de leitura ou gravação no disco."),
                                  Imported(whole)}));
}

TEST_F(ExportImportTest, TheCodesInUseAreMarkedWithoutAWriteForEachClient) {
  // Codes in no order, as a client file holds them after deletions and
  // imports: the marks stay in memory until the map is removed.
  std::string clients;
  for (int i = 0; i < 500; ++i) clients += Client(std::to_string((i * 7919) % 20000 + 1), "1");
  test::WriteFile("F10R2.DAT", clients);
  test::WriteFile(diskette() / "F10R2.BAK", Client("1", "1"));
  int writes = 0;
  plat::TestHooks().before_file_op = [&writes](plat::FileOp op) {
    writes += op == plat::FileOp::kWrite;
    return true;
  };
  Run(1, "5");
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_LE(writes, 4) << "the map created, marked, and one record appended";
  EXPECT_EQ(CodeOf(ClientFile(), 500).substr(0, 5), "00002");
  EXPECT_EQ(log.messages(), std::vector<Message>{Imported(1)});
}

// The console program ends with the exit status 1 after such an error.
TEST_F(ExportImportTest, TheConsoleEndsWithStatusOneWhenAFileCouldNotBeOpenedOrMade) {
  test::WriteFile("data/F10R2.DAT", Client("1", "7"));
  test::fs::create_directories("disk");
  test::fs::permissions("data", test::fs::perms::all);
  // A write-protected diskette. Root writes into any folder: the program
  // then runs as nobody.
  test::fs::permissions("disk", test::fs::perms::owner_read | test::fs::perms::owner_exec |
                                    test::fs::perms::others_read | test::fs::perms::others_exec);
  const std::string program = std::string(::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "") +
                              "'" LANVO303_EXE "' -C data --diskette disk ";
  test::ConsoleResult exported = test::RunShell(program + "export 7");
  const std::string cause = "Arquivo: A:\\F10R2.BAK — Acesso negado.";
  EXPECT_EQ(exported.out, "[Exportar] Erro na exportação.\n\n" + cause + "\n[Exportar] Foram exportados 0 clientes.\n" +
                              "lanvo303: " + cause + "\n");
  EXPECT_EQ(exported.status, 1);
  EXPECT_FALSE(test::FileExists("disk/F10R2.BAK"));

  test::fs::permissions("disk", test::fs::perms::owner_all);
  test::WriteFile("disk/F10R2.BAK", Client("1", "1"));
  test::fs::permissions("data/F10R2.DAT", test::fs::perms::owner_read | test::fs::perms::others_read);
  test::ConsoleResult imported = test::RunShell(program + "import 5");
  EXPECT_EQ(imported.out,
            "[Importar] Houve um erro grave.\n\nÉ recomendável consultar o Suporte Técnico\n"
            "[Importar] Foram importados 0 clientes.\n");
  EXPECT_EQ(imported.status, 1);
  EXPECT_EQ(test::ReadFile("data/F10R2.DAT"), Client("1", "7"));
}

// Another program writes to the client file while the import appends (see
// tests/other_program.hpp), at each of the import's moments in turn: what it
// appended stays whole where it put it, and a file that got longer or shorter
// under the import stops it there, without its summary and without anything
// written after, a file cut short included.
TEST_F(ExportImportTest, WhatAnotherProgramWritesDuringTheImportStays) {
  const std::string local = Client("1", "1") + Client("2", "1") + Client("3", "1");
  // Three blocks of records.
  const int records = 700;
  test::WriteFile(diskette() / "F10R2.BAK", Repeat(Client("1", "1"), records));
  const std::string others = Client("00900", "ZZZ", "Outro");
  enum Work { kAppend, kCutShort };
  int runs_stopped = 0;
  for (Work work : {kAppend, kCutShort}) {
    for (int n = 1;; ++n) {
      test::WriteFile("F10R2.DAT", local);
      std::string trace = "work " + std::to_string(work) + " at operation " + std::to_string(n);
      test::MessageLog messages;
      test::OtherProgram other(n, test::OtherProgram::kNoWrite, [&] {
        if (work == kAppend) test::OtherProgram::Append(others);
        if (work == kCutShort) test::OtherProgram::CutTo(test::ReadFile("F10R2.DAT").size() - client::kLength);
      });
      Run(1, "5");
      if (!other.done()) break;
      std::string after = ClientFile();
      ASSERT_EQ(test::Snapshot(folder()).size(), 3u) << trace << ": a file of the import is left behind";
      if (work == kAppend) {
        std::size_t at = after.find(others);
        ASSERT_TRUE(at != std::string::npos && at % client::kLength == 0 && after.find(others, at + 1) == std::string::npos)
            << trace;
      }
      if (messages.messages() == std::vector<Message>{kImportError}) {
        ++runs_stopped;
        ASSERT_TRUE(after == other.left()) << trace << ": written after the file changed";
      } else {
        // Done before the import took the file's size, or after its last write.
        ASSERT_EQ(messages.messages(), std::vector<Message>{Imported(records)}) << trace;
        ASSERT_TRUE(after.size() == other.left().size() + records * client::kLength || after == other.left()) << trace;
        ASSERT_EQ(after.compare(0, other.left().size(), other.left()), 0) << trace;
      }
    }
  }
  EXPECT_GT(runs_stopped, 10);
}

}  // namespace
