#include "shell/frm_remote_ip.hpp"

#include "model/shared_state.hpp"
#include "ui/format.hpp"
#include "ui/number_parse.hpp"

namespace ecu {

namespace {

constexpr int kKeyEnter = 13;
constexpr int kKeyPoint = '.';
constexpr const char* kStartAddress[] = {"127", "0", "0", "1"};

// A box's number as plain decimal text without blanks ("10", "1.5", "0").
std::string address_part(const std::string& text) {
  std::string number = ui::str_double(ui::leading_number(text));
  if (!number.empty() && number.front() == ' ') number.erase(0, 1);
  return number;
}

}  // namespace

FrmRemoteIpForm::FrmRemoteIpForm() : ui::Form("frm_remote_ip", "Client IP Setup", 4200, 2100) {
  Label1.set_caption("Remote IP address");
  Label1.move(240, 180, 3600, 255);
  for (int i = 0; i < client_ip_address.count(); ++i) {
    client_ip_address[i].move(240.0F + 930.0F * static_cast<float>(i), 540, 735, 315);
    client_ip_address[i].set_text(kStartAddress[i]);
  }
  remote_ip_done.set_caption("Done");
  remote_ip_done.move(240, 1140, 1455, 420);
  remote_ip_cancel.set_caption("Cancel");
  remote_ip_cancel.move(2265, 1140, 1455, 420);

  remote_ip_done.on_click = [this] { remote_ip_done_Click(); };
  remote_ip_cancel.on_click = [this] { remote_ip_cancel_Click(); };
  client_ip_address.on(&ui::TextBox::on_key_press, [this](int index, int& key_ascii) {
    client_ip_address_KeyPress(index, key_ascii);
  });
}

void FrmRemoteIpForm::client_ip_address_KeyPress(int index, int& key_ascii) {
  if (key_ascii == kKeyPoint) {
    // The point moves on to the next number instead of being typed.
    key_ascii = 0;
    auto& next = client_ip_address[(index + 1) % client_ip_address.count()];
    next.set_text("");
    next.set_focus();
    return;
  }
  if (key_ascii == kKeyEnter && index == client_ip_address.count() - 1) {
    key_ascii = 0;
    remote_ip_done_Click();
  }
}

void FrmRemoteIpForm::remote_ip_done_Click() {
  std::string address;
  for (int i = 0; i < client_ip_address.count(); ++i) {
    if (i > 0) address += '.';
    address += address_part(client_ip_address[i].text());
  }
  remote_server_ip = address;
  hide();
}

void FrmRemoteIpForm::remote_ip_cancel_Click() {
  remote_server_ip.clear();
  hide();
}

void FrmRemoteIpForm::on_query_unload(bool& cancel) {
  cancel = true;
  remote_ip_cancel_Click();
}

}  // namespace ecu
