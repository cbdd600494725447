// The data set file's lines and the write requests the upload makes of them, against texts
// and bytes worked out by hand; and the check of a whole file before anything is sent.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "dataset/data_set_format.hpp"
#include "dataset/data_set_upload.hpp"
#include "model/shared_state.hpp"
#include "support/console_test.hpp"

namespace ecu {
namespace {

std::string bytes(std::initializer_list<int> values) {
  std::string result;
  for (const int value : values) result += static_cast<char>(value);
  return result;
}

using DataSetFormatTest = test::ConsoleTest;

// Rows with a key are written from the values set here; rows with a request are uploaded.
TEST_F(DataSetFormatTest, WritesEachKindOfLineInItsColumnsAndUploadsItAsItsWriteRequest) {
  rpm_full_scale = 7999.6F;
  hot_num_p = 3;
  tps_rpm_setting = 10000;
  injp[3] = 17;
  bo_p[1] = 2048;
  gpov[2] = -5;
  injo[2] = -16;
  injk[0] = 4096;
  const std::tuple<const char*, int, const char*, std::string> cases[] = {
      {"TPS_RPM", 0, "TPS_RPM = 10000", ""},
      {"FS_RPM", 0, "FS_RPM  = 8000", bytes({0x7D, 0x40, 0x1F, 0x00})},
      {"HOT_#P", 0, "HOT_#P  = 3", bytes({'t', 0x03, 0x00, 0x00})},
      {"INJP", 3, "INJP[003]= 17", bytes({0x80, 0x03, 0x11, 0x00})},
      {"BO_P", 1, "BO_P[001]= 2048", bytes({0xDA, 0x01, 0x00, 0x08})},
      {"GPOV", 2, "GPOV[002]= -5", bytes({0xAD, 0x02, 0xFB, 0x00})},
      {"INJO", 2, "INJO[002]=-16", bytes({0xCD, 0x02, 0xF0, 0xFF})},
      {"INJK", 0, "INJK[000]=4096", bytes({0xCC, 0x00, 0x00, 0x10})},
      {nullptr, 0, "MAPM[000]=128", bytes({'e', 0x00, 0x01, 0x80})},
      {nullptr, 0, "MAPM[255]=7", bytes({'e', 0xFF, 0x01, 0x07})},
      {nullptr, 0, "IGN3[016]=100", bytes({'e', 0x10, 0x06, 0x64})},
      {nullptr, 0, "BMP1[080]=1", bytes({'e', 0xB0, 0x09, 0x01})},
      {nullptr, 0, "GPO1[000]=0", bytes({'e', 0x90, 0x02, 0x00})},
      // One byte and a one-byte echo, as the command table has it.
      {nullptr, 0, "EGO_A_LO= 40", bytes({'<', 0x28, 0x00, 0x00})},
      {nullptr, 0, "ACC_SEN = 2.5", bytes({'g', 0x02, 0x00, 0x00})},
      {nullptr, 0, "ACC_SEN =  3.5 ", bytes({'g', 0x04, 0x00, 0x00})},
  };
  for (const auto& [key, index, text, request] : cases) {
    if (key != nullptr) {
      const DataSetRow* row = find_data_set_row(key);
      ASSERT_NE(row, nullptr) << key;
      EXPECT_EQ(data_set_line(*row, index), text);
    }
    if (request.empty()) continue;
    const auto plan = plan_upload({text});
    ASSERT_TRUE(std::holds_alternative<std::vector<UploadLine>>(plan)) << text;
    const UploadLine& line = std::get<std::vector<UploadLine>>(plan).at(0);
    ASSERT_NE(line.command, nullptr) << text;
    EXPECT_EQ(line.request, request) << text;
  }
}

TEST_F(DataSetFormatTest, RefusesTheWholeFileAtItsFirstBadLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"MAPM[003]=300", "its value 300 is outside 0 to 255"},
      {"GPO2[003]=300", "its value 300 is outside 0 to 255"},
      {"HOT_#P  = -1", "its value -1 is outside 0 to 255"},
      {"INJO[000]=-32769", "its value -32769 is outside -32768 to 32767"},
      {"MAPM[256]=1", "its index 256 is outside the MAPM table (000 to 255)"},
      {"CLTM[009]=1", "its index 9 is outside the CLTM table (000 to 008)"},
      {"MAPM[0x1]=1", "its index (columns 6 to 8) is not a number"},
      {"ACC_SEN = ", "its value column (from column 11) holds no number"},
      {"ACC_SEN = 12abc", "its value column (from column 11) holds no number"},
      {"MAPM[1]=5", "its index (columns 6 to 8) is not a number"},
  };
  for (const auto& [text, reason] : cases) {
    const auto plan = plan_upload({"SET_REV = 10000", "", text, "MAPM[000]=1"});
    ASSERT_TRUE(std::holds_alternative<InvalidLine>(plan)) << text;
    const auto& invalid = std::get<InvalidLine>(plan);
    EXPECT_EQ(invalid.number, 3) << text;
    EXPECT_EQ(invalid.text, text);
    EXPECT_EQ(invalid.reason, reason) << text;
  }
}

TEST_F(DataSetFormatTest, SkipsBlankAndVersionLinesAndKeepsUnknownNamesToReport) {
  const std::vector<std::string> file{"",
                                      " \t",
                                      "XYZW[004]= 3",
                                      "SUPM[004]= 3",
                                      "SUPM    = 1",
                                      "fs_rpm  = 8000",
                                      "SW_REV  = V1.02.00 02/12/10",
                                      "MAPM    = 1"};
  const auto plan = plan_upload(file);
  ASSERT_TRUE(std::holds_alternative<std::vector<UploadLine>>(plan));
  const auto& lines = std::get<std::vector<UploadLine>>(plan);
  const std::vector<std::string> unknown{"", "", "XYZW", "SUPM[004]", "", "fs_rpm", "", ""};
  ASSERT_EQ(lines.size(), unknown.size());
  for (std::size_t k = 0; k < lines.size(); ++k) {
    EXPECT_EQ(lines[k].command, nullptr) << file[k];
    EXPECT_EQ(lines[k].unknown_name, unknown[k]) << file[k];
  }
}

}  // namespace
}  // namespace ecu
