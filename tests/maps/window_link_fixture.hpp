#pragma once
// The table editor windows run connected from the start, on a controller whose MAP sensor is
// the 115 / 10 kPa type with a full scale of 8000 rpm.

#include "support/linked_window_test.hpp"

namespace test {

class WindowLinkTest : public LinkedWindowTest {
 protected:
  void SetUp() override {
    LinkedWindowTest::SetUp();
    controller().set_base_config({.map_type = 0});
    connect();
  }
};

}  // namespace test
