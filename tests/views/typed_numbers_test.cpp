// Numbers typed with blanks into the fields of the views and the configuration window: the
// blanks are skipped wherever they stand, and the wire carries the whole number.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "config/frm_tool.hpp"
#include "support/linked_window_test.hpp"
#include "views/frm_dashboard.hpp"
#include "views/frm_diagnostics.hpp"

namespace ecu {
namespace {

using test::command;

struct TypedNumberCase {
  const char* field;
  const char* text;
  // Opens the window on the connected console.
  void (*open)(FrmEcuForm& main_window);
  // Types the text and sends it.
  void (*type_and_send)(const char* text);
  std::vector<std::string> expected;
};

void open_configuration(FrmEcuForm& main_window) {
  main_window.Menu_View_Injection.click();
}
void open_dashboard(FrmEcuForm& main_window) {
  main_window.menu_view_dashboard.click();
}
void open_diagnostics(FrmEcuForm& main_window) {
  main_window.menu_view_diagnostic.click();
}

const TypedNumberCase kCases[] = {
    {"Disable if above",
     "7 000",
     open_configuration,
     [](const char* text) {
       frm_tool().idle_disable_rpm.set_text(text);
       frm_tool().Command3d1.click();
     },
     {command({0x2F, 0x58, 0x1B, 0})}},  // 7000
    {"Disable if above",
     "\t7\t0 0 0 ",
     open_configuration,
     [](const char* text) {
       frm_tool().idle_disable_rpm.set_text(text);
       frm_tool().Command3d1.click();
     },
     {command({0x2F, 0x58, 0x1B, 0})}},
    {"Fuel Scaler",
     " 1 2.5",
     open_dashboard,
     [](const char* text) {
       frm_dashboard().ecu_pgm[0].set_text(text);
       frm_dashboard().Command2.click();
     },
     {command({'m', 0x84, 0x1E, 0})}},  // 12.5 ms x 625 = 7812.5, half to even 7812
    {"Base offset",
     "- 1 0",
     open_dashboard,
     [](const char* text) {
       frm_dashboard().base_offset_deg.set_text(text);
       frm_dashboard().Command2.click();
     },
     {command({0xA4, 0x18, 0, 0})}},  // (-10 + 16) x 4 = 24
    {"Trig RPM and End RPM",
     "7 000",
     open_diagnostics,
     [](const char* text) {
       frm_diagnostics().dyno_trig_rpm[0].set_text("2 500");
       frm_diagnostics().dyno_trig_rpm[1].set_text(text);
       frm_diagnostics().dyno_arm.click();
     },
     {command({0x03, 0, 0xC4, 0x09}), command({0x03, 1, 0x58, 0x1B}), command({0x04, 1, 0, 0})}},
};

void PrintTo(const TypedNumberCase& c, std::ostream* out) {
  *out << c.field << " \"" << c.text << "\"";
}

class TypedNumberTest : public test::LinkedWindowTest,
                        public testing::WithParamInterface<TypedNumberCase> {};

TEST_P(TypedNumberTest, BlanksAreSkippedWhereverTheyStandAndTheWholeNumberIsSent) {
  const TypedNumberCase& c = GetParam();
  c.open(connect());
  const std::size_t before = controller().request_count();
  c.type_and_send(c.text);
  EXPECT_EQ(commands_since(before), c.expected) << c.field << " \"" << c.text << "\"";
  EXPECT_TRUE(presenter().shown_messages.empty());
}

INSTANTIATE_TEST_SUITE_P(FieldsOfTheViewsAndTheConfiguration, TypedNumberTest,
                         testing::ValuesIn(kCases));

}  // namespace
}  // namespace ecu
