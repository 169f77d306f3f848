// The client-maintenance commands end to end: the console program run as a
// process on real folders, as a support technician runs it.
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "recfile/client_record.hpp"
#include "tests/support.hpp"

namespace {

using client::kGroupAt;

struct Outcome {
  int status;
  std::string output;
};

// Runs the console program with the arguments, after the given command
// prefix (faketime, for the clock).
Outcome Console(const std::string& arguments, const std::string& prefix = "") {
  // faketime preloads its library ahead of the sanitizers' runtime, which
  // they refuse unless told that the order is intended.
  std::string command = "ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" " + prefix + " '" LANVO303_EXE
                        "' " + arguments + " </dev/null 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return {-1, ""};
  std::string output;
  char buffer[4096];
  while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
  int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string Client(const std::string& code, const std::string& group, const std::string& taxpayer = "") {
  return test::Record(client::kLength)
      .Set(client::kCodeAt, 11, code)
      .Set(11, 40, "Cliente " + code)
      .Set(kGroupAt, 7, group)
      .Set(client::kTaxpayerAt, 18, taxpayer);
}

std::string GroupOf(const test::fs::path& file, std::size_t n) {
  return test::Field(test::ReadFile(file), client::kLength, n, kGroupAt, 3);
}

class MaintenanceConsoleTest : public test::FolderTest {
 protected:
  std::string Path(const std::string& name) const { return "'" + (folder() / name).string() + "'"; }
};

TEST_F(MaintenanceConsoleTest, ClientsTravelFromOneFolderToAnotherThroughTheDiskette) {
  test::WriteFile(folder() / "here" / "F10R2.DAT", Client("00001", "12") + Client("00002", "3") + Client("00003", "123"));
  test::WriteFile(folder() / "there" / "F10R2.DAT", Client("00001", "5") + Client("00003", "5"));
  test::fs::create_directories(folder() / "a");

  Outcome exported = Console("-C here --diskette a export 12");
  EXPECT_EQ(exported.output, "[Exportar] Foram exportados 2 clientes.\n");
  EXPECT_EQ(exported.status, 0);
  EXPECT_EQ(test::ReadFile(folder() / "a" / "F10R2.BAK"), Client("00001", "12") + Client("00003", "123"));

  Outcome imported = Console("-C " + Path("there") + " --diskette " + Path("a") + " import 7");
  EXPECT_EQ(imported.output, "[Importar] Foram importados 2 clientes.\n");
  EXPECT_EQ(imported.status, 0);
  std::string there = test::ReadFile(folder() / "there" / "F10R2.DAT");
  ASSERT_EQ(there.size(), 4u * client::kLength);
  // The records as they left, with a new code and the new group.
  std::string first = Client("00001", "12"), second = Client("00003", "123");
  first.replace(client::kCodeAt, client::kCodeKeyWidth, "00002     ").replace(kGroupAt, 3, "7  ");
  second.replace(client::kCodeAt, client::kCodeKeyWidth, "00004     ").replace(kGroupAt, 3, "7  ");
  EXPECT_EQ(there.substr(2 * client::kLength), first + second);
  EXPECT_EQ(test::Snapshot(folder() / "there").size(), 1u) << "the code map is removed";
}

TEST_F(MaintenanceConsoleTest, WithoutADisketteNothingTravels) {
  test::WriteFile(folder() / "F10R2.DAT", Client("00001", "12"));
  Outcome exported = Console("-C " + Path("") + " export 12");
  EXPECT_EQ(exported.output, "[Exportar] Foram exportados 0 clientes.\n");
  EXPECT_EQ(exported.status, 0);
  Outcome imported = Console("-C " + Path("") + " import");
  EXPECT_EQ(imported.output, "[Importar] Foram importados 0 clientes.\n");
  EXPECT_EQ(test::ReadFile(folder() / "F10R2.DAT"), Client("00001", "12"));
}

TEST_F(MaintenanceConsoleTest, RegroupChangesTheGroupOrRefusesAReadOnlyFile) {
  test::WriteFile(folder() / "F10R2.DAT", Client("00001", "ab") + Client("00002", "AB") + Client("00003", "ABC"));
  Outcome changed = Console("-C " + Path("") + " regroup aB 9");
  EXPECT_EQ(changed.output, "[Alterar Grupo] O grupo foi alterado em 2 clientes.\n");
  EXPECT_EQ(changed.status, 0);
  EXPECT_EQ(GroupOf(folder() / "F10R2.DAT", 0), "9  ");
  EXPECT_EQ(GroupOf(folder() / "F10R2.DAT", 2), "ABC");

  ASSERT_TRUE(plat::MakeReadOnly((folder() / "F10R2.DAT").string()));
  Outcome refused = Console("-C " + Path("") + " regroup 9 1");
  EXPECT_EQ(refused.output, "[Lanvo] Erro ao abrir o arquivo de clientes.\n");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(GroupOf(folder() / "F10R2.DAT", 0), "9  ");
}

// Groups typed on the command line reach the client file in code page 1252:
// the change of group writes and compares them so, the import writes them so
// and the export selects by them.
TEST_F(MaintenanceConsoleTest, TypedGroupsAreCodePage1252) {
  struct Typed {
    std::string argument;
    std::string stored;
  };
  const Typed groups[] = {
      {"€1", "\x80" "1 "}, {"Œ", "\x8C  "}, {"a\nb", "a b"}, {"😀", "?  "}, {"éé€x", "\xE9\xE9\x80"},
  };
  test::WriteFile(folder() / "F10R2.DAT", Client("00001", "001"));
  std::string old_group = "001";
  for (const Typed& group : groups) {
    Outcome changed = Console("-C " + Path("") + " regroup '" + old_group + "' '" + group.argument + "'");
    EXPECT_EQ(changed.output, "[Alterar Grupo] O grupo foi alterado em 1 clientes.\n") << group.argument;
    EXPECT_EQ(GroupOf(folder() / "F10R2.DAT", 0), group.stored) << group.argument;
    old_group = group.argument;
  }

  test::WriteFile(folder() / "a" / "F10R2.BAK", Client("00009", "5"));
  test::fs::create_directories(folder() / "in");
  for (const Typed& group : groups) {
    Outcome imported = Console("-C in --diskette a import '" + group.argument + "'");
    EXPECT_EQ(imported.output, "[Importar] Foram importados 1 clientes.\n") << group.argument;
  }
  std::string in = test::ReadFile(folder() / "in" / "F10R2.DAT");
  ASSERT_EQ(in.size(), std::size(groups) * client::kLength);
  for (std::size_t n = 0; n < std::size(groups); ++n)
    EXPECT_EQ(test::Field(in, client::kLength, n, kGroupAt, 3), groups[n].stored) << groups[n].argument;

  Outcome exported = Console("-C in --diskette a export '€1'");
  EXPECT_EQ(exported.output, "[Exportar] Foram exportados 1 clientes.\n");
  EXPECT_EQ(test::ReadFile(folder() / "a" / "F10R2.BAK"), in.substr(0, client::kLength));
}

TEST_F(MaintenanceConsoleTest, DelinquencyFollowsTheClock) {
  test::Record member(1000);
  member.Set(250, 18, "123.456.789-01").Set(502, 10, "10/06/2026").Set(815, 3, "4");
  test::WriteFile(folder() / "root" / "Vamk" / "Rud" / "F10R4.DAT", member);
  test::WriteFile(folder() / "data" / "F10R2.DAT",
                  Client("00001", "234", "123.456.789-01") + Client("00002", "155", "12345678901"));
  // --root is relative to where the program starts (the test's folder), not to -C.
  const std::string arguments = "-C " + Path("data") + " --root root delinquency";

  // In March the member's June date is past December of last year.
  Outcome march = Console(arguments, "faketime '2026-03-15 12:00:00'");
  EXPECT_EQ(march.output,
            "[Lanvo] Processo finalizado\n"
            "Veltoral - CPF/CNPJ em dia: 1\n"
            "Grupo 1xx - Sócios em dia: 1\n"
            "Grupo 0xx - Inadimplentes: 1\n");
  EXPECT_EQ(march.status, 0);
  EXPECT_EQ(GroupOf(folder() / "data" / "F10R2.DAT", 0), "134");
  EXPECT_EQ(GroupOf(folder() / "data" / "F10R2.DAT", 1), "055");

  // In May it is before December of this year, with a count above 1.
  Outcome may = Console(arguments, "faketime '2026-05-15 12:00:00'");
  EXPECT_EQ(may.output,
            "[Lanvo] Processo finalizado\n"
            "Veltoral - CPF/CNPJ em dia: 0\n"
            "Grupo 1xx - Sócios em dia: 0\n"
            "Grupo 0xx - Inadimplentes: 2\n");
  EXPECT_EQ(GroupOf(folder() / "data" / "F10R2.DAT", 0), "034");

  Outcome no_members = Console("-C " + Path("data") + " --root " + Path("data") + " delinquency");
  EXPECT_EQ(no_members.output.substr(0, no_members.output.find('\n')),
            "[Lanvo] Erro ao abrir o arquivo de sócios do Veltoral.");
  EXPECT_EQ(no_members.status, 1);
}

}  // namespace
