// The CUPS print service (built only with the print spooler).
#include "print/cups_service.h"

#include <gtest/gtest.h>

#include "tests/support/temp_file.h"

namespace kaldero::printing {
namespace {

TEST(CupsPrintService, AServerThatIsNotThereIsUnreachable) {
  testing::ScratchDir dir;
  CupsPrintService cups(dir.path("no-server.sock"));
  const PrinterList list = cups.printers();
  EXPECT_FALSE(list.serverReachable);
  EXPECT_TRUE(list.printers.empty());
}

}  // namespace
}  // namespace kaldero::printing
