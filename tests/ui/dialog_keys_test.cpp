// A dialog's keys in the window model: Enter presses the default button, Escape the cancel
// button or closes the window as its frame does; other windows leave both alone.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/console_test.hpp"
#include "ui/ui.hpp"

namespace {

class AskForm : public ui::Form {
 public:
  AskForm() : ui::Form("frm_ask", "Ask", 4000, 2000) {
    ok.on_click = [this] { pressed += "ok "; };
    cancel.on_click = [this] { pressed += "cancel "; };
  }
  ui::CommandButton ok{*this, "ok"};
  ui::CommandButton cancel{*this, "cancel"};
  std::string pressed;
  int close_requests = 0;

 protected:
  void on_query_unload(bool& keep) override {
    ++close_requests;
    keep = true;
  }
};

using DialogKeysTest = test::ConsoleTest;

TEST_F(DialogKeysTest, EnterAndEscapePressTheNamedButtonsOrCloseAsTheFrameDoes) {
  const struct {
    const char* name;
    bool dialog, with_default, with_cancel, default_enabled;
    const char* pressed;  // by Enter, then Escape
    int close_requests;
  } cases[] = {
      {"no dialog", false, false, false, true, "", 0},
      {"default and cancel", true, true, true, true, "ok cancel ", 0},
      {"default only", true, true, false, true, "ok ", 1},
      {"neither", true, false, false, true, "", 1},
      {"default disabled", true, true, true, false, "cancel ", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AskForm form;
    if (c.dialog) {
      form.set_dialog_keys(c.with_default ? &form.ok : nullptr,
                           c.with_cancel ? &form.cancel : nullptr);
    }
    form.ok.set_enabled(c.default_enabled);
    EXPECT_EQ(form.press_enter(), c.dialog);
    EXPECT_EQ(form.press_escape(), c.dialog);
    EXPECT_EQ(form.pressed, c.pressed);
    EXPECT_EQ(form.close_requests, c.close_requests);
  }
}

}  // namespace
