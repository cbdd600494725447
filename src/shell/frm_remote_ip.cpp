#include "shell/frm_remote_ip.hpp"

#include <optional>
#include <string>

#include "model/shared_state.hpp"
#include "ui/ui.hpp"

namespace ecu {

namespace {

constexpr int kKeyEnter = 13;
constexpr int kKeyPoint = '.';
constexpr const char* kStartAddress[] = {"127", "0", "0", "1"};

constexpr int kLargestAddressNumber = 255;
constexpr const char* kBadAddressMessage =
    "The remote IP address must be four whole numbers from 0 to 255, one in each box "
    "(for example 192.168.1.20).";

// A box's number (blanks around it allowed) as plain decimal text, or nothing when the box
// holds anything but a whole number from 0 to 255.
std::optional<std::string> address_part(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::nullopt;
  const std::string digits = text.substr(first, text.find_last_not_of(' ') - first + 1);
  if (digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const int number = std::stoi(digits);
  if (number > kLargestAddressNumber) return std::nullopt;
  return std::to_string(number);
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

  set_dialog_keys(&remote_ip_done, &remote_ip_cancel);
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
    const std::optional<std::string> part = address_part(client_ip_address[i].text());
    if (!part) {
      // The window stays open, so the user can correct the address or cancel.
      ui::msg_box(kBadAddressMessage, ui::MsgButtons::ok, ui::MsgIcon::exclamation);
      client_ip_address[i].set_focus();
      return;
    }
    if (i > 0) address += '.';
    address += *part;
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
