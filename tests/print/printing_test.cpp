#include "print/printing.h"

#include <gtest/gtest.h>

#include <string>

#include "core/listing_channel.h"
#include "core/output_gate.h"
#include "tests/support/capture.h"
#include "tests/support/temp_file.h"

namespace kaldero::printing {
namespace {

class FakeService : public PrintService {
 public:
  PrinterList list{true, {{"office", false}, {"pdf", true}}};
  std::optional<Paper> sheet = letter();
  JobResult result{JobResult::Stage::Started, 17, 0};
  int submitted = 0;
  std::string printer, name, pdf;
  JobOptions options;

  static Paper letter() {
    Paper p;
    p.width = 612;
    p.height = 792;
    return p;
  }
  PrinterList printers() override { return list; }
  std::optional<Paper> paper(const Printer&) override { return sheet; }
  JobResult submit(const Printer& p, const std::string& n, const std::string& doc,
                   const JobOptions& o) override {
    ++submitted;
    printer = p.name;
    name = n;
    pdf = doc;
    options = o;
    return result;
  }
};

int pageCount(const std::string& pdf) {
  int n = 0;
  for (std::size_t at = pdf.find("/Type /Page "); at != std::string::npos;
       at = pdf.find("/Type /Page ", at + 1))
    ++n;
  return n;
}

TEST(PrintSettings, DefaultsAndTheRulesForUnusableValues) {
  const Layout d = resolve(PrintSettings{});
  EXPECT_FALSE(d.askUser);  // all bits set: the default printer
  EXPECT_FALSE(d.carriageControl);
  EXPECT_EQ(d.leftMargin, 0.5f);
  EXPECT_EQ(d.topMargin, 0.5f);
  EXPECT_EQ(d.lineSpacing, 1.0f);
  EXPECT_EQ(d.fontFace, kDefaultFace);
  EXPECT_EQ(d.fontSize, kDefaultFontSize);
  EXPECT_EQ(d.tabWidth, 4);

  PrintSettings bad;
  bad.useDefaultPrinter = 2;  // bit 0 clear
  bad.carriageControl = 3;
  bad.leftMargin = -1.0f;
  bad.topMargin = 0.0f;
  bad.lineSpacing = 10.0f;
  bad.fontFace = std::string(33, 'F');
  bad.fontSize = -9;
  bad.tabWidth = 0;
  const Layout b = resolve(bad);
  EXPECT_TRUE(b.askUser);
  EXPECT_TRUE(b.carriageControl);
  EXPECT_EQ(b.leftMargin, 0.5f);
  EXPECT_EQ(b.topMargin, 0.0f);
  EXPECT_EQ(b.lineSpacing, 1.0f);
  EXPECT_EQ(b.fontFace, kDefaultFace);
  EXPECT_EQ(b.fontSize, kDefaultFontSize);
  EXPECT_EQ(b.tabWidth, 4);
  // The print question's settings all pass.
  const Layout q = resolve(printQuestionSettings());
  EXPECT_TRUE(q.askUser);
  EXPECT_EQ(q.leftMargin, 1.0f);
  EXPECT_EQ(q.fontFace, "Courier New");
  EXPECT_EQ(q.fontSize, 9.0f);
  bad.fontFace = std::string(32, 'F');
  bad.lineSpacing = 9.5f;
  EXPECT_EQ(resolve(bad).fontFace, std::string(32, 'F'));
  EXPECT_EQ(resolve(bad).lineSpacing, 9.5f);
}

TEST(PrinterChoice, ListsThePrintersAndTakesTheDefaultOnEnter) {
  testing::CapturedConsole cc("\n");
  FakeService f;
  int32_t result = 99;
  const auto p = choosePrinter(cc.console(), f.list, result);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->name, "pdf");
  EXPECT_EQ(cc.output(),
            "\n"
            " PRINTERS:\n"
            "     1  office\n"
            "     2  pdf  (DEFAULT)\n"
            " PRINTER NUMBER (<RETURN> FOR THE DEFAULT, 0 TO CANCEL): ");
}

TEST(PrinterChoice, ANumberAfterAWrongAnswer) {
  testing::CapturedConsole cc("3\nx\n 1 \n");
  FakeService f;
  int32_t result = 99;
  const auto p = choosePrinter(cc.console(), f.list, result);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->name, "office");
  const std::string out = cc.output();
  EXPECT_NE(out.find(" NOT A PRINTER NUMBER: 3\n"), std::string::npos);
  EXPECT_NE(out.find(" NOT A PRINTER NUMBER: x\n"), std::string::npos);
}

TEST(PrinterChoice, ZeroOrTheEndOfInputCancels) {
  FakeService f;
  for (const char* input : {"0\n", "", "x\n"}) {
    testing::CapturedConsole cc(input);
    int32_t result = 99;
    EXPECT_FALSE(choosePrinter(cc.console(), f.list, result)) << input;
    EXPECT_EQ(result, kCancelled) << input;
  }
}

TEST(PrinterChoice, WithoutADefaultEnterTakesTheFirstPrinter) {
  testing::CapturedConsole cc("\n");
  FakeService f;
  f.list.printers[1].isDefault = false;
  int32_t result = 99;
  const auto p = choosePrinter(cc.console(), f.list, result);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->name, "office");
  EXPECT_NE(cc.output().find("(<RETURN> FOR PRINTER 1, 0 TO CANCEL)"), std::string::npos);
}

TEST(PrinterChoice, NoServerOrNoPrinterIsSaidAndNothingIsAsked) {
  FakeService f;
  f.list.serverReachable = false;
  f.list.printers.clear();
  testing::CapturedConsole cc("1\n");
  int32_t result = 99;
  EXPECT_FALSE(choosePrinter(cc.console(), f.list, result));
  EXPECT_EQ(result, kNoPrinter);
  EXPECT_EQ(cc.output(), " NO PRINT SERVER CAN BE REACHED; THE FILE WAS NOT PRINTED.\n");
  f.list.serverReachable = true;
  testing::CapturedConsole cc2("1\n");
  EXPECT_FALSE(choosePrinter(cc2.console(), f.list, result));
  EXPECT_EQ(cc2.output(), " NO PRINTER IS INSTALLED; THE FILE WAS NOT PRINTED.\n");
  EXPECT_EQ(cc2.console().readLine().value(), "1");  // the answer is still unread
}

class PrintListing : public ::testing::Test {
 protected:
  testing::ScratchDir dir;
  testing::CapturedConsole gateConsole;
  OutputGate gate{gateConsole.console()};
  ListingChannel listing;
  FakeService service;

  void SetUp() override {
    std::filesystem::create_directories(dir.dir() / "run2");
    ASSERT_TRUE(listing.open(gate, {dir.path("run2/STATION1.OUT"), "results listing", ""}));
  }
};

TEST_F(PrintListing, ThePrintedFileIsWhatWasWrittenSoFar) {
  // 100 short lines stay in the channel's buffer until it is flushed; at 70
  // lines a letter page they take two pages.
  for (int i = 0; i < 100; ++i) listing.line("LINE");
  testing::CapturedConsole cc("\n");
  EXPECT_EQ(printListing(cc.console(), listing, printQuestionSettings(), service), 17);
  EXPECT_EQ(service.submitted, 1);
  EXPECT_EQ(service.printer, "pdf");
  EXPECT_EQ(service.name, "STATION1.OUT");
  EXPECT_EQ(pageCount(service.pdf), 2);
  EXPECT_NE(service.pdf.find("/MediaBox [ 0 0 612 792 ]"), std::string::npos);
  EXPECT_NE(cc.output().find(" FILE STATION1.OUT SENT TO PRINTER pdf AS JOB          17\n"),
            std::string::npos);
  // The channel stays open at its end.
  ASSERT_TRUE(listing.isOpen());
  listing.line("MORE");
  listing.close();
  EXPECT_EQ(dir.read("run2/STATION1.OUT").size(), 100u * 5 + 5);
}

TEST_F(PrintListing, SeventyLinesFillOneLetterPage) {
  for (int i = 0; i < 70; ++i) listing.line("LINE");
  testing::CapturedConsole cc("\n");
  EXPECT_EQ(printListing(cc.console(), listing, printQuestionSettings(), service), 17);
  EXPECT_EQ(pageCount(service.pdf), 1);
}

TEST_F(PrintListing, AClosedChannelIsNotPrinted) {
  listing.close();
  testing::CapturedConsole cc("\n");
  EXPECT_EQ(printListing(cc.console(), listing, printQuestionSettings(), service), kNotOpen);
  EXPECT_EQ(service.submitted, 0);
  EXPECT_EQ(cc.output(), "");
}

TEST_F(PrintListing, ACancelledChoicePrintsNothing) {
  listing.line("LINE");
  testing::CapturedConsole cc("0\n");
  EXPECT_EQ(printListing(cc.console(), listing, printQuestionSettings(), service), kCancelled);
  testing::CapturedConsole none;  // stdin at its end
  EXPECT_EQ(printListing(none.console(), listing, printQuestionSettings(), service), kCancelled);
  EXPECT_EQ(service.submitted, 0);
}

TEST_F(PrintListing, AJobThatCannotBeStartedIsReported) {
  listing.line("LINE");
  service.result = {JobResult::Stage::NotStarted, 0, 1281};
  testing::CapturedConsole cc("\n");
  EXPECT_EQ(printListing(cc.console(), listing, printQuestionSettings(), service), kNotStarted);
  EXPECT_NE(cc.output().find(" StartDoc failed, code=        1281\n"), std::string::npos);
  service.result = {JobResult::Stage::NotSent, 5, 1280};
  testing::CapturedConsole cc2("\n");
  EXPECT_EQ(printListing(cc2.console(), listing, printQuestionSettings(), service), kNotSent);
  EXPECT_NE(cc2.output().find(" THE FILE DID NOT REACH THE PRINTER, CODE=        1280\n"),
            std::string::npos);
}

TEST_F(PrintListing, TheDefaultPrinterWithoutAsking) {
  listing.line("LINE");
  PrintSettings s;
  testing::CapturedConsole cc;
  EXPECT_EQ(printListing(cc.console(), listing, s, service), 17);
  EXPECT_EQ(service.printer, "pdf");
  EXPECT_EQ(cc.output().find("PRINTERS:"), std::string::npos);
  service.list.printers[1].isDefault = false;
  testing::CapturedConsole cc2;
  EXPECT_EQ(printListing(cc2.console(), listing, s, service), kNoPrinter);
  EXPECT_EQ(cc2.output(), " NO DEFAULT PRINTER IS SET; THE FILE WAS NOT PRINTED.\n");
  service.list.printers.clear();
  testing::CapturedConsole cc4;
  EXPECT_EQ(printListing(cc4.console(), listing, s, service), kNoPrinter);
  EXPECT_EQ(cc4.output(), " NO PRINTER IS INSTALLED; THE FILE WAS NOT PRINTED.\n");
  service.list.serverReachable = false;
  testing::CapturedConsole cc3;
  EXPECT_EQ(printListing(cc3.console(), listing, s, service), kNoPrinter);
  EXPECT_EQ(cc3.output(), " NO PRINT SERVER CAN BE REACHED; THE FILE WAS NOT PRINTED.\n");
}

TEST_F(PrintListing, OrientationAndCopiesOfTheDefaultPrinter) {
  listing.line("LINE");
  PrintSettings s;
  s.orientation = 2;
  s.copies = 3;
  testing::CapturedConsole cc;
  EXPECT_EQ(printListing(cc.console(), listing, s, service), 17);
  EXPECT_NE(service.pdf.find("/MediaBox [ 0 0 792 612 ]"), std::string::npos);
  EXPECT_EQ(service.options.copies, 3);
  // A printer whose settings cannot be read.
  service.sheet.reset();
  testing::CapturedConsole cc2;
  EXPECT_EQ(printListing(cc2.console(), listing, s, service), kNoPrinterSettings);
  EXPECT_EQ(service.submitted, 1);
  // Without them an unknown paper is A4.
  testing::CapturedConsole cc3;
  EXPECT_EQ(printListing(cc3.console(), listing, PrintSettings{}, service), 17);
  EXPECT_NE(service.pdf.find("/MediaBox [ 0 0 595.275"), std::string::npos);
}

}  // namespace
}  // namespace kaldero::printing
