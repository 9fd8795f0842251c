#include "core/encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace kaldero::text {
namespace {

TEST(Encoding, Utf8TextKeepsUtf8AndReadsOtherBytesAsWindows1252) {
  EXPECT_EQ(utf8Text("plain\tline\n"), "plain\tline\n");
  EXPECT_EQ(utf8Text("12 \xC2\xB5g/L"), "12 \xC2\xB5g/L");        // UTF-8 kept
  EXPECT_EQ(utf8Text("12 \xB5g/L"), "12 \xC2\xB5g/L");            // the listing's micro sign
  EXPECT_EQ(utf8Text("STATION\xE9.DAT"), "STATION\xC3\xA9.DAT");  // a Windows file name
  EXPECT_EQ(utf8Text("\x80\x81"), "\xE2\x82\xAC\xEF\xBF\xBD");    // euro; unassigned byte
  // A sequence cut short, an overlong form and a surrogate are not UTF-8.
  EXPECT_EQ(utf8Text("\xE2\x82"), "\xC3\xA2\xE2\x80\x9A");
  EXPECT_EQ(utf8Text("\xC0\xAF"), "\xC3\x80\xC2\xAF");
  EXPECT_EQ(utf8Text("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");
  // Four-byte sequences pass through.
  EXPECT_EQ(utf8Text("\xF0\x9F\x92\xA7"), "\xF0\x9F\x92\xA7");
}

}  // namespace
}  // namespace kaldero::text
