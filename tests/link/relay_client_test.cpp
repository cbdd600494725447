// The relay client's handshake and requests through a relay played by the test on loopback,
// with the simulated controller on a pseudo-terminal behind it.

#include <gtest/gtest.h>

#include <asio.hpp>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "link/comm_link.hpp"
#include "link/relay_client.hpp"
#include "link/request.hpp"
#include "link/request_transaction.hpp"
#include "link/serial_port.hpp"
#include "link/udp_socket.hpp"
#include "link_test.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_dialog.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/frm_remote_ip.hpp"
#include "sim/simulated_controller.hpp"

namespace ecu {
namespace {

using test::bytes;

// A relay on its own thread: answers "MARCO" with `handshake_answer` and forwards every
// other datagram's frame to the controller on COM1, as the relay console does. A stranger
// on 127.0.0.2 first sends `forged` to the client, which must not take it.
class TestRelay {
 public:
  TestRelay(std::string handshake_answer, std::string forged)
      : handshake_answer_(std::move(handshake_answer)), forged_(std::move(forged)) {
    socket_.bind(0, nullptr);
    line_->open(1, nullptr);
    thread_ = std::thread([this] { run(); });
  }
  ~TestRelay() {
    stop_ = true;
    thread_.join();
  }

  [[nodiscard]] std::uint16_t port() const { return socket_.local_port(); }
  std::vector<std::string> datagrams() {
    const std::lock_guard lock(mutex_);
    return datagrams_;
  }

 private:
  void run() {
    asio::io_context context;
    asio::ip::udp::socket stranger(
        context, asio::ip::udp::endpoint(asio::ip::make_address_v4("127.0.0.2"), 0));
    while (!stop_) {
      if (!socket_.wait_readable(0.005)) continue;
      const auto datagram = socket_.receive();
      if (!datagram) continue;
      {
        const std::lock_guard lock(mutex_);
        datagrams_.push_back(datagram->bytes);
      }
      const asio::ip::udp::endpoint client(asio::ip::make_address_v4("127.0.0.1"),
                                           datagram->sender_port);
      stranger.send_to(asio::buffer(forged_), client);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      socket_.send_to(answer_to(datagram->bytes), "127.0.0.1", datagram->sender_port);
    }
  }
  std::string answer_to(const std::string& datagram) {
    if (datagram == "MARCO") return handshake_answer_;
    line_->write(datagram.substr(1));
    const auto expected = static_cast<std::size_t>(static_cast<unsigned char>(datagram[0]));
    for (int waited = 0; waited < 100 && line_->bytes_waiting() < expected; ++waited) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const std::string reply = line_->read_all().value_or("");
    return reply.size() >= 3 ? reply : "NORESP";
  }

  std::string handshake_answer_;
  std::string forged_;
  UdpSocket socket_;
  std::unique_ptr<SerialPort> line_ = make_system_serial_port();
  std::mutex mutex_;
  std::vector<std::string> datagrams_;
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};

class RelayClientTest : public test::LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    controller_ = std::make_unique<sim::SimulatedController>(1);
    UdpSocket probe;
    probe.bind(0, nullptr);
    ::setenv("ECU_RELAY_CLIENT_PORT", std::to_string(probe.local_port()).c_str(), 1);
  }
  void TearDown() override {
    outgoing_sock().close();
    relay_.reset();
    ::unsetenv("ECU_RELAY_CLIENT_PORT");
    ::unsetenv("ECU_RELAY_SERVER_PORT");
    controller_.reset();
    LinkTest::TearDown();
  }

  void start_relay(const std::string& handshake_answer, const std::string& forged) {
    relay_ = std::make_unique<TestRelay>(handshake_answer, forged);
    ::setenv("ECU_RELAY_SERVER_PORT", std::to_string(relay_->port()).c_str(), 1);
  }
  // "Start client" with the address boxes as they are (127.0.0.1 at first).
  void start_client() {
    ui::event_loop().post_user_input([] { frm_remote_ip().remote_ip_done.click(); });
    FrmEcu().menu_remote_setup_start_client.click();
  }
  void expect_serial_mode_menus(bool serial) {
    EXPECT_EQ(FrmEcu().menu_remote_setup_start_server.enabled(), serial);
    EXPECT_EQ(FrmEcu().menu_remote_setup_start_client.enabled(), serial);
    EXPECT_EQ(FrmEcu().menu_remote_setup_halt_client.enabled(), !serial);
  }

  std::unique_ptr<sim::SimulatedController> controller_;
  std::unique_ptr<TestRelay> relay_;
};

const std::string kStatusFrame = bytes({0x02, 0x08, 0x43, 0x30, 0x30, 0x30, 0xDD, 0x00});

TEST_F(RelayClientTest, RequestsTravelAsNineByteDatagramsAndStrangersAreIgnored) {
  start_relay("POLO", "NORESP");
  start_client();
  ASSERT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_EQ(presenter().shown_messages[0].text,
            "Succesful connection to remote IP address 127.0.0.1");
  EXPECT_EQ(FrmEcu().caption(), "ECU System Console -> 127.0.0.1");
  expect_serial_mode_menus(false);
  EXPECT_EQ(link_ready, kFalse);

  open_comm_link();
  Integer length = 21;
  send_request("C", length);
  EXPECT_EQ(reply_received, -1);
  // One attempt: the stranger's "NORESP" that came first was not taken for the answer.
  EXPECT_EQ(relay_->datagrams(), (std::vector<std::string>{"MARCO", '\x17' + kStatusFrame}));
  EXPECT_EQ(controller_->request_frames(), std::vector<std::string>{kStatusFrame});
  EXPECT_EQ(relay_client_dropped_count(), 2);

  // A silent controller behind the relay is named in the failure message.
  controller_->set_misbehaviour(sim::Misbehaviour::silent);
  use_manual_clock();
  press_dialog_button(2);
  send_request("C", length = 21);
  EXPECT_EQ(reply_received, 0);
  EXPECT_EQ(frm_Dialog().dialog_caption.caption(),
            "Communications has failed, Remote server IS responding, ECU hardware is NOT.");
  EXPECT_EQ(relay_->datagrams().size(), 12U);

  FrmEcu().menu_remote_setup_halt_client.click();
  expect_serial_mode_menus(true);
  EXPECT_FALSE(outgoing_sock().is_open());
  EXPECT_EQ(link_ready, kFalse);
  EXPECT_EQ(remote_server_ip, "");
  EXPECT_EQ(FrmEcu().caption(), "ECU System Console");
}

TEST_F(RelayClientTest, AHandshakeAnsweredOnlyByAStrangerFails) {
  start_relay("NOPE", "POLO");
  start_client();
  ASSERT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_EQ(presenter().shown_messages[0].text, "Unable to connect to remote IP address 127.0.0.1");
  EXPECT_EQ(remote_server_ip, "");
  EXPECT_EQ(caption_suffix, "");
  expect_serial_mode_menus(true);
}

TEST_F(RelayClientTest, AClientPortInUseIsNamedAndNothingChanges) {
  start_relay("POLO", "");
  UdpSocket occupant;
  ASSERT_TRUE(occupant.bind(relay_client_port(), nullptr));
  start_client();
  EXPECT_EQ(presenter().shown_messages.at(0).text,
            "The relay client cannot start: UDP port " + std::to_string(relay_client_port()) +
                " could not be opened (Address already in use). The port may be in use by "
                "another program, or need privileges.");
  EXPECT_EQ(remote_server_ip, "");
  expect_serial_mode_menus(true);
}

}  // namespace
}  // namespace ecu
