// The relay window serving a client socket of the test over loopback, with the simulated
// controller on a pseudo-terminal behind it.

#include <gtest/gtest.h>

#include <asio.hpp>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "link/comm_port.hpp"
#include "link/link_test.hpp"
#include "link/relay_server.hpp"
#include "link/request.hpp"
#include "link/request_transaction.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/frm_server.hpp"
#include "sim/simulated_controller.hpp"
#include "support/main_window_fixture.hpp"
#include "support/watched_ports.hpp"

namespace ecu {
namespace {

using test::bytes;

// The status request 'C' (reply of 21 bytes and the sum: 23) and the reset action.
const std::string kStatusRequest = bytes({23, 0x02, 0x08, 0x43, 0x30, 0x30, 0x30, 0xDD, 0x00});
const std::string kResetRequest = bytes({6, 0x02, 0x08, 0xAE, 0xA5, 0x00, 0x00, 0x5D, 0x01});

class RelayServerTest : public test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    test::use_system_serial_port();
    controller_ = std::make_unique<sim::SimulatedController>(1);
    UdpSocket probe;
    probe.bind(0, nullptr);
    server_port_ = probe.local_port();
    ::setenv("ECU_RELAY_SERVER_PORT", std::to_string(server_port_).c_str(), 1);
    ASSERT_TRUE(client_.bind(0, nullptr));
    start_console("");
  }
  void TearDown() override {
    if (FrmServerForm* relay = frm_server.if_loaded()) relay->unload();
    incomming_sock().close();
    ::unsetenv("ECU_RELAY_SERVER_PORT");
    test::use_system_serial_port();
    controller_.reset();
    MainWindowTest::TearDown();
  }

  FrmServerForm& start_relay() {
    FrmEcu().menu_remote_setup_start_server.click();
    return frm_server();
  }
  void send(const std::string& datagram) { client_.send_to(datagram, "127.0.0.1", server_port_); }
  // Lets the console run until the client has an answer, or `seconds` passed.
  std::optional<std::string> answer(double seconds = 1.0) {
    const double end = ui::clock().monotonic_seconds() + seconds;
    while (ui::clock().monotonic_seconds() < end) {
      ui::event_loop().wait_pass(ui::UserInput::allow);
      if (auto datagram = client_.receive()) return datagram->bytes;
    }
    return std::nullopt;
  }
  std::optional<std::string> exchange(const std::string& datagram) {
    send(datagram);
    return answer();
  }

  std::unique_ptr<sim::SimulatedController> controller_;
  std::uint16_t server_port_ = 0;
  UdpSocket client_;
};

TEST_F(RelayServerTest, ForwardsRequestsOneAtATimeInArrivalOrderAndCancelRestoresTheConsole) {
  FrmServerForm& relay = start_relay();
  EXPECT_FALSE(FrmEcu().visible());
  EXPECT_TRUE(relay.visible());
  EXPECT_EQ(relay.caption(), "Remote Server");
  EXPECT_EQ(relay.Client_IP.caption(), "INACTIVE");
  EXPECT_TRUE(comm_port().is_open());

  EXPECT_EQ(exchange("MARCO"), "POLO");
  controller_->set_reply_delay(0.03);
  send(kStatusRequest);
  send(kResetRequest);
  const auto first = answer();
  const auto second = answer();
  ASSERT_TRUE(first && second);
  ASSERT_EQ(first->size(), 23U);
  EXPECT_EQ(first->substr(0, 3), bytes({0x02, 23, 0x43}));
  EXPECT_EQ(*second, bytes({0x02, 6, 0xAE, 0xA5, 0x5B, 0x01}));
  EXPECT_EQ(controller_->request_frames(),
            (std::vector<std::string>{kStatusRequest.substr(1), kResetRequest.substr(1)}));
  EXPECT_EQ(relay.Client_IP.caption(), "127.0.0.1");
  EXPECT_EQ(relay.num_sock_bytes.caption(), "23");
  EXPECT_EQ(relay.num_comm_bytes.caption(), "29");

  controller_->set_misbehaviour(sim::Misbehaviour::silent);
  EXPECT_EQ(exchange(kResetRequest), "NORESP");
  EXPECT_EQ(relay.num_comm_bytes.caption(), "29");

  // The client shows inactive at the sixth quiet tick; the count stops at its top.
  for (int tick = 1; tick <= 5; ++tick) relay.Timer1_Timer();
  EXPECT_EQ(relay.Client_IP.caption(), "127.0.0.1");
  relay.Timer1_Timer();
  EXPECT_EQ(relay.Client_IP.caption(), "INACTIVE");
  relay.idle_ticks = 65535;
  relay.Timer1_Timer();
  EXPECT_EQ(relay.idle_ticks, 65535);

  relay.server_cancel.click();
  EXPECT_FALSE(frm_server.loaded());
  EXPECT_TRUE(FrmEcu().visible());
  EXPECT_FALSE(incomming_sock().is_open());
  EXPECT_FALSE(relay_server_active());
  send("MARCO");
  EXPECT_EQ(answer(0.3), std::nullopt);
}

TEST_F(RelayServerTest, DropsDatagramsOfTheWrongShapeOrSenderWithoutTouchingTheLine) {
  FrmServerForm& relay = start_relay();
  // Before any handshake even a well-formed request is refused.
  send(kStatusRequest);
  EXPECT_EQ(answer(0.3), std::nullopt);
  ASSERT_EQ(exchange("MARCO"), "POLO");
  const auto changed = [](std::size_t at, int value) {
    std::string datagram = kStatusRequest;
    datagram[at] = static_cast<char>(value);
    return datagram;
  };
  // Short, long, a wrong sum, a reply length under 3 and over 100.
  for (const std::string& datagram : {kStatusRequest.substr(1), kStatusRequest + '\0',
                                      changed(7, 0xDE), changed(0, 2), changed(0, 101)}) {
    send(datagram);
  }
  EXPECT_EQ(answer(0.3), std::nullopt);

  // The same request from another address of this machine.
  asio::io_context context;
  asio::ip::udp::socket stranger(
      context, asio::ip::udp::endpoint(asio::ip::make_address_v4("127.0.0.2"), 0));
  stranger.send_to(asio::buffer(kStatusRequest),
                   asio::ip::udp::endpoint(asio::ip::make_address_v4("127.0.0.1"), server_port_));
  EXPECT_EQ(answer(0.3), std::nullopt);
  EXPECT_EQ(stranger.available(), 0U);

  EXPECT_EQ(relay.dropped_datagrams, 7);
  EXPECT_EQ(relay.num_sock_bytes.caption(), "5");
  // The console's own requests stay off the line while it relays.
  link_ready = kTrue;
  Integer length = 21;
  send_request("C", length);
  EXPECT_EQ(controller_->received_bytes(), "");
}

// Another host of the network, at 127.0.0.2.
class Stranger {
 public:
  explicit Stranger(std::uint16_t server_port)
      : socket_(context_, asio::ip::udp::endpoint(asio::ip::make_address_v4("127.0.0.2"), 0)),
        server_(asio::ip::make_address_v4("127.0.0.1"), server_port) {}
  void send(const std::string& datagram) { socket_.send_to(asio::buffer(datagram), server_); }
  // What came back, once the console has run for `seconds`.
  std::string answer(double seconds = 0.3) {
    const double end = ui::clock().monotonic_seconds() + seconds;
    std::string received;
    while (ui::clock().monotonic_seconds() < end && received.empty()) {
      ui::event_loop().wait_pass(ui::UserInput::allow);
      if (socket_.available() == 0) continue;
      received.resize(socket_.available());
      asio::ip::udp::endpoint from;
      received.resize(socket_.receive_from(asio::buffer(received), from));
    }
    return received;
  }

 private:
  asio::io_context context_;
  asio::ip::udp::socket socket_;
  asio::ip::udp::endpoint server_;
};

TEST_F(RelayServerTest, AnotherHostsHandshakeIsTakenOnlyOnceTheClientShowsInactive) {
  FrmServerForm& relay = start_relay();
  relay.Timer1.set_enabled(false);  // the quiet ticks are counted by hand
  Stranger stranger(server_port_);
  ASSERT_EQ(exchange("MARCO"), "POLO");

  // Served: the stranger's handshake gets no answer and the client keeps the relay.
  stranger.send("MARCO");
  EXPECT_EQ(stranger.answer(), "");
  EXPECT_EQ(relay.dropped_datagrams, 1);
  const auto reply = exchange(kStatusRequest);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->substr(0, 3), bytes({0x02, 23, 0x43}));
  EXPECT_EQ(relay.Client_IP.caption(), "127.0.0.1");
  // The client itself may shake hands again.
  EXPECT_EQ(exchange("MARCO"), "POLO");

  // Five quiet ticks: still served; the refused handshake does not count as the client's.
  for (int tick = 1; tick <= 5; ++tick) relay.Timer1_Timer();
  stranger.send("MARCO");
  EXPECT_EQ(stranger.answer(), "");
  EXPECT_EQ(relay.dropped_datagrams, 2);
  relay.Timer1_Timer();
  ASSERT_EQ(relay.Client_IP.caption(), "INACTIVE");

  // Inactive: the new host is taken and the old client's requests are dropped.
  stranger.send("MARCO");
  EXPECT_EQ(stranger.answer(), "POLO");
  EXPECT_EQ(relay.Client_IP.caption(), "127.0.0.2");
  send(kStatusRequest);
  EXPECT_EQ(answer(0.3), std::nullopt);
  EXPECT_EQ(relay.dropped_datagrams, 3);
  send("MARCO");
  EXPECT_EQ(answer(0.3), std::nullopt);
  EXPECT_EQ(relay.dropped_datagrams, 4);
  EXPECT_EQ(controller_->request_frames(), (std::vector<std::string>{kStatusRequest.substr(1)}));
}

TEST_F(RelayServerTest, APortInUseIsNamedAndNothingChanges) {
  UdpSocket occupant;
  ASSERT_TRUE(occupant.bind(server_port_, nullptr));
  FrmEcu().menu_remote_setup_start_server.click();
  ASSERT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_EQ(presenter().shown_messages[0].text,
            "The relay server cannot start: UDP port " + std::to_string(server_port_) +
                " could not be opened (Address already in use). The port may be in use by "
                "another program, or need privileges.");
  EXPECT_FALSE(frm_server.loaded());
  EXPECT_TRUE(FrmEcu().visible());
  EXPECT_TRUE(FrmEcu().menu_remote_setup_start_server.enabled());
}

}  // namespace
}  // namespace ecu
