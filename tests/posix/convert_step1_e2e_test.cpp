// The console program converts a folder of release 2.x: the client file, the
// code table, the registration files and the payment forms, checked whole and
// byte for byte against files built field by field; a second run changes
// nothing.
#include <string>
#include <vector>

#include "tests/convert_support.hpp"
#include "tests/posix/console_support.hpp"
#include "tests/step1_layouts.hpp"

namespace {

using test::Blanked;
using test::NewCode;
using test::NewForm;
using test::OldCode;
using test::OldForm;
using test::ReadFile;
using test::Record;
using test::Registration;
using test::RunConsole;
using test::WriteFile;
namespace l = test::layout;

class ConvertStep1EndToEnd : public test::FolderTest {};

// The step that takes farms and banks out of the client records backs the
// client file up as F10R2-250.BAK before it changes it, and carries the code
// table on as F24R0.DAT: once that step runs, those hold what this step wrote.
std::string StepOneOutput(const char* name, const char* moved_to) {
  return test::FileExists(moved_to) ? ReadFile(moved_to) : ReadFile(name);
}

TEST_F(ConvertStep1EndToEnd, FolderOfRelease2ConvertsByteForByteAndOnlyOnce) {
  Record c1 = test::OldClient(1), c2 = test::OldClient(2);
  std::string f10 = c1.bytes() + c2.bytes();
  WriteFile("F10.DAT", f10);
  WriteFile("F13.DAT", OldCode("0341", "BANCO DO NORTE").bytes() + OldCode("0001", "CAIXA").bytes());
  WriteFile("F11.DAT", Record(l::f11::kLength).Set(l::f11::kCode, "00008").bytes() +
                           Record(l::f11::kLength).Set(l::f11::kCode, "00016").bytes());
  Record a = Registration('a', '+'), b = Registration('b', 'Z'), c = Registration('c', '+');
  WriteFile("REG/F1200008.DAT", a.bytes() + b.bytes());
  WriteFile("REG/F1200016.DAT", c.Get(0, 1200));  // cut short: blanked up to its end only
  std::string f14 = OldForm("001", "30/60/90", {"30", "30", "30"}).bytes() +
                    OldForm("002", "SETE PARCELAS", {"10", "20", "30", "40", "50", "60", "70"}).bytes();
  WriteFile("F14.DAT", f14);

  test::ConsoleResult first = RunConsole("-C '" + folder().string() + "' convert");
  EXPECT_EQ(first.status, 0);
  EXPECT_EQ(first.out,
            "[Lanvo] Problema na conversão das formas de pagamento.\nConsulte o suporte técnico.\n"
            "[Lanvo] A conversão foi realizada.\n");

  EXPECT_EQ(StepOneOutput("F10R2.DAT", "F10R2-250.BAK"),
            test::NewClientFromOld(c1).bytes() + test::NewClientFromOld(c2).bytes());
  EXPECT_EQ(ReadFile("F10.TMP"), f10);
  EXPECT_EQ(ReadFile("F10R1.TMP"), test::IntermediateClient(c1).bytes() + test::IntermediateClient(c2).bytes());
  EXPECT_EQ(StepOneOutput("F24.DAT", "F24R0.DAT"),
            NewCode("0341", "BANCO DO NORTE").bytes() + NewCode("0001", "CAIXA").bytes());
  EXPECT_EQ(ReadFile("REG/F1200008.DAT"), Blanked(a).bytes() + Blanked(b).bytes());
  EXPECT_EQ(ReadFile("REG/F1200016.DAT"), Blanked(c).Get(0, 1200));
  EXPECT_EQ(ReadFile("F14R0.DAT"),
            NewForm("001", "30/60/90", {"3 30"}).bytes() +
                NewForm("002", "SETE PARCELAS", {"1 10", "1 20", "1 30", "1 40", "1 50", "1 60", "1 70"}).bytes());
  EXPECT_EQ(ReadFile("F14.TMP"), f14);
  EXPECT_EQ(ReadFile("CONV.DAT"), "219\r\n");
  for (const char* gone : {"F10.DAT", "F10R1.DAT", "F13.DAT", "F14.DAT"}) EXPECT_FALSE(test::FileExists(gone)) << gone;

  auto converted = test::Snapshot(folder());
  test::ConsoleResult second = RunConsole("-C '" + folder().string() + "' convert");
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(second.out, "[Lanvo] A conversão foi realizada.\n");
  EXPECT_EQ(test::Snapshot(folder()), converted);
}

}  // namespace
