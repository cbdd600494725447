// The basic mapping window against a simulated controller on a pseudo-terminal: what its
// fetch reads and shows, what its Update writes, and how both end when things go wrong.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "link/request.hpp"
#include "maps/frm_3d.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_dialog.hpp"
#include "shell/view_commands.hpp"
#include "sim/simulated_controller.hpp"
#include "support/main_window_fixture.hpp"
#include "support/tick_form.hpp"
#include "support/watched_ports.hpp"

namespace ecu {
namespace {

using Commands = std::vector<std::string>;
using Texts = std::vector<std::string>;

std::string command(std::initializer_list<int> bytes) {
  std::string text;
  for (const int byte : bytes) text += static_cast<char>(byte);
  return text;
}

// Presses "Try Again" on the failure dialog the next `times` times it shows.
void press_try_again_when_shown(int times = 1) {
  if (times <= 0) return;
  ui::event_loop().post_user_input([times] {
    if (frm_Dialog.loaded() && frm_Dialog().visible()) {
      frm_Dialog().dialog_button[0].click();
      press_try_again_when_shown(times - 1);
    } else {
      press_try_again_when_shown(times);
    }
  });
}

constexpr ui::Colour kGreen = 0x0080FF80;
constexpr ui::Colour kRed = 0x008080FF;

class BasicMappingTest : public test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    test::use_system_serial_port();
    reset_receive_framer();
    controller_ = std::make_unique<sim::SimulatedController>(1);
    // Fuel map byte i = i; ignition all 0 degrees but byte 17 at 1; TPS fuel all 1.000; mix 50%.
    for (int i = 0; i < 256; ++i) {
      controller_->set_memory(static_cast<std::uint16_t>(0x100 + i), static_cast<std::uint8_t>(i));
      controller_->set_memory(static_cast<std::uint16_t>(0x600 + i), i == 17 ? 68 : 64);
      controller_->set_memory(static_cast<std::uint16_t>(0x700 + i), 128);
      controller_->set_memory(static_cast<std::uint16_t>(0x800 + i), 32);
    }
    start_console("");
  }
  void TearDown() override {
    test::use_system_serial_port();
    controller_.reset();
    MainWindowTest::TearDown();
  }

  // The four command bytes of every request received since the last call.
  Commands new_commands() {
    const std::vector<std::string> frames = controller_->request_frames();
    Commands commands;
    for (std::size_t i = seen_; i < frames.size(); ++i) commands.push_back(frames[i].substr(2, 4));
    seen_ = frames.size();
    return commands;
  }
  Frm3dForm& open_window() {
    run_view_command(kBasicMappingView);
    return frm_3d();
  }

  std::unique_ptr<sim::SimulatedController> controller_;
  std::size_t seen_ = 0;
};

TEST_F(BasicMappingTest, OpeningReadsTheFourMapsInBlocksAndShowsEveryCellInItsBand) {
  Frm3dForm& window = open_window();
  Commands expected = {"C000", "B000", "Z000"};
  for (const int page : {1, 6, 7, 8}) {
    for (int offset = 0; offset < 256; offset += 32)
      expected.push_back(command({'l', offset, page, 0}));
  }
  EXPECT_EQ(new_commands(), expected);

  struct Cell {
    ui::Grid& grid;
    int row, col;
    const char* text;
    ui::Colour back;
  };
  const Cell cells[] = {
      {window.inj_map, 16, 1, ".000", kGreen},      {window.inj_map, 1, 16, "1.992", kRed},
      {window.inj_map, 16, 9, "1.000", 0x00BED7FC}, {window.ign_map, 15, 2, "1.00", kRed},
      {window.TPS_map, 8, 8, "1.000", kGreen},      {window.TPS_mix, 1, 1, "50.0", kGreen},
  };
  for (const Cell& cell : cells) {
    EXPECT_EQ(cell.grid.cell_text(cell.row, cell.col), cell.text) << cell.grid.name();
    EXPECT_EQ(cell.grid.cell_back_colour(cell.row, cell.col), cell.back) << cell.grid.name();
  }
  int pending = 0;
  for (int map = 0; map < Frm3dForm::kMaps; ++map) {
    for (int i = 0; i < 256; ++i) pending += window.map_editing(map).sync(i) != CellSync::in_sync;
  }
  EXPECT_EQ(pending, 0);
  // Label5(1): 1/16 of 551 kPa above 79.
  EXPECT_EQ((Texts{window.ecu_pgm[0].text(), window.ecu_pgm[1].text(), window.tps_rpm.text(),
                   window.Label6[8].caption(), window.Label5[1].caption()}),
            (Texts{"1.000", "0.000", "4004", " 8000", " 113"}));
  EXPECT_EQ(window.tps_rpm.back_colour(), ui::colours::white);
  EXPECT_TRUE(window.Command3d2.enabled());
  EXPECT_EQ(poll_inhibit, kFalse);

  window.hide();
  window.show();  // a later activation reads nothing
  EXPECT_TRUE(new_commands().empty());
}

TEST_F(BasicMappingTest, UpdateWritesExactlyTheEditedAndSteppedCellsAndRefusesValuesOutOfRange) {
  Frm3dForm& window = open_window();
  new_commands();
  window.inj_map.commit_edit(15, 2, "1");  // byte 17
  window.inj_map.set_active_cell(14, 3);   // byte 34, .266
  window.inj_map.key_down(38, 1);
  window.ign_map.set_active_cell(15, 2);
  window.ign_map.key_down(40, 1);
  window.TPS_map.commit_edit(16, 1, "");  // emptied on purpose: 0
  window.TPS_mix.commit_edit(1, 16, "150");
  window.ecu_pgm[0].set_text("0");
  EXPECT_EQ(window.inj_map.key_press(13), 0);  // Enter runs Update
  EXPECT_EQ(new_commands(), (Commands{command({'m', 0, 0, 0}), command({'e', 17, 1, 128}),
                                      command({'e', 34, 1, 35}), command({'e', 17, 6, 67}),
                                      command({'e', 0, 7, 0}), command({'e', 255, 8, 64})}));
  EXPECT_EQ((std::vector<int>{controller_->memory(0x122), controller_->memory(0x611),
                              controller_->memory(0x8FF)}),
            (std::vector<int>{35, 67, 64}));
  EXPECT_EQ(window.inj_map.cell_text(14, 3), ".273");
  EXPECT_EQ(window.TPS_mix.cell_back_colour(1, 16), kRed);
  EXPECT_EQ(window.ecu_pgm[0].back_colour(), ui::colours::white);

  struct Case {
    ui::TextBox& field;
    const char* text;
    const char* message;  // between "The value for the " and ", it will not be updated"
  };
  const Case cases[] = {
      {window.ecu_pgm[0], "104.8576", "Fuel Scaler is too high"},
      {window.ecu_pgm[0], "-0.1", "Fuel Scaler is negative"},
      {window.ecu_pgm[1], "52.43", "Fuel Offset is too high"},
      {window.ecu_pgm[1], "-26.22", "Fuel Offset is too negative"},
      {window.tps_rpm, "8004", "TPS Map cut-in RPM was too high"},
      {window.tps_rpm, "-100", "TPS Map cut-in RPM is negative"},
  };
  for (const Case& c : cases) {
    presenter().shown_messages.clear();
    c.field.set_text(c.text);
    window.Command3d2.click();
    ASSERT_EQ(presenter().shown_messages.size(), 1U) << c.text;
    EXPECT_EQ(presenter().shown_messages[0].text,
              std::string("The value for the ") + c.message + ", it will not be updated");
    EXPECT_EQ(c.field.back_colour(), ui::colours::yellow);
    c.field.set_text("0");
    c.field.set_back_colour(ui::colours::white);
  }
  presenter().shown_messages.clear();
  window.inj_map.commit_edit(16, 1, "2.0");
  window.inj_map.commit_edit(16, 2, "-1");
  // An Update asked for before the first pass begins joins it: each cell is tried once, a
  // cell typed before that ask included.
  ui::event_loop().post_user_input([] {
    frm_3d().inj_map.commit_edit(16, 3, "1");  // byte 32
    frm_3d().inj_map.key_press(13);
  });
  window.menuupdate.click();
  ASSERT_EQ(presenter().shown_messages.size(), 2U);
  EXPECT_EQ(presenter().shown_messages[1].text,
            "A MAP Gain cell has been found that is negative, it will not be updated");
  EXPECT_EQ(window.inj_map.cell_back_colour(16, 1), ui::colours::yellow);
  EXPECT_EQ(new_commands(), Commands{command({'e', 32, 1, 128})});
}

TEST_F(BasicMappingTest, FuelFieldKeysStepWithShiftAloneAndOtherwiseMoveUpwards) {
  Frm3dForm& window = open_window();
  constexpr int kUp = 38;
  constexpr int kDown = 40;
  struct Case {
    int index;
    int key;
    int shift;  // 1 Shift, 2 Ctrl, 4 Alt
    const char* text_after;
    ui::TextBox* focus_after;
  };
  const Case cases[] = {
      {0, kUp, 1, "1.100", &window.ecu_pgm[1]},       {0, kDown, 1, ".900", &window.ecu_pgm[1]},
      {1, kUp, 0, "1.000", &window.ecu_pgm[0]},       {0, kUp, 0, "1.000", &window.tps_rpm},
      {1, kUp, 1 + 2, "1.000", &window.ecu_pgm[0]},   {0, kUp, 1 + 2, "1.000", &window.tps_rpm},
      {1, kUp, 1 + 4, "1.000", &window.ecu_pgm[0]},   {1, kUp, 2, "1.000", &window.ecu_pgm[0]},
      {1, kDown, 1 + 2, "1.000", &window.ecu_pgm[1]},
  };
  for (const Case& c : cases) {
    window.ecu_pgm[c.index].set_text("1.000");
    window.ecu_pgm[1].set_focus();
    window.ecu_pgm[c.index].key_down(c.key, c.shift);
    EXPECT_EQ(window.ecu_pgm[c.index].text(), c.text_after) << c.index << " " << c.shift;
    EXPECT_TRUE(c.focus_after->has_focus()) << c.index << " " << c.key << " " << c.shift;
  }
}

TEST_F(BasicMappingTest, ValuesNeverReadStayYellowAndAreNotWritten) {
  // The fuel settings never answer; the fuel map holds .500 throughout, but its second block
  // (columns 3 and 4) and the throttle mix map's last (columns 15 and 16) are answered at all
  // ten attempts with the fuel map's first block, a reply for another address: no answer.
  for (int i = 0; i < 256; ++i)
    controller_->set_memory(static_cast<std::uint16_t>(0x100 + i), 0x40);
  const auto block_reply = [&](int address) {
    std::string payload = command({address & 0xFF, address >> 8});
    for (int i = 0; i < 32; ++i) {
      payload += static_cast<char>(controller_->memory(static_cast<std::uint16_t>(address + i)));
    }
    return payload;
  };
  std::vector<std::string> blocks;
  for (const int page : {1, 6, 7, 8}) {
    for (int offset = 0; offset < 256; offset += 32) {
      const int address = page * 256 + offset;
      const bool unanswered = address == 0x120 || address == 0x8E0;
      for (int attempt = 0; attempt < (unanswered ? 10 : 1); ++attempt) {
        blocks.push_back(block_reply(unanswered ? 0x100 : address));
      }
    }
  }
  controller_->play_reply_sequence('l', blocks);
  controller_->set_misbehaviour(sim::Misbehaviour::garbage, 10);
  press_try_again_when_shown(3);
  open_comm_link();
  Frm3dForm& window = frm_3d();
  window.show();
  EXPECT_EQ(window.inj_map.cell_text(16, 1), ".500");
  EXPECT_EQ(window.inj_map.cell_back_colour(16, 1), kRed);
  EXPECT_EQ(window.inj_map.cell_back_colour(16, 3), ui::colours::yellow);
  EXPECT_EQ(window.TPS_mix.cell_back_colour(1, 16), ui::colours::yellow);
  EXPECT_EQ(window.ecu_pgm[0].back_colour(), ui::colours::yellow);
  new_commands();

  window.tps_rpm.set_text("");  // emptied on purpose: written as 0
  window.Command3d2.click();
  EXPECT_EQ(new_commands(), Commands{command({'z', 0, 0, 0})});
  EXPECT_EQ(window.inj_map.cell_back_colour(16, 3), ui::colours::yellow);
}

// Closes the window through its frame when the first message box shows.
class ClosingPresenter : public ui::ScriptedPresenter {
 public:
  ui::MsgResult message_box(const ui::MessageBoxRequest& request) override {
    if (shown_messages.empty()) frm_3d().request_close();
    return ScriptedPresenter::message_box(request);
  }
};

TEST_F(BasicMappingTest, ClosingStopsTheFetchButTheUpdateSendsEveryWrite) {
  ui::event_loop().post_user_input([] { frm_3d().request_close(); });
  open_window();
  ASSERT_EQ(new_commands().size(), 4U) << "C, B, Z and one block";
  EXPECT_EQ(current_view, 0);
  EXPECT_TRUE(FrmEcu().visible());
  EXPECT_EQ(poll_inhibit, kFalse);

  Frm3dForm& window = open_window();
  new_commands();
  auto closing = std::make_shared<ClosingPresenter>();
  ui::install_presenter(closing);
  window.inj_map.commit_edit(16, 1, "1");  // byte 0, written
  window.inj_map.commit_edit(16, 2, "9");  // byte 16, refused: the frame closes meanwhile
  window.inj_map.commit_edit(16, 3, "1");  // byte 32, written all the same
  bool hidden_while_running = false;
  window.inj_map_editing.after_change = [&](int, int) {
    hidden_while_running = hidden_while_running || !window.visible();
  };
  window.Command3d2.click();
  EXPECT_EQ(new_commands(), (Commands{command({'e', 0, 1, 128}), command({'e', 32, 1, 128})}));
  EXPECT_EQ(closing->shown_messages.size(), 1U);
  EXPECT_TRUE(hidden_while_running);
  EXPECT_FALSE(frm_3d.loaded()) << "unloaded once the Update has ended";
  EXPECT_TRUE(FrmEcu().visible());
  EXPECT_EQ(poll_inhibit, kFalse);
}

TEST_F(BasicMappingTest, AClickMadeDuringTheUpdateRunsBeforeTheNextWrite) {
  Frm3dForm& window = open_window();
  new_commands();
  for (int col = 1; col <= 4; ++col) window.inj_map.commit_edit(16, col, "1");  // bytes 0-48
  controller_->set_reply_delay(0.01);
  // The user clicks close while the first write waits for its echo.
  std::size_t writes_before_close = 0;
  bool clicked = false;
  const test::TickForm user([&] {
    if (!link_busy() || clicked) return;
    clicked = true;
    ui::event_loop().post_user_input([&] {
      writes_before_close = controller_->request_frames().size() - seen_;
      frm_3d().Command3d1_Click();
    });
  });
  window.Command3d2.click();
  EXPECT_EQ(writes_before_close, 1U) << "the close made during the first write ran right after it";
  EXPECT_EQ(new_commands(), (Commands{command({'e', 0, 1, 128}), command({'e', 16, 1, 128}),
                                      command({'e', 32, 1, 128}), command({'e', 48, 1, 128})}))
      << "the Update still ran to its end";
  EXPECT_EQ(current_view, 0);
  EXPECT_EQ(poll_inhibit, kFalse);
}

// The user edits and enters again a cell the running Update has just written, and types into
// a fuel field the Update is to write: each goes out whole in one more pass, and no echo
// rewrites what was typed.
TEST_F(BasicMappingTest, EditsMadeDuringTheUpdateGoOutWholeInOneMorePass) {
  Frm3dForm& window = open_window();
  new_commands();
  window.ecu_pgm[0].set_text("10.2");
  window.inj_map.commit_edit(16, 1, "1");  // byte 0
  window.inj_map.commit_edit(16, 2, "1");  // byte 16
  bool edited = false;
  window.inj_map_editing.after_change = [&](int, int) {
    if (edited) return;
    edited = true;  // the echo of byte 0: the user acts once the write is in
    ui::event_loop().post_user_input([&window] {
      window.ecu_pgm[0].set_text("10.25");
      window.inj_map.commit_edit(16, 2, "1.25");  // before its write: 1 goes first
      window.inj_map.commit_edit(16, 1, "1.5");
      window.inj_map.key_press(13);
    });
  };
  window.Command3d2.click();
  // 10.2 ms is 6375 ticks, 10.25 ms 6406.25; gains of 1.5 and 1.25 are 192 and 160.
  EXPECT_EQ(new_commands(), (Commands{command({'m', 0xE7, 0x18, 0}), command({'e', 0, 1, 128}),
                                      command({'e', 16, 1, 128}), command({'m', 0x06, 0x19, 0}),
                                      command({'e', 0, 1, 192}), command({'e', 16, 1, 160})}));
  EXPECT_EQ(controller_->memory(0x100), 192);
  EXPECT_EQ(window.ecu_pgm[0].back_colour(), ui::colours::white);
  EXPECT_NE(window.inj_map.cell_back_colour(16, 1), ui::colours::yellow);
}

}  // namespace
}  // namespace ecu
