// How far a command has got: the status line's text and how often it changes,
// and a conversion run through the dialog procedure on a dialog that shows
// its percent, on a clock that the test moves.
#include "ui/progress.hpp"

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/dialog_proc.hpp"
#include "ui/text_dialog.hpp"
#include "ui/dialog.hpp"
#include "tests/convert_support.hpp"

namespace {

using namespace std::chrono_literals;
using ui::ProgressLine;

const ui::ProgressClock::time_point kStart{};

TEST(ProgressLineTest, TheNameAloneThenAWholePercentAtMostEveryQuarterSecond) {
  ProgressLine line;
  line.Begin("Clientes (1/2)", kStart);
  EXPECT_EQ(line.Update(450, 1000, kStart + 249ms), std::nullopt);  // the name was just shown
  EXPECT_EQ(line.Update(459, 1000, kStart + 250ms), "Clientes (1/2) 45%");
  EXPECT_EQ(line.Update(990, 1000, kStart + 499ms), std::nullopt);
  EXPECT_EQ(line.Update(459, 1000, kStart + 900ms), std::nullopt);  // nothing new to show
  EXPECT_EQ(line.Update(999, 1000, kStart + 900ms), "Clientes (1/2) 99%");
}

TEST(ProgressLineTest, EdgesOfTheCount) {
  ProgressLine line;
  line.Begin("Registros", kStart);
  EXPECT_EQ(line.Update(0, 0, kStart + 1s), std::nullopt);  // an empty file: the name alone
  EXPECT_EQ(line.Update(3'000'000'000, 4'000'000'000, kStart + 1s), "Registros 75%");  // past 32 bits
  EXPECT_EQ(line.Update(1500, 1000, kStart + 2s), "Registros 100%");  // a file that grew meanwhile
  // The next step starts from its name, the percent counted anew.
  line.Begin("Telefones e textos", kStart + 3s);
  EXPECT_EQ(line.Update(1000, 1000, kStart + 3s + 100ms), std::nullopt);
  EXPECT_EQ(line.Update(1000, 1000, kStart + 3s + 250ms), "Telefones e textos 100%");
}

// A dialog like the Windows program's, as far as the progress goes: it shows
// percentages, and counts the moments it is given to take its messages.
class ShowingDialog : public ui::TextDialog {
 public:
  ShowingDialog() : TextDialog(ui::ConversionDialogItems(), "Lanvo 3.03") {}
  bool ShowsPercentages() const override { return true; }
  void KeepAlive() override {
    ++keep_alives;
    if (during_run) during_run();
  }
  int keep_alives = 0;
  std::function<void()> during_run;
};

// Every reading of the clock is 100 ms after the one before.
ui::ProgressClock::time_point SteppingClock() {
  static ui::ProgressClock::time_point now{};
  return now += 100ms;
}

class ProgressRunTest : public test::FolderTest {
 protected:
  void SetUp() override {
    test::FolderTest::SetUp();
    ui::SetProgressClock(SteppingClock);
    // Some thousand clients: each step reads and writes its window of the
    // files several times.
    std::string clients;
    for (int n = 1; n <= 2000; ++n) clients += test::OldClient(n).bytes();
    test::WriteFile("F10.DAT", clients);
  }
  void TearDown() override {
    ui::SetProgressClock(nullptr);
    test::FolderTest::TearDown();
  }
  void Convert() { ui::DialogProc(&dialog_, ui::DialogMessage::kCommand, kItemConvert); }
  ShowingDialog dialog_;
  test::MessageLog messages_;
};

TEST_F(ProgressRunTest, EachStepShowsItsNameThenItsPercentRising) {
  Convert();
  EXPECT_GT(dialog_.keep_alives, 10);
  // The percents that each step showed, in order, after its name.
  std::vector<std::string> names;
  std::map<std::string, std::vector<int>> percents;
  for (const std::string& shown : dialog_.history(kItemStatus)) {
    std::size_t space = shown.rfind(' ');
    if (!shown.empty() && shown.back() == '%' && space != std::string::npos) {
      ASSERT_FALSE(names.empty());
      EXPECT_EQ(shown.substr(0, space), names.back());
      percents[names.back()].push_back(std::stoi(shown.substr(space + 1)));
    } else {
      names.push_back(shown);
    }
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Clientes (1/2)", "Clientes (2/2)", "Tabela de códigos", "Registros",
                                             "Formas de pagamento", "Fazendas e contas bancárias",
                                             "Telefones e textos", "Limpeza de arquivos", ""}));
  // The phones of this folder leave the client records in the split's pass,
  // which leaves the step of the phones and texts little to read.
  for (const char* step : {"Clientes (1/2)", "Clientes (2/2)", "Fazendas e contas bancárias"}) {
    const std::vector<int>& seen = percents[step];
    ASSERT_GE(seen.size(), 2u) << step;
    for (std::size_t i = 0; i < seen.size(); ++i) {
      EXPECT_GT(seen[i], i == 0 ? 0 : seen[i - 1]) << step;
      EXPECT_LE(seen[i], 100) << step;
    }
  }
  EXPECT_EQ(messages_.texts(), std::vector<std::string>{"A conversão foi realizada."});
}

// What reaches the dialog while a command runs (another program can send it
// anything) does nothing: no second run on top of the first, no end of the
// program half-way, no maintenance command. Afterwards the dialog obeys again.
TEST_F(ProgressRunTest, CommandsThatReachTheDialogDuringARunAreNotCarriedOut) {
  int sent = 0;
  dialog_.during_run = [&] {
    if (sent++ > 0) return;
    EXPECT_TRUE(ui::CommandRunning());
    for (unsigned id : {kItemConvert, kItemClose, kItemExport, kItemRegroup, kItemDelinquency})
      EXPECT_TRUE(ui::DialogProc(&dialog_, ui::DialogMessage::kCommand, id));
  };
  Convert();
  EXPECT_GT(sent, 0);
  EXPECT_FALSE(dialog_.ended());
  EXPECT_EQ(messages_.texts(), std::vector<std::string>{"A conversão foi realizada."});
  EXPECT_FALSE(ui::CommandRunning());
  ui::DialogProc(&dialog_, ui::DialogMessage::kCommand, kItemClose);
  EXPECT_TRUE(dialog_.ended());
}

}  // namespace
