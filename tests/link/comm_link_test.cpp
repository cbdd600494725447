// Opening the link, the port dialog, the port scan, the Comm menu and the serial line itself.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <optional>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/request.hpp"
#include "link/serial_port.hpp"
#include "link_test.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/startup.hpp"
#include "sim/simulated_controller.hpp"
#include "support/fake_serial_port.hpp"
#include "support/folder_files.hpp"
#include "support/watched_ports.hpp"
#include "ui/text_file.hpp"

namespace {

constexpr const char* kTermination =
    "Program is going to be terminated since it must either be set as Demo or Normal mode";

// Sets environment variables for one test and puts the old values back afterwards.
class Environment {
 public:
  Environment() = default;
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;
  ~Environment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }
  void set(const std::string& name, const std::string& value) {
    if (saved_.count(name) == 0) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  // Points COM1 to COM16 at devices that do not exist, so a scan finds only what the test
  // sets up.
  void no_serial_ports() {
    for (int n = 1; n <= 16; ++n) {
      set("ECU_COM" + std::to_string(n), "/nonexistent/ecu-test-tty" + std::to_string(n));
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

std::string scan_report(const std::vector<int>& present) {
  std::string report;
  for (int n = 1; n <= 16; ++n) {
    const bool found = std::find(present.begin(), present.end(), n) != present.end();
    report += std::string("COM-") + (n < 10 ? "0" : "") + std::to_string(n) +
              (found ? " PRESENT" : " FAILED") + "\n\r";
  }
  return report;
}

class CommLinkTest : public test::LinkTest {
 protected:
  Environment environment;
};

TEST_F(CommLinkTest, OpensThePortOnceAndLaterCallsOnlyClearAbort) {
  sim::SimulatedController controller(1);
  ecu::com_port = 1;
  ecu::comm_aborted = ecu::kTrue;
  ecu::open_comm_link();
  EXPECT_TRUE(ecu::comm_port().is_open());
  EXPECT_EQ(ecu::link_ready, ecu::kTrue);
  EXPECT_EQ(ecu::comm_aborted, ecu::kFalse);
  EXPECT_EQ(ecu::caption_suffix, " ->COM1");

  ecu::comm_aborted = ecu::kTrue;
  ecu::caption_suffix = "unchanged";
  ecu::open_comm_link();
  EXPECT_EQ(ecu::comm_aborted, ecu::kFalse);
  EXPECT_EQ(ecu::caption_suffix, "unchanged");
  EXPECT_FALSE(ecu::frm_Dialog.loaded());
}

TEST_F(CommLinkTest, DemoAndRelayModesNeedNoPort) {
  struct Mode {
    const char* what;
    ecu::Flag demo_mode;
    std::string relay_address;
  };
  const Mode modes[] = {{"demo", ecu::kTrue, ""}, {"relay client", ecu::kFalse, "10.0.0.2"}};
  auto line = test::install_fake_serial_port();
  for (const Mode& mode : modes) {
    ecu::demo_mode = mode.demo_mode;
    ecu::remote_server_ip = mode.relay_address;
    ecu::link_ready = ecu::kFalse;
    ecu::open_comm_link();
    EXPECT_EQ(ecu::link_ready, ecu::kTrue) << mode.what;
    EXPECT_EQ(line->opens, 0) << mode.what;
    EXPECT_EQ(ecu::caption_suffix, "") << mode.what;
  }
}

TEST_F(CommLinkTest, MissingPortOffersDemoWithTheExactTexts) {
  environment.set("ECU_COM1", "/nonexistent/ecu-test-tty");
  ecu::com_port = 1;
  press_dialog_button(1);
  ecu::open_comm_link();

  const auto& dialog = ecu::frm_Dialog();
  EXPECT_EQ(dialog.dialog_caption.caption(),
            "No COM port found for COM1.  Choose and option below.");
  EXPECT_EQ(dialog.dialog_detail.caption(),
            "COM1 could not be opened: /nonexistent/ecu-test-tty: No such file or directory.\n"
            "Start the console with ECU_COM1=<device> to use another device.");
  EXPECT_EQ(dialog.dialog_button[0].caption(), "Exit");
  EXPECT_EQ(dialog.dialog_button[1].caption(), "Demo");
  EXPECT_TRUE(dialog.dialog_button[0].visible());
  EXPECT_TRUE(dialog.dialog_button[1].visible());
  EXPECT_FALSE(dialog.dialog_button[2].visible());
  EXPECT_FALSE(dialog.dialog_button[3].visible());
  EXPECT_EQ(ecu::demo_mode, ecu::kTrue);
  EXPECT_EQ(ecu::link_ready, ecu::kTrue);
  EXPECT_EQ(ecu::caption_suffix, "") << "demo mode adds no suffix";
  EXPECT_TRUE(presenter().shown_messages.empty());
  EXPECT_FALSE(program_ended());
}

// The failure dialog keeps its message and names, on a line of its own, the device the COM
// port stands for: one that brought no reply, or one that could not be opened again.
TEST_F(CommLinkTest, FailureDialogNamesTheDeviceBehindTheComPort) {
  sim::SimulatedController controller(3);
  controller.set_misbehaviour(sim::Misbehaviour::silent);
  ecu::com_port = 3;
  ecu::open_comm_link();
  ASSERT_TRUE(ecu::comm_port().is_open());
  press_dialog_button(0);
  ecu::send_command("C");
  const auto& dialog = ecu::frm_Dialog();
  EXPECT_EQ(dialog.dialog_caption.caption(), "Communications has failed, Run Demo mode?");
  EXPECT_EQ(dialog.dialog_detail.caption(),
            "No reply came on COM3 (" + controller.device_path() +
                ").\nStart the console with ECU_COM3=<device> to use another device.");

  ecu::give_up_lost_comm_port();
  environment.set("ECU_COM3", "/nonexistent/ecu-test-tty3");
  press_dialog_button(0);
  ecu::send_command("C");
  EXPECT_EQ(dialog.dialog_caption.caption(), "Communications has failed, Run Demo mode?");
  EXPECT_EQ(dialog.dialog_detail.caption(),
            "COM3 could not be opened: /nonexistent/ecu-test-tty3: No such file or directory.\n"
            "Start the console with ECU_COM3=<device> to use another device.");
}

TEST_F(CommLinkTest, ExitShowsTheScanThenTheTerminationMessageAndEndsTheProgram) {
  environment.no_serial_ports();
  ecu::com_port = 1;
  press_dialog_button(0);
  ecu::open_comm_link();

  const auto& messages = presenter().shown_messages;
  ASSERT_EQ(messages.size(), 2U);
  EXPECT_EQ(messages[0].text, scan_report({}));
  EXPECT_EQ(messages[1].text, kTermination);
  EXPECT_EQ(messages[1].buttons, ui::MsgButtons::ok);
  EXPECT_TRUE(program_ended());
  EXPECT_EQ(ecu::demo_mode, ecu::kFalse);
}

TEST_F(CommLinkTest, ClosingThePortDialogThroughItsFrameAsksAgain) {
  environment.no_serial_ports();
  ecu::com_port = 7;
  test::CaptionRecorder recorder("dialog_caption");
  ui::forms().set_observer(&recorder);
  close_dialog_frame();
  press_dialog_button(1);
  ecu::open_comm_link();
  EXPECT_EQ(std::count(recorder.shown_forms.begin(), recorder.shown_forms.end(), "frm_Dialog"), 2);
  EXPECT_EQ(ecu::frm_Dialog().dialog_caption.caption(),
            "No COM port found for COM7.  Choose and option below.");
  EXPECT_EQ(ecu::demo_mode, ecu::kTrue);
  EXPECT_FALSE(program_ended());
}

TEST_F(CommLinkTest, ScanReportsEachPresentPortAndLeavesThemClosed) {
  const std::vector<std::vector<int>> machines{{}, {1}, {1, 3}, {2, 16}};
  for (const std::vector<int>& present : machines) {
    TearDown();
    SetUp();
    environment.no_serial_ports();
    std::vector<std::unique_ptr<sim::SimulatedController>> controllers;
    for (const int number : present) {
      controllers.push_back(std::make_unique<sim::SimulatedController>(number));
    }
    if (!present.empty()) {
      ecu::com_port = static_cast<ecu::Integer>(present.front());
      ecu::open_comm_link();
      ASSERT_TRUE(ecu::comm_port().is_open());
    }

    ecu::scan_com_ports();
    ASSERT_EQ(presenter().shown_messages.size(), 1U);
    const std::string& report = presenter().shown_messages[0].text;
    EXPECT_EQ(report, scan_report(present));
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 16);
    EXPECT_EQ(presenter().shown_messages[0].buttons, ui::MsgButtons::ok);
    EXPECT_FALSE(ecu::comm_port().is_open());
    EXPECT_EQ(ecu::link_ready, ecu::kFalse);
    // Every probed port was given back: another program can open it now.
    for (const int number : present) {
      auto other = ecu::make_system_serial_port();
      EXPECT_TRUE(other->open(number, nullptr)) << "COM" << number;
    }
    test::use_system_serial_port();
  }
}

TEST_F(CommLinkTest, PortInUseFailsToOpen) {
  sim::SimulatedController controller(1);
  auto first = ecu::make_system_serial_port();
  ASSERT_TRUE(first->open(1, nullptr)) << first->last_error();
  auto second = ecu::make_system_serial_port();
  std::string error;
  EXPECT_FALSE(second->open(1, &error));
  EXPECT_NE(error.find(controller.device_path()), std::string::npos) << error;
  first->close();
  EXPECT_TRUE(second->open(1, &error)) << error;
}

TEST_F(CommLinkTest, SerialLinePassesEveryByteValueUnchangedBothWays) {
  int master = -1;
  int slave = -1;
  std::array<char, 128> name{};
  ASSERT_EQ(::openpty(&master, &slave, name.data(), nullptr, nullptr), 0);
  // The terminal starts cooked (echo, CR/LF mapping); opening it must make it raw.
  environment.set("ECU_COM5", name.data());
  auto port = ecu::make_system_serial_port();
  ASSERT_TRUE(port->open(5, nullptr)) << port->last_error();
  std::string all;
  for (int value = 0; value < 256; ++value) all += static_cast<char>(value);

  ASSERT_EQ(::write(master, all.data(), all.size()), static_cast<ssize_t>(all.size()));
  std::string received;
  for (int tries = 0; tries < 200 && received.size() < all.size(); ++tries) {
    port->wait_readable(0.01);
    received += port->read_all().value_or("");
  }
  EXPECT_EQ(received, all);

  ASSERT_TRUE(port->write(all));
  std::string sent;
  std::array<char, 512> buffer{};
  for (int tries = 0; tries < 200 && sent.size() < all.size(); ++tries) {
    pollfd readable{master, POLLIN, 0};
    if (::poll(&readable, 1, 10) > 0) {
      const ssize_t got = ::read(master, buffer.data(), buffer.size());
      if (got > 0) sent.append(buffer.data(), static_cast<std::size_t>(got));
    }
  }
  EXPECT_EQ(sent, all) << "no echo, no translation";
  port->close();
  ::close(master);
  ::close(slave);
}

TEST_F(CommLinkTest, CommMenuRemembersThePortAndSwitchesOnlyWhileClosed) {
  ASSERT_TRUE(ui::write_text_file_atomic("port.cfg", {"2"}, nullptr));
  std::ofstream("port.cfg.tmp", std::ios::binary) << "the user's own";
  auto& main_window = ecu::FrmEcu();
  ASSERT_EQ(ecu::com_port, 2);

  main_window.menu_comm_4.click();
  EXPECT_EQ(test::folder_files(), (std::map<std::string, std::string>{
                                      {"lambda.txt", "0\r\n"},
                                      {"port.cfg", "4\r\n"},
                                      {"port.cfg.tmp", "the user's own"},
                                  }));
  for (int n = 1; n <= 10; ++n) {
    EXPECT_EQ(main_window.comm_port_item(n).checked(), n == 4) << "item " << n;
  }
  EXPECT_EQ(ecu::com_port, 4);

  sim::SimulatedController controller(4);
  ecu::open_comm_link();
  ASSERT_TRUE(ecu::comm_port().is_open());
  EXPECT_EQ(main_window.caption(), "ECU System Console ->COM4");

  main_window.menu_comm_10.click();
  EXPECT_EQ(ui::read_all_lines("port.cfg"), std::vector<std::string>{"10"});
  EXPECT_TRUE(main_window.comm_port_item(10).checked());
  EXPECT_FALSE(main_window.comm_port_item(4).checked());
  EXPECT_EQ(ecu::com_port, 4) << "the open port stays in use";
  EXPECT_EQ(ecu::comm_port().com_number(), 4);

  // Once something has closed the port, the link opens the port in use again, not the
  // one chosen meanwhile.
  ecu::close_comm_port();
  ecu::open_comm_link();
  ASSERT_TRUE(ecu::comm_port().is_open());
  EXPECT_EQ(ecu::comm_port().com_number(), 4);
  EXPECT_EQ(ecu::caption_suffix, " ->COM4");
}

// The console as the user starts it: no controller at COM1, so the first view asks for
// Exit or Demo.
TEST_F(CommLinkTest, ConsoleWithoutItsPortOffersExitOrDemoAtTheFirstView) {
  struct Case {
    const char* what;
    int button;
    bool ended;
  };
  // Exit last: the recorded end of the program stays for the rest of the test.
  const Case cases[] = {{"Demo", 1, false}, {"Exit", 0, true}};
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    environment.no_serial_ports();
    ASSERT_TRUE(ui::write_text_file_atomic("port.cfg", {"1"}, nullptr));
    ecu::start_console("");
    auto& main_window = ecu::FrmEcu();
    ASSERT_TRUE(main_window.visible()) << c.what;
    ASSERT_TRUE(presenter().shown_messages.empty()) << c.what << ": start-up opens no port";

    press_dialog_button(c.button);
    main_window.Menu_View_Monitor.click();

    const auto& dialog = ecu::frm_Dialog();
    EXPECT_EQ(dialog.caption(), "Warning!") << c.what;
    EXPECT_EQ(dialog.dialog_caption.caption(),
              "No COM port found for COM1.  Choose and option below.")
        << c.what;
    EXPECT_EQ(dialog.dialog_button[0].caption(), "Exit") << c.what;
    EXPECT_EQ(dialog.dialog_button[1].caption(), "Demo") << c.what;
    EXPECT_TRUE(dialog.dialog_button[0].visible()) << c.what;
    EXPECT_TRUE(dialog.dialog_button[1].visible()) << c.what;
    EXPECT_FALSE(dialog.dialog_button[2].visible()) << c.what;
    EXPECT_FALSE(dialog.dialog_button[3].visible()) << c.what;
    EXPECT_EQ(program_ended(), c.ended) << c.what;
    const auto& messages = presenter().shown_messages;
    if (c.ended) {
      ASSERT_EQ(messages.size(), 2U) << c.what;
      EXPECT_EQ(messages[0].text, scan_report({})) << "COM-01 to COM-16, all failed";
      EXPECT_EQ(messages[1].text, kTermination);
      EXPECT_EQ(ecu::demo_mode, ecu::kFalse);
    } else {
      EXPECT_TRUE(messages.empty()) << c.what;
      EXPECT_EQ(ecu::demo_mode, ecu::kTrue);
      EXPECT_EQ(ecu::link_ready, ecu::kTrue);
      EXPECT_EQ(ecu::current_view, 1);
      EXPECT_EQ(main_window.caption(), "ECU System Console") << "no ->COM suffix in demo";
    }
  }
}

TEST_F(CommLinkTest, EndingTheProgramGivesThePortBack) {
  sim::SimulatedController controller(1);
  ecu::com_port = 1;
  ecu::open_comm_link();
  ASSERT_TRUE(ecu::comm_port().is_open());
  ui::end_program();
  EXPECT_TRUE(program_ended());
  EXPECT_FALSE(ecu::comm_port().is_open());
}

}  // namespace
