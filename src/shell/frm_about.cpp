#include "shell/frm_about.hpp"

#include "link/poll_inhibit.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/view_commands.hpp"

namespace ecu {

namespace {
constexpr Single kSettleSeconds = 0.1F;
}  // namespace

FrmAboutForm::FrmAboutForm() : ui::Form("frm_about", "About Quellar", 7200, 5400) {
  Picture1.move(240, 240, 3000, 2520);
  Command3d1.move(6180, 240, 735, 735);
  set_up_exit_button(Command3d1);

  oemtext.set_caption(
      "Quellar.EXE, Windows based monitor/programmer for crank triggered engine control.");
  oemtext.move(3480, 1140, 3435, 1620);

  struct Row {
    ui::Label* title;
    const char* title_text;
    ui::Label* value;
  };
  const Row rows[] = {
      {&serial_num_title, "Controller Serial#", &serial_num},
      {&fw_rev_title, "Controller Firmware", &FW_Rev},
      {&ecu_rev_title, "Quellar.EXE Revision", &ECU_Rev},
  };
  float top = 3120;
  for (const Row& row : rows) {
    row.title->set_caption(row.title_text);
    row.title->set_alignment(ui::Label::Align::right);
    row.title->move(240, top, 2760, 300);
    row.value->set_caption("Unknown");
    row.value->move(3240, top, 3675, 300);
    top += 480;
  }

  menu_file.set_caption("&File");
  menu_file_exit.set_caption("e&xit");

  set_dialog_keys(&Command3d1);
  Command3d1.on_click = [this] { Command3d1_Click(); };
  menu_file_exit.on_click = [this] { menu_file_exit_Click(); };
  show_branding();
}

void FrmAboutForm::show_branding() {
  // Before start-up (no main window yet) the design texts stand.
  const FrmEcuForm* main_window = FrmEcu.if_loaded();
  if (main_window == nullptr) return;
  const Branding& branding = main_window->branding;
  Picture1.set_picture(branding.picture);
  if (branding.about_text) oemtext.set_caption(*branding.about_text);
  if (!branding.version.empty()) ECU_Rev.set_caption(branding.version);
}

void FrmAboutForm::Command3d1_Click() {
  hide();
}

void FrmAboutForm::menu_file_exit_Click() {
  hide();
}

void FrmAboutForm::on_activate() {
  // Keeps the main poll from sending between the two requests; a failure must not leave it
  // stopped for the rest of the run.
  PollInhibitScope inhibit(kSettleSeconds, kSettleSeconds);
  ui::do_events();
  if (demo_mode == kTrue) {
    FW_Rev.set_caption("DEMO MODE");
    inhibit.release_at_once();
    return;
  }
  FW_Rev.set_caption("");
  serial_num.set_caption("");
  // The decoders write the answers into FW_Rev and serial_num.
  send_command("R");
  send_command("-");
  inhibit.release();
}

}  // namespace ecu
