// The simulated controller program's calibration file: written and read back byte for byte,
// a missing or damaged file read as the starting calibration with the reason, the damaged
// file kept aside under a name nothing has, settings the file lacks at their starting values,
// a path to no regular file refused untouched; and the program's controller keeping the
// configuration the console writes.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "model/basic_types.hpp"

#include "link/comm_link.hpp"
#include "link/link_test.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "sim/calibration_file.hpp"
#include "sim/simulated_controller.hpp"

namespace {

std::string file_text(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void write_text(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

using CalibrationFileTest = test::LinkTest;

TEST_F(CalibrationFileTest, IsWrittenAndReadBackByteForByte) {
  sim::Calibration calibration = sim::starting_calibration();
  calibration.memory[0x105] = 0x9A;
  calibration.memory[0xFFFF] = 0x01;
  calibration.settings['S'] = std::string("\x34\x12", 2);
  ASSERT_EQ(sim::save_calibration_file("first.txt", calibration), "");

  const sim::LoadedCalibration loaded = sim::load_calibration_file("first.txt");
  EXPECT_EQ(loaded.message, "calibration read from first.txt");
  EXPECT_TRUE(loaded.calibration == calibration);
  ASSERT_EQ(sim::save_calibration_file("second.txt", loaded.calibration), "");
  const std::string text = file_text("first.txt");
  EXPECT_EQ(file_text("second.txt"), text);
  EXPECT_EQ(text.substr(0, text.find('\n')), "simulated controller calibration, format 1");
  EXPECT_NE(text.find("\nmemory FFE0 " + std::string(62, '0') + "01\n"), std::string::npos);
  EXPECT_NE(text.find("\nsetting 53 3412\n"), std::string::npos);
}

TEST_F(CalibrationFileTest, MissingOrDamagedGivesTheStartingCalibrationAndSaysWhy) {
  sim::Calibration changed = sim::starting_calibration();
  changed.memory[0x100] = 0x11;
  const std::string good = sim::calibration_file_text(changed);
  std::string flipped = good;
  flipped[flipped.find("memory 0100 ") + 12] = '2';
  const std::size_t lines_before_end = static_cast<std::size_t>(
      std::count(good.begin(), good.begin() + static_cast<long>(good.rfind("end ")), '\n'));
  struct Case {
    const char* what;
    std::optional<std::string> text;
    std::string reason;
  };
  const Case cases[] = {
      {"missing", std::nullopt, "no calibration file cal.txt yet"},
      {"empty", "", "calibration file cal.txt is damaged (no end line: the file is cut short)"},
      {"cut short", good.substr(0, good.rfind("end ")),
       "calibration file cal.txt is damaged (no end line: the file is cut short)"},
      {"a changed byte", flipped,
       "calibration file cal.txt is damaged (line " + std::to_string(lines_before_end + 1) +
           ": the checksum does not match the text)"},
      {"another file",
       std::string("\x7F"
                   "ELF\0\x01\n",
                   7),
       "calibration file cal.txt is damaged (line 1: not a calibration file of this simulator)"},
      {"a setting of another length", "simulated controller calibration, format 1\nsetting 53 00\n",
       "calibration file cal.txt is damaged (line 2: no setting 53 of 1 bytes)"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove("cal.txt.damaged");
    if (c.text) write_text("cal.txt", *c.text);
    const sim::LoadedCalibration loaded = sim::load_calibration_file("cal.txt");
    EXPECT_TRUE(loaded.calibration == sim::starting_calibration()) << c.what;
    EXPECT_TRUE(loaded.may_save) << c.what;
    if (c.text) {
      EXPECT_EQ(loaded.message, c.reason +
                                    "; it is kept as cal.txt.damaged: starting from the "
                                    "starting calibration")
          << c.what;
      EXPECT_EQ(file_text("cal.txt.damaged"), *c.text) << c.what;
      EXPECT_FALSE(std::filesystem::exists("cal.txt")) << c.what;
    } else {
      EXPECT_EQ(loaded.message, c.reason + ": starting from the starting calibration");
      EXPECT_FALSE(std::filesystem::exists("cal.txt.damaged"));
    }
  }
  // The last case's damaged file stays beside the next one.
  write_text("cal.txt", "another\n");
  EXPECT_NE(sim::load_calibration_file("cal.txt").message.find("kept as cal.txt.damaged.2"),
            std::string::npos);
  EXPECT_EQ(file_text("cal.txt.damaged"), *std::prev(std::end(cases))->text);
  EXPECT_EQ(file_text("cal.txt.damaged.2"), "another\n");
}

TEST_F(CalibrationFileTest, ADamagedFileTakesTheFirstNameNothingHas) {
  write_text("cal.txt.damaged", "earlier 1\n");
  for (int number = 2; number <= 999; ++number) {
    write_text("cal.txt.damaged." + std::to_string(number), "earlier " + std::to_string(number));
  }
  std::filesystem::create_symlink("nowhere", "cal.txt.damaged.1000");
  write_text("cal.txt", "damaged\n");
  EXPECT_EQ(sim::load_calibration_file("cal.txt").message,
            "calibration file cal.txt is damaged (line 1: not a calibration file of this "
            "simulator); it is kept as cal.txt.damaged.1001: starting from the starting "
            "calibration");
  EXPECT_EQ(file_text("cal.txt.damaged.1001"), "damaged\n");
  EXPECT_EQ(file_text("cal.txt.damaged.999"), "earlier 999");
  EXPECT_EQ(file_text("cal.txt.damaged"), "earlier 1\n");
  EXPECT_TRUE(std::filesystem::is_symlink("cal.txt.damaged.1000"));
}

TEST_F(CalibrationFileTest, SettingsTheFileLacksKeepTheirStartingValues) {
  sim::Calibration only_one;
  only_one.settings[0xCA] = sim::words({700, 700, 700, 700, 700, 700, 700, 700});
  write_text("cal.txt", sim::calibration_file_text(only_one));
  const sim::LoadedCalibration loaded = sim::load_calibration_file("cal.txt");
  ASSERT_EQ(loaded.message, "calibration read from cal.txt");
  EXPECT_EQ(loaded.calibration.settings.at(0xCA),
            "\xBC\x02\xBC\x02\xBC\x02\xBC\x02\xBC\x02\xBC\x02\xBC\x02\xBC\x02");
  EXPECT_EQ(loaded.calibration.settings.at(0x9B),
            std::string("\x00\x00\xD0\x02\xA0\x05\x70\x08", 8) + std::string(24, '\0'));
}

TEST_F(CalibrationFileTest, APathToNoRegularFileIsRefusedAndLeftAsItIs) {
  std::filesystem::create_directory("folder");
  std::filesystem::create_directory_symlink("folder", "link");
  ASSERT_EQ(::mkfifo("fifo", 0600), 0);
  struct Case {
    const char* path;
    const char* kind;
  };
  // The fifo last: a reader that opens it as a file waits for a writer that never comes.
  const Case cases[] = {{"folder", "a folder"}, {"link", "a folder"}, {"fifo", "a fifo"}};
  for (const Case& c : cases) {
    const std::string refusal = std::string("calibration file ") + c.path + " is " + c.kind +
                                ", not a regular file, so it is not used: give the path of a file";
    const sim::LoadedCalibration loaded = sim::load_calibration_file(c.path);
    EXPECT_TRUE(loaded.refused) << c.path;
    EXPECT_EQ(loaded.message, refusal);
    const sim::CalibrationFileLock lock(c.path);
    EXPECT_FALSE(lock.held()) << c.path;
    EXPECT_EQ(lock.problem(), refusal);
    EXPECT_FALSE(std::filesystem::exists(std::string(c.path) + ".damaged")) << c.path;
    EXPECT_FALSE(std::filesystem::exists(std::string(c.path) + ".lock")) << c.path;
  }
  EXPECT_TRUE(std::filesystem::is_directory("folder"));
}

// The tests' controller echoes the writes of the base configuration and fuel parameters only;
// the program's, whose calibration holds those blocks, keeps them and counts them for saving.
TEST_F(CalibrationFileTest, TheProgramsControllerKeepsTheConfigurationWritten) {
  struct Case {
    std::uint8_t write;
    ecu::Long value;
    const char* read;
    ecu::Long* variable;
    ecu::Long tests_value;
  };
  const Case cases[] = {
      {'b', 45, "C", &ecu::ego_secs, 30},
      {'m', 6000, "B", &ecu::fuel_mx, 625},
  };
  for (const bool program : {false, true}) {
    sim::SimulatedController controller(1);
    if (program) controller.set_calibration(sim::starting_calibration());
    ecu::com_port = 1;
    ecu::open_comm_link();
    ASSERT_EQ(ecu::link_ready, ecu::kTrue);
    for (const Case& c : cases) {
      ecu::send_command(ecu::command_with_payload(c.write, c.value % 256, c.value / 256, 0));
      ecu::send_command(c.read);
      EXPECT_EQ(*c.variable, program ? c.value : c.tests_value) << c.read << " " << program;
    }
    EXPECT_EQ(controller.calibration_write_count(), program ? 2U : 0U);
    test::use_system_serial_port();
  }
}

}  // namespace
