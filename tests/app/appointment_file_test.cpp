#include "app/appointment_file.h"

#include <gtest/gtest.h>

#include "app/date_key.h"
#include "platform/error.h"
#include "platform/sim/sim_system.h"

namespace erm::app {
namespace {

std::string Mask(std::string_view text) {
  return EncodeDecodeText(text);
}

TEST(EncodeDecodeTextTest, XorsEveryByteWith0x6E) {
  EXPECT_EQ(Mask("Arzt"), "\x2F\x1C\x14\x1A");
  EXPECT_EQ(Mask(Mask("B\xE4"
                      "ckerei cd\x1A")),
            "B\xE4"
            "ckerei cd\x1A");
  EXPECT_EQ(Mask(std::string("\x6E", 1)), std::string("\0", 1));
  EXPECT_EQ(Mask("t"), "\x1A");
  EXPECT_EQ(Mask("c"), "\r");
  EXPECT_EQ(Mask("d"), "\n");
}

TEST(AppointmentLinesTest, EndOnlyAtCrLf) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"empty file", "", {}},
      {"only line 1", "kopf", {"kopf"}},
      {"CR LF after the last line adds nothing", "kopf\r\na\r\nb\r\n", {"kopf", "a", "b"}},
      {"two CR LF at the end: one empty line", "kopf\r\na\r\n\r\n", {"kopf", "a", ""}},
      {"lone LF is data", "kopf\na\nb", {"kopf\na\nb"}},
      {"lone CR is data", "kopf\ra\r\nb\r", {"kopf\ra", "b\r"}},
      {"0x1A inside is data",
       "k\r\na\x1A"
       "b\r\n",
       {"k",
        "a\x1A"
        "b"}},
      {"0x1A as last byte of a last line is data", "k\r\nab\x1A", {"k", "ab\x1A"}},
      {"0x1A after the last line end marks the end", "k\r\na\r\n\x1A", {"k", "a"}},
      {"0x1A not last is data even after a line end", "k\r\n\x1A\r\n", {"k", "\x1A"}},
      {"file of a line end and the marker", "\r\n\x1A", {""}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SplitAppointmentLines(c.bytes), c.lines) << c.name;
}

TEST(AppointmentLinesTest, MaskedTextsFullOfTCAndDSurvive) {
  platform::SimSystem sim;
  const std::vector<std::string> texts = {"Arzt",
                                          "B\xE4"
                                          "ckerei",
                                          "Geburtstag Tante Dorothea",
                                          "t",
                                          "dt",
                                          "Elternabend, Schule",
                                          "Mittagessen",
                                          ""};
  std::string file = "Kopfzeile\r\n";
  for (const std::string& t : texts)
    file += Mask(t) + "\r\n";
  sim.PutFile("C:\\t.trm", file);
  EXPECT_EQ(ReadAppointmentTexts(sim, "C:\\t.trm"), texts);

  // Without a line end after it, a last text ending in "t" keeps its masked 0x1A.
  sim.PutFile("C:\\u.trm", "kopf\r\n" + Mask("Arzt"));
  EXPECT_EQ(ReadAppointmentTexts(sim, "C:\\u.trm"), std::vector<std::string>{"Arzt"});
}

TEST(AppointmentLinesTest, MissingFileThrowsThePlatformsError) {
  platform::SimSystem sim;
  EXPECT_THROW(ReadAppointmentTexts(sim, "C:\\fehlt.trm"), Error);
}

TEST(DateKeyTest, IsCutFromTheDayMonthYearDateText) {
  const platform::LocalTime monday{2026, 12, 7, 23, 59, 59, 999};
  EXPECT_EQ(DayDigits(monday), "20261207");
  EXPECT_EQ(DateKey(monday), "20261207000000");
  EXPECT_EQ(DateKey(platform::LocalTime{2027, 1, 3, 0, 0, 0, 0}), "20270103000000");
  EXPECT_EQ(DateKeyNumber("20261207000000"), 20261207000000.0);
  EXPECT_EQ(FormatPlainDecimal(20261207000000.0), "20261207000000");
  EXPECT_EQ(FormatPlainDecimal(DateKeyNumber("99991231000000")), "99991231000000");
}

}  // namespace
}  // namespace erm::app
