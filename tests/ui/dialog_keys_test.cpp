// The keys of a dialog in the window model: Enter presses the default button, Escape the
// cancel button or closes the window as its frame does; other windows leave both alone.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/console_test.hpp"
#include "ui/ui.hpp"

namespace {

class AskForm : public ui::Form {
 public:
  AskForm() : ui::Form("frm_ask", "Ask", 4000, 2000) {
    ok.on_click = [this] { pressed.push_back("ok"); };
    cancel.on_click = [this] { pressed.push_back("cancel"); };
  }
  ui::CommandButton ok{*this, "ok"};
  ui::CommandButton cancel{*this, "cancel"};
  std::vector<std::string> pressed;
  int close_requests = 0;

 protected:
  void on_query_unload(bool& keep) override {
    ++close_requests;
    keep = true;
  }
};

using DialogKeysTest = test::ConsoleTest;

TEST_F(DialogKeysTest, EnterAndEscapePressTheNamedButtonsOrCloseAsTheFrameDoes) {
  struct Case {
    const char* name;
    bool dialog, with_default, with_cancel, default_enabled;
    std::vector<std::string> pressed_by_enter, pressed_by_escape;
    int close_requests;
    bool used;
  };
  const Case cases[] = {
      {"no dialog", false, false, false, true, {}, {}, 0, false},
      {"default and cancel", true, true, true, true, {"ok"}, {"cancel"}, 0, true},
      {"default only", true, true, false, true, {"ok"}, {}, 1, true},
      {"neither", true, false, false, true, {}, {}, 1, true},
      {"cancel only", true, false, true, true, {}, {"cancel"}, 0, true},
      {"default disabled", true, true, true, false, {}, {"cancel"}, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AskForm form;
    if (c.dialog) {
      form.set_dialog_keys(c.with_default ? &form.ok : nullptr,
                           c.with_cancel ? &form.cancel : nullptr);
    }
    form.ok.set_enabled(c.default_enabled);
    EXPECT_EQ(form.is_dialog(), c.dialog);
    EXPECT_EQ(form.press_enter(), c.used);
    EXPECT_EQ(form.pressed, c.pressed_by_enter);
    form.pressed.clear();
    EXPECT_EQ(form.press_escape(), c.used);
    EXPECT_EQ(form.pressed, c.pressed_by_escape);
    EXPECT_EQ(form.close_requests, c.close_requests);
  }
}

TEST_F(DialogKeysTest, StatedTabOrderForgetsAControlThatGoesAway) {
  AskForm form;
  auto extra = std::make_unique<ui::CommandButton>(form, "extra");
  form.set_tab_order({&form.cancel, extra.get(), &form.ok});
  form.set_dialog_keys(extra.get(), extra.get());
  extra.reset();
  EXPECT_EQ(form.tab_order(), (std::vector<ui::Control*>{&form.cancel, &form.ok}));
  EXPECT_EQ(form.default_button(), nullptr);
  EXPECT_EQ(form.cancel_button(), nullptr);
  EXPECT_TRUE(form.press_enter());
  EXPECT_TRUE(form.pressed.empty());
}

}  // namespace
