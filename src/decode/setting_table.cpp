#include "decode/setting_table.hpp"

#include <utility>
#include <vector>

#include "ui/format.hpp"

namespace ecu {

Long read_field(const ReplyFrame& reply, int position, FieldKind kind) {
  auto index = static_cast<Integer>(position);
  switch (kind) {
    case FieldKind::byte:
      return read_byte(reply, index);
    case FieldKind::word:
      return read_word(reply, index);
    case FieldKind::signed_byte:
      return as_signed_byte(read_byte(reply, index));
    case FieldKind::signed_word:
      return as_signed_word(read_word(reply, index));
  }
  return 0;
}

std::string shown_text(const Display& display, Long value) {
  const double shown = display.scale != nullptr ? display.scale(value) : value;
  switch (display.form) {
    case TextForm::mask:
      return ui::format_number(shown, display.mask);
    case TextForm::single_mask:
      return ui::format_single(static_cast<float>(shown), display.mask);
    case TextForm::sign_integer:
      return ui::str_integer(static_cast<long long>(shown));
    case TextForm::plain_integer:
      return std::to_string(static_cast<long long>(shown));
  }
  return {};
}

void mark_in_sync(ui::TextBox& box) {
  box.set_back_colour(ui::colours::white);
}

void mark_in_sync(ui::Control& choice) {
  choice.set_fore_colour(ui::colours::black);
}

bool row_decodes(const ScalarSetting& row, std::uint8_t type) {
  return row.code == type || (row.paired_code != 0 && row.paired_code == type);
}

ScalarValues read_scalar_rows(std::span<const ScalarSetting> table, const ReplyFrame& reply) {
  const std::uint8_t type = reply.at(2);
  ScalarValues values;
  for (const ScalarSetting& row : table) {
    if (!row_decodes(row, type)) continue;
    Long value = read_field(reply, row.position, row.field);
    if (row.limit != nullptr) value = row.limit(value);
    values.push_back({&row, value});
  }
  return values;
}

void write_scalar_rows(const ScalarValues& values) {
  for (const auto& [row, value] : values) {
    if (row->variable != nullptr) *row->variable = value;
    if (row->also != nullptr) row->also(value);
    const std::string text = shown_text(row->display, value);
    row->box().set_text(text);
    if (row->second_box != nullptr) row->second_box().set_text(text);
  }
  for (const auto& [row, value] : values) {
    mark_in_sync(row->box());
    if (row->second_box != nullptr) mark_in_sync(row->second_box());
  }
}

void decode_scalar_rows(std::span<const ScalarSetting> table, const ReplyFrame& reply) {
  // Every value is read before anything is written, so a short frame changes nothing.
  write_scalar_rows(read_scalar_rows(table, reply));
}

void show_indexed_element(const IndexedSetting& row, int index, Long value, bool store) {
  if (index < 0 || static_cast<std::size_t>(index) >= row.array.size()) return;
  ui::ControlArray<ui::TextBox>& boxes = row.boxes();
  if (!boxes.contains(index)) return;
  if (store) row.array[static_cast<std::size_t>(index)] = value;
  boxes[index].set_text(shown_text(row.display, value));
  mark_in_sync(boxes[index]);
}

namespace {

std::vector<Long> read_block(const IndexedSetting& row, const ReplyFrame& reply) {
  std::vector<Long> values;
  values.reserve(row.array.size());
  for (std::size_t i = 0; i < row.array.size(); ++i) {
    const int position = row.first_position + static_cast<int>(i) * row.stride;
    values.push_back(read_field(reply, position, row.field));
  }
  return values;
}

void write_block(const IndexedSetting& row, const std::vector<Long>& values) {
  const int count = static_cast<int>(values.size());
  ui::ControlArray<ui::TextBox>& boxes = row.boxes();
  for (int i = 0; i < count; ++i) {
    const Long value = values[static_cast<std::size_t>(i)];
    row.array[static_cast<std::size_t>(i)] = value;
    if (!boxes.contains(i)) continue;
    boxes[i].set_text(shown_text(row.display, value));
    if (!row.mark_after_all) mark_in_sync(boxes[i]);
  }
  if (row.mark_after_all) {
    for (int i = 0; i < count && boxes.contains(i); ++i) mark_in_sync(boxes[i]);
  }
}

}  // namespace

bool decode_indexed_rows(std::span<const IndexedSetting> table, const ReplyFrame& reply) {
  const std::uint8_t type = reply.at(2);
  // A block may carry several arrays, one after the other; all of them are read first, so a
  // short frame changes nothing.
  std::vector<std::pair<const IndexedSetting*, std::vector<Long>>> blocks;
  for (const IndexedSetting& row : table) {
    if (row.block_code != 0 && row.block_code == type) {
      blocks.emplace_back(&row, read_block(row, reply));
    }
  }
  if (!blocks.empty()) {
    for (const auto& [row, values] : blocks) write_block(*row, values);
    return true;
  }
  for (const IndexedSetting& row : table) {
    if (row.echo_code != 0 && row.echo_code == type) {
      const Long index = read_field(reply, 3, FieldKind::byte);
      const Long value = read_field(reply, 4, row.field);
      show_indexed_element(row, static_cast<int>(index), value, row.echo_stores);
      return true;
    }
  }
  return false;
}

void show_bits(ui::ControlArray<ui::CheckBox>& boxes, int bit_count, Long value) {
  for (int bit = 0; bit < bit_count && boxes.contains(bit); ++bit) {
    boxes[bit].set_value((value >> bit) & 1 ? ui::CheckBox::checked : ui::CheckBox::unchecked);
  }
}

}  // namespace ecu
