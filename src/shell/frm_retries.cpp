#include "shell/frm_retries.hpp"

namespace ecu {

namespace {
constexpr Single kTickSeconds = 0.25F;
constexpr Single kLifetimeSeconds = 2.0F;
}  // namespace

FrmRetriesForm::FrmRetriesForm() : ui::Form("frm_retries", "Attention!", 2880, 1500) {
  retries_title.set_caption("Comm Retries");
  retries_title.set_alignment(ui::Label::Align::centre);
  retries_title.move(240, 180, 2280, 300);
  retries.set_caption("-");
  retries.set_alignment(ui::Label::Align::centre);
  retries.move(240, 540, 2280, 375);
  Timer1.on_timer = [this] { Timer1_Timer(); };
}

void FrmRetriesForm::on_load() {
  retries_elapsed = 0.0F;
}

void FrmRetriesForm::Timer1_Timer() {
  // Quarter seconds add up exactly in a float, so the eighth tick reaches 2.0.
  retries_elapsed += kTickSeconds;
  if (retries_elapsed >= kLifetimeSeconds) unload();
}

}  // namespace ecu
