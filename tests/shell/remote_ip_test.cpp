#include <gtest/gtest.h>

#include "model/shared_state.hpp"
#include "shell/frm_remote_ip.hpp"
#include "support/console_test.hpp"

namespace {

using ecu::frm_remote_ip;
using ecu::remote_server_ip;

class RemoteIpTest : public test::ConsoleTest {};

TEST_F(RemoteIpTest, StartsWithTheLoopbackAddressAndItsTexts) {
  auto& form = frm_remote_ip();
  EXPECT_EQ(form.caption(), "Client IP Setup");
  EXPECT_EQ(form.Label1.caption(), "Remote IP address");
  EXPECT_EQ(form.remote_ip_done.caption(), "Done");
  EXPECT_EQ(form.remote_ip_cancel.caption(), "Cancel");
  form.remote_ip_done.click();
  EXPECT_EQ(remote_server_ip, "127.0.0.1");
}

TEST_F(RemoteIpTest, DoneJoinsFourNumbersFrom0To255WithoutBlanksOrLeadingZeros) {
  struct Case {
    const char* boxes[4];
    const char* address;
  };
  const Case cases[] = {
      {{"192", "168", "1", "20"}, "192.168.1.20"},
      {{" 10", "0 ", "007", "255"}, "10.0.7.255"},
  };
  for (const auto& sample : cases) {
    auto& form = frm_remote_ip();
    for (int i = 0; i < 4; ++i) form.client_ip_address[i].set_text(sample.boxes[i]);
    form.remote_ip_done.click();
    EXPECT_EQ(remote_server_ip, sample.address);
    EXPECT_FALSE(form.visible());
  }
}

TEST_F(RemoteIpTest, DoneRefusesAnAddressThatIsNotFourNumbersFrom0To255AndStaysOpen) {
  const char* const cases[][4] = {
      {"10", "1", "300abc", ""}, {"256", "0", "0", "1"},  {"10", "-1", "0", "1"},
      {"10", "1.5", "0", "1"},   {"10", "0x1", "0", "1"}, {"1 2", "0", "0", "1"},
  };
  for (const auto& boxes : cases) {
    presenter().shown_messages.clear();
    remote_server_ip = "kept";
    auto& form = frm_remote_ip();
    form.show();
    for (int i = 0; i < 4; ++i) form.client_ip_address[i].set_text(boxes[i]);
    form.remote_ip_done.click();
    EXPECT_EQ(remote_server_ip, "kept") << boxes[2];
    EXPECT_TRUE(form.visible());
    ASSERT_EQ(presenter().shown_messages.size(), 1U);
    EXPECT_EQ(presenter().shown_messages[0].text,
              "The remote IP address must be four whole numbers from 0 to 255, one in each box "
              "(for example 192.168.1.20).");
    form.hide();
  }
}

TEST_F(RemoteIpTest, APointMovesToTheNextBoxEmptyingItAndWrapsAfterTheFourth) {
  auto& form = frm_remote_ip();
  EXPECT_EQ(form.client_ip_address[0].key_press('.'), 0);
  EXPECT_EQ(form.client_ip_address[1].text(), "");
  EXPECT_TRUE(form.client_ip_address[1].has_focus());
  EXPECT_EQ(form.client_ip_address[3].key_press('.'), 0);
  EXPECT_EQ(form.client_ip_address[0].text(), "");
  EXPECT_TRUE(form.client_ip_address[0].has_focus());
  EXPECT_EQ(form.client_ip_address[2].key_press('5'), '5');
}

TEST_F(RemoteIpTest, EnterInTheFourthBoxActsAsDoneAndNowhereElse) {
  auto& form = frm_remote_ip();
  form.show();
  form.client_ip_address[2].key_press(13);
  EXPECT_TRUE(form.visible());
  EXPECT_EQ(remote_server_ip, "");
  form.client_ip_address[3].key_press(13);
  EXPECT_FALSE(form.visible());
  EXPECT_EQ(remote_server_ip, "127.0.0.1");
}

TEST_F(RemoteIpTest, CancelAndTheFrameEmptyTheAddressAndKeepTheTexts) {
  auto& form = frm_remote_ip();
  form.client_ip_address[0].set_text("10");
  remote_server_ip = "1.2.3.4";
  form.remote_ip_cancel.click();
  EXPECT_EQ(remote_server_ip, "");
  remote_server_ip = "1.2.3.4";
  form.request_close();
  EXPECT_EQ(remote_server_ip, "");
  EXPECT_TRUE(frm_remote_ip.loaded());
  EXPECT_EQ(frm_remote_ip().client_ip_address[0].text(), "10");
}

TEST_F(RemoteIpTest, ModalShowReturnsWithTheAddressTheUserConfirmed) {
  ui::event_loop().post_user_input([] { frm_remote_ip().client_ip_address[0].set_text("10"); });
  ui::event_loop().post_user_input([] { frm_remote_ip().remote_ip_done.click(); });
  frm_remote_ip().show_modal();
  EXPECT_EQ(remote_server_ip, "10.0.0.1");
}

}  // namespace
