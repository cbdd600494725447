// The simulated controller program: its last change saved on every signal that ends it, a
// second program on the same calibration file refused, and a save that failed tried again at
// the next change and at the end, not at every check.

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
#include <utility>
#include <vector>

#include "link/link_test.hpp"
#include "sim/calibration_file.hpp"
#include "sim/controller_program.hpp"

namespace {

using namespace std::chrono_literals;

struct Program {
  pid_t pid = -1;
  // Both its outputs until it named its terminal (the last line) or ended.
  std::vector<std::string> lines;
  [[nodiscard]] bool started() const { return !lines.empty() && lines.back().starts_with("/dev/"); }
};

// The program in a child, with saving paced so that only its end saves.
Program start_program(const std::string& calibration_path) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return {};
  std::fflush(nullptr);
  Program program{::fork(), {}};
  if (program.pid == 0) {
    ::dup2(pipe_ends[1], STDOUT_FILENO);
    ::dup2(pipe_ends[1], STDERR_FILENO);
    // As a program started from a terminal has them, whatever the tests were started with.
    for (const int signal_number : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM})
      std::signal(signal_number, SIG_DFL);
    ::_exit(sim::run_controller_program({calibration_path, 0, 0.0, {24h, 24h}}));
  }
  ::close(pipe_ends[1]);
  std::string line;
  for (char byte = 0; !program.started() && ::read(pipe_ends[0], &byte, 1) == 1;) {
    if (byte != '\n') line += byte;
    if (byte == '\n') program.lines.push_back(std::exchange(line, ""));
  }
  ::close(pipe_ends[0]);
  return program;
}

// Its exit status once it ended, or -1 when a signal ended it.
int exit_status(const Program& program) {
  int status = 0;
  ::waitpid(program.pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Writes 0x5A to address 0x0100 through the program's terminal; true once the answer says
// the byte is stored (the request echoed with its sum).
bool write_memory_byte(const Program& program) {
  const std::string request("\x02\x08\x65\x00\x01\x5A\xCA\x00", 8);
  const int terminal = ::open(program.lines.back().c_str(), O_RDWR | O_NOCTTY);
  std::string answer;
  if (::write(terminal, request.data(), 8) == 8) {
    for (char byte = 0; answer.size() < 8 && ::read(terminal, &byte, 1) == 1;) answer += byte;
  }
  ::close(terminal);
  return answer == request;
}

using ControllerProgramTest = test::LinkTest;

TEST_F(ControllerProgramTest, KeepsTheLastChangeOnEverySignalThatEndsIt) {
  for (const int signal_number : {SIGHUP, SIGQUIT, SIGPIPE, SIGTERM, SIGINT}) {
    std::filesystem::remove("cal.txt");
    const Program program = start_program("cal.txt");
    ASSERT_TRUE(program.started() && write_memory_byte(program)) << signal_number;
    ::kill(program.pid, signal_number);
    EXPECT_EQ(exit_status(program), 0) << ::strsignal(signal_number);
    EXPECT_EQ(sim::load_calibration_file("cal.txt").calibration.memory[0x0100], 0x5A)
        << ::strsignal(signal_number);
  }
}

TEST_F(ControllerProgramTest, ASecondProgramOnTheSameFileIsRefused) {
  const Program first = start_program("cal.txt");
  ASSERT_TRUE(first.started());
  const Program second = start_program("cal.txt");
  EXPECT_EQ(second.lines,
            std::vector<std::string>{"simulated_controller: calibration file cal.txt is in use by "
                                     "another simulated controller: end that one first, or give "
                                     "another file"});
  if (second.started()) ::kill(second.pid, SIGTERM);
  EXPECT_EQ(exit_status(second), 1);
  ::kill(first.pid, SIGTERM);
  exit_status(first);
}

TEST_F(ControllerProgramTest, ASaveThatFailedIsTriedAgainAtTheNextChangeAndAtTheEnd) {
  sim::SimulatedController controller(1);
  controller.set_calibration(sim::starting_calibration());
  auto write_ego_secs = [&controller, value = 40U]() mutable {
    controller.settings().answer('b', ++value, 0, 0);
  };
  const sim::ProgramClock::time_point start{};
  for (const bool ending : {false, true}) {
    // A file where the calibration's folder should be: the save fails with "Not a directory".
    std::ofstream("folder") << "not a folder\n";
    sim::CalibrationKeeper keeper(controller, "folder/cal.txt", true, {1s, 3s});
    write_ego_secs();
    keeper.check(start, false);
    keeper.check(start + 1s, false);
    std::filesystem::remove("folder");
    std::filesystem::create_directory("folder");
    for (auto later = 2s; later <= 10s; later += 1s) keeper.check(start + later, false);
    EXPECT_FALSE(std::filesystem::exists("folder/cal.txt")) << "tried again with no change";
    if (!ending) write_ego_secs();
    keeper.check(start + 10s, ending);
    keeper.check(start + 11s, false);
    EXPECT_TRUE(std::filesystem::exists("folder/cal.txt")) << ending;
    std::filesystem::remove_all("folder");
  }
}

}  // namespace
