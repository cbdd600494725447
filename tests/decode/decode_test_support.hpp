#pragma once
// What the decoder tests share: replies handed to the receive framer exactly as one
// attempt's input, and a main window whose lambda unit can be chosen.

#include <cstdint>
#include <filesystem>
#include <string>

#include "sim/controller_replies.hpp"
#include "support/console_test.hpp"

namespace test {

// Hands the bytes to the receive framer as everything that arrived for one attempt: the
// framer checks the frame and runs the three decoders on it.
void receive_bytes(const std::string& bytes);
// A well-formed reply of the type with the payload.
void receive(std::uint8_t type, const std::string& payload);

class DecodeTest : public ConsoleTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs the rest of the test in a scratch folder of its own, as the console reads and
  // writes its settings files by bare name.
  void work_in_scratch_folder();
  // Loads the main window (its start-up runs in a scratch folder) and ticks the lambda
  // unit with this menu index: 0 lambda, 1 gasoline, 2 ethanol, 3 E85, 4 methanol.
  void use_lambda_unit(int index);

 private:
  std::filesystem::path previous_folder_;
  std::filesystem::path scratch_folder_;
};

}  // namespace test
