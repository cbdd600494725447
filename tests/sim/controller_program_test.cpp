// The simulated controller program: its last change saved on every signal that ends it, a
// second program on the same calibration file refused, and a save that failed tried again at
// the next change and at the end, not at every check. The program runs in a child process,
// with saving paced so that only an end saves, and is written to through its terminal.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/comm_link.hpp"
#include "link/link_test.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "sim/calibration_file.hpp"
#include "sim/controller_program.hpp"

namespace {

using namespace std::chrono_literals;

struct Program {
  pid_t pid = -1;
  // What it wrote, both outputs, until it named its terminal (the last line) or ended.
  std::vector<std::string> lines;
  [[nodiscard]] bool started() const {
    return !lines.empty() && lines.back().rfind("/dev/", 0) == 0;
  }
};

Program start_program(const std::string& calibration_path) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return {};
  std::fflush(nullptr);
  Program program{::fork(), {}};
  if (program.pid == 0) {
    ::dup2(pipe_ends[1], STDOUT_FILENO);
    ::dup2(pipe_ends[1], STDERR_FILENO);
    // As a program started from a terminal has them, whatever the tests were started with.
    for (const int signal_number : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM}) {
      std::signal(signal_number, SIG_DFL);
    }
    sim::ProgramOptions options;
    options.calibration_path = calibration_path;
    options.baud = 0;
    options.pace = {24h, 24h};
    ::_exit(sim::run_controller_program(options));
  }
  ::close(pipe_ends[1]);
  std::string line;
  char byte = 0;
  while (!program.started() && ::read(pipe_ends[0], &byte, 1) == 1) {
    if (byte != '\n') {
      line += byte;
      continue;
    }
    program.lines.push_back(line);
    line.clear();
  }
  ::close(pipe_ends[0]);
  return program;
}

int end_status(const Program& program) {
  int status = 0;
  while (::waitpid(program.pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// Writes 0x5A to address 0x0100 through the program's terminal; the answer the controller
// gives once the byte is stored.
std::string write_memory_byte(const Program& program) {
  const int terminal = ::open(program.lines.back().c_str(), O_RDWR | O_NOCTTY);
  const std::string request("\x02\x08\x65\x00\x01\x5A\xCA\x00", 8);
  std::string answer;
  if (terminal >= 0 && ::write(terminal, request.data(), request.size()) == 8) {
    char byte = 0;
    while (answer.size() < 8 && ::read(terminal, &byte, 1) == 1) answer += byte;
  }
  if (terminal >= 0) ::close(terminal);
  return answer;
}

using ControllerProgramTest = test::LinkTest;

TEST_F(ControllerProgramTest, KeepsTheLastChangeOnEverySignalThatEndsIt) {
  for (const int signal_number : {SIGHUP, SIGQUIT, SIGPIPE, SIGTERM, SIGINT}) {
    const std::string name = ::strsignal(signal_number);
    std::filesystem::remove("cal.txt");
    const Program program = start_program("cal.txt");
    ASSERT_TRUE(program.started()) << name;
    EXPECT_EQ(write_memory_byte(program), std::string("\x02\x08\x65\x00\x01\x5A\xCA\x00", 8));
    ::kill(program.pid, signal_number);
    const int status = end_status(program);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name << ": " << status;
    const sim::LoadedCalibration loaded = sim::load_calibration_file("cal.txt");
    EXPECT_EQ(loaded.message, "calibration read from cal.txt") << name;
    EXPECT_EQ(loaded.calibration.memory[0x0100], 0x5A) << name;
  }
}

TEST_F(ControllerProgramTest, ASecondProgramOnTheSameFileIsRefusedTillTheFirstEnds) {
  const Program first = start_program("cal.txt");
  ASSERT_TRUE(first.started());
  const Program second = start_program("cal.txt");
  EXPECT_EQ(second.lines,
            std::vector<std::string>{"simulated_controller: calibration file cal.txt is in use by "
                                     "another simulated controller: end that one first, or give "
                                     "another file"});
  if (second.started()) ::kill(second.pid, SIGTERM);
  const int second_status = end_status(second);
  EXPECT_TRUE(WIFEXITED(second_status) && WEXITSTATUS(second_status) == 1) << second_status;
  ::kill(first.pid, SIGTERM);
  end_status(first);
  const Program third = start_program("cal.txt");
  EXPECT_TRUE(third.started());
  ::kill(third.pid, SIGTERM);
  end_status(third);
}

TEST_F(ControllerProgramTest, ASaveThatFailedIsTriedAgainAtTheNextChangeAndAtTheEnd) {
  sim::SimulatedController controller(1);
  controller.set_calibration(sim::starting_calibration());
  ecu::com_port = 1;
  ecu::open_comm_link();
  ASSERT_EQ(ecu::link_ready, ecu::kTrue);
  const sim::ProgramClock::time_point start{};
  ecu::Long ego_secs = 40;
  for (const bool ending : {false, true}) {
    // A file where the calibration's folder should be: the save fails with "Not a directory".
    std::ofstream("folder") << "not a folder\n";
    sim::CalibrationKeeper keeper(controller, "folder/cal.txt", true, {1s, 3s});
    ecu::send_command(ecu::command_with_payload('b', ++ego_secs, 0, 0));
    keeper.check(start, false);
    keeper.check(start + 1s, false);
    std::filesystem::remove("folder");
    std::filesystem::create_directory("folder");
    for (auto later = 2s; later <= 10s; later += 1s) keeper.check(start + later, false);
    EXPECT_FALSE(std::filesystem::exists("folder/cal.txt")) << "tried again with no change";
    if (!ending) ecu::send_command(ecu::command_with_payload('b', ++ego_secs, 0, 0));
    keeper.check(start + 10s, ending);
    keeper.check(start + 11s, false);
    EXPECT_TRUE(std::filesystem::exists("folder/cal.txt")) << ending;
    std::filesystem::remove_all("folder");
  }
  test::use_system_serial_port();
}

}  // namespace
