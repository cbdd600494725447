#include <gtest/gtest.h>

#include <string>

#include "decode/decode_test_support.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "model/shared_state.hpp"
#include "ui/format.hpp"

namespace ecu {
namespace {

using MemoryReadTest = test::DecodeTest;
using sim::memory_payload;
using test::receive;

// `count` bytes counting up from `first`.
std::string counting_bytes(int count, int first = 0) {
  std::string bytes;
  for (int k = 0; k < count; ++k) bytes += static_cast<char>((first + k) & 0xFF);
  return bytes;
}

struct ReadType {
  char type;
  int data_bytes;
};
constexpr ReadType kReadTypes[] = {{'E', 1}, {'e', 1}, {'r', 9}, {'q', 16}, {'k', 27}, {'l', 32}};

TEST_F(MemoryReadTest, ReplyOfTheWrongLengthChangesNothing) {
  for (const ReadType& read : kReadTypes) {
    for (const int wrong : {read.data_bytes - 1, read.data_bytes + 1}) {
      SCOPED_TRACE(std::string(1, read.type) + " with " + std::to_string(wrong) + " bytes");
      receive(static_cast<std::uint8_t>(read.type),
              memory_payload(0x100, counting_bytes(wrong, 7)));
      EXPECT_EQ(reply_received, 0);
      EXPECT_EQ(mem_value, 0);
      EXPECT_EQ(mem_address, 0);
      EXPECT_FALSE(frm_3d.loaded());
    }
  }
}

TEST_F(MemoryReadTest, EveryReadTypePlacesEachByteAtItsOwnAddress) {
  for (const ReadType& read : kReadTypes) {
    SCOPED_TRACE(read.type);
    reply_received = 0;
    const std::string bytes = counting_bytes(read.data_bytes, 10);
    receive(static_cast<std::uint8_t>(read.type), memory_payload(0x100, bytes));
    EXPECT_EQ(reply_received, -1);
    EXPECT_EQ(mem_value, static_cast<unsigned char>(bytes.back()));
    EXPECT_EQ(mem_address, 0x100);
    for (int k = 0; k < read.data_bytes; ++k) {
      const int row = 16 - k % 16;
      const int col = k / 16 + 1;
      EXPECT_EQ(frm_3d().inj_map.cell_text(row, col),
                ui::format_single(static_cast<Single>((10 + k) / 128.0), "#.000"));
      EXPECT_EQ(frm_3d().inj_map.cell_back_colour(row, col), ui::colours::white);
    }
  }
}

TEST_F(MemoryReadTest, WriteEchoShowsTheStoredValueAndTurnsTheCellWhite) {
  frm_3d().inj_map.set_cell_text(13, 3, "1.5");
  frm_3d().inj_map.set_cell_back_colour(13, 3, ui::colours::yellow);
  receive('e', memory_payload(0x123, std::string(1, static_cast<char>(128))));
  EXPECT_EQ(frm_3d().inj_map.cell_text(13, 3), "1.000");
  EXPECT_EQ(frm_3d().inj_map.cell_back_colour(13, 3), ui::colours::white);
  EXPECT_EQ(mem_value, 128);
}

TEST_F(MemoryReadTest, ReadOfAnUnownedAddressCountsAsReceivedAndShowsNothing) {
  receive('E', memory_payload(0x060, std::string(1, static_cast<char>(77))));
  EXPECT_EQ(reply_received, -1);
  EXPECT_EQ(mem_value, 77);
  EXPECT_EQ(mem_address, 0x060);
  EXPECT_FALSE(frm_2d.loaded());
  EXPECT_FALSE(frm_3d.loaded());
}

TEST_F(MemoryReadTest, NineByteReadFillsACurve) {
  std::string bytes(8, static_cast<char>(64));
  bytes += static_cast<char>(96);
  receive('r', memory_payload(0x070, bytes));
  for (int k = 0; k < 9; ++k) {
    EXPECT_EQ(frm_2d().clt_map[k].text(), k < 8 ? "1.000" : "1.500") << k;
    EXPECT_EQ(frm_2d().clt_map[k].back_colour(), ui::colours::white) << k;
  }
  EXPECT_EQ(mem_value, 96);
}

TEST_F(MemoryReadTest, BlockThatRunsPastItsTableLeavesTheRestUnshown) {
  // 0x03C to 0x050 are the lambda table's last 21 bytes; 0x051 to 0x056 belong to nothing.
  receive('k', memory_payload(0x03C, std::string(27, static_cast<char>(128))));
  for (int i = 60; i <= 80; ++i) {
    EXPECT_EQ(frm_2d().lambda_sp_table.cell_text(9 - i % 9, i / 9 + 1), "1.000") << i;
  }
  EXPECT_EQ(frm_2d().lambda_sp_table.cell_text(9 - 59 % 9, 59 / 9 + 1), "");
  EXPECT_EQ(mem_value, 128);
}

TEST_F(MemoryReadTest, EightBlockReadsFillTheWholeMap) {
  for (int block = 0; block < 8; ++block) {
    receive('l', memory_payload(static_cast<std::uint16_t>(0x100 + 32 * block),
                                counting_bytes(32, 32 * block)));
  }
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(frm_3d().inj_map.cell_text(16 - i % 16, i / 16 + 1),
              ui::format_single(static_cast<Single>(i / 128.0), "#.000"))
        << i;
  }
}

TEST_F(MemoryReadTest, BlockNearTheTopOfTheAddressSpaceIsIgnoredPastIt) {
  receive('l', memory_payload(0xFFF0, counting_bytes(32, 1)));
  EXPECT_EQ(reply_received, -1);
  EXPECT_EQ(mem_value, 32);
  EXPECT_EQ(mem_address, 0xFFF0);
  EXPECT_FALSE(frm_2d.loaded());
  EXPECT_FALSE(frm_3d.loaded());
}

TEST_F(MemoryReadTest, RecordsTheAddressTheReplyCarries) {
  receive('E', memory_payload(0x5C4, std::string(1, static_cast<char>(64))));
  EXPECT_EQ(mem_address, 0x5C4);
  receive('E', memory_payload(0x0A12, std::string(1, static_cast<char>(1))));
  EXPECT_EQ(mem_address, 0x0A12);
}

}  // namespace
}  // namespace ecu
