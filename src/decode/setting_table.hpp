#pragma once
// The building blocks of the setting decoders. A setting is one row of plain data: where its
// value sits in the reply, how wide it is, where the raw value is kept, how it is scaled and
// formatted, and which editor controls show it. One walker per row shape stores, shows and
// marks. Every case writes its values first and its in-sync marks last, because writing a
// value runs the editor's own change or click handler, which marks the control changed.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/receive_framer.hpp"
#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace ecu {

// How a value is laid out in the reply; multi-byte values are low byte first.
enum class FieldKind { byte, word, signed_byte, signed_word };

// The value of `kind` at reply byte `position`. Reads only bytes that arrived: a missing
// byte ends the case (the receive framer traps it) before anything is written.
Long read_field(const ReplyFrame& reply, int position, FieldKind kind);

// How the shown value becomes the text of its field.
enum class TextForm {
  mask,          // double under the row's format mask
  single_mask,   // the value held in single precision, then the mask
  sign_integer,  // whole number with a sign position: " 258"
  plain_integer  // whole number as plain decimal text: "-5", "95"
};

struct Display {
  double (*scale)(Long value);  // nullptr: the value itself
  TextForm form;
  const char* mask;  // only for the two mask forms
};

std::string shown_text(const Display& display, Long value);

// A control of a window's default instance. Reaching it creates the window hidden on first
// touch, as every window of the console does.
template <auto* instance, auto member>
auto& control() {
  return ((*instance)()).*member;
}

using TextBoxRef = ui::TextBox& (*)();
using TextBoxArrayRef = ui::ControlArray<ui::TextBox>& (*)();
using CheckBoxArrayRef = ui::ControlArray<ui::CheckBox>& (*)();

// Text fields are in sync when white, changed and not yet written when yellow.
void mark_in_sync(ui::TextBox& box);
// Check boxes and option buttons carry their mark in the text colour.
void mark_in_sync(ui::Control& choice);

// One scalar setting carried by a reply. Several rows may share a code: a block reply is
// the rows of its code, taken in table order.
struct ScalarSetting {
  std::uint8_t code;         // reply type
  std::uint8_t paired_code;  // the other code decoded alike (read and write echo), or 0
  int position;              // reply byte of the value
  FieldKind field;
  Long* variable;             // home of the value; nullptr when the reply stores none
  Long (*limit)(Long value);  // applied before storing and showing; nullptr none
  void (*also)(Long value);   // further variables the value sets; nullptr none
  Display display;
  TextBoxRef box;         // the field that shows the value
  TextBoxRef second_box;  // another window showing it too, or nullptr
};

[[nodiscard]] bool row_decodes(const ScalarSetting& row, std::uint8_t type);

// The rows a reply selects with their values, read but not yet written.
struct ScalarValue {
  const ScalarSetting* row;
  Long value;  // limited when the row limits
};
using ScalarValues = std::vector<ScalarValue>;

// Reads every row of `table` that the reply's type selects; writes nothing, so a case that
// also decodes fields of its own can read them all before it writes any.
ScalarValues read_scalar_rows(std::span<const ScalarSetting> table, const ReplyFrame& reply);
// Stores and shows the values in row order, then marks their fields white.
void write_scalar_rows(const ScalarValues& values);
// Both of the above.
void decode_scalar_rows(std::span<const ScalarSetting> table, const ReplyFrame& reply);

// A setting kept per element: a block read fills the whole array, an echo one element.
struct IndexedSetting {
  std::uint8_t block_code;  // read of every element, or 0
  std::uint8_t echo_code;   // echo of one element (index at byte 3, value at byte 4), or 0
  int first_position;       // block reply byte of element 0
  int stride;               // block bytes from one element to the next
  FieldKind field;
  std::span<Long> array;  // the shared array; its size bounds every index
  bool echo_stores;       // whether the echo updates the array too
  Display display;
  TextBoxArrayRef boxes;
  bool mark_after_all;  // the block marks its boxes only after the last text
};

// Shows one element (and stores it first when asked): text, then the white mark.
void show_indexed_element(const IndexedSetting& row, int index, Long value, bool store);

// Decodes the block or echo of the row that owns the reply's type; returns false when no
// row owns it. A block read by several rows is read whole before any row is written. An
// echo whose index names no element is taken and otherwise ignored.
bool decode_indexed_rows(std::span<const IndexedSetting> table, const ReplyFrame& reply);

// A row of check boxes standing for the bits of one value: element b shows bit b.
void show_bits(ui::ControlArray<ui::CheckBox>& boxes, int bit_count, Long value);

}  // namespace ecu
