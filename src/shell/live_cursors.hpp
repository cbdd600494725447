#pragma once
// The live displays the main poll writes into the view that is shown: running values, the
// operating-point cursors over the maps and tables, the dashboard gauges and mixture lamps.
// A cursor is moved only when its offset along the axis changed; offsets that cannot be
// computed (a zero full scale, a value that is not a number) leave the cursor where it is.

#include <array>
#include <optional>
#include <string>

#include "maps/frm_sup.hpp"
#include "model/basic_types.hpp"

namespace ecu {

// The bar positions of the additional mapping window, in the order they are moved.
enum class BarPosition { clt, mat, aux, rpm, map, map_ign, rpm_ign, baro, vbat };
inline constexpr int kBarPositions = 9;

// Offsets last drawn, kept for the whole run: a view that comes back does not redraw a
// cursor whose offset did not change.
struct LiveCursorMemory {
  Long load_offset = 0;
  Long rpm_offset = 0;
  std::array<Long, kBarPositions> bar_offsets{};
  Integer lit_lamp = 0;
  // One cursor pair per table page of the output window.
  std::array<Long, FrmSupForm::kPages> x_offsets{};
  std::array<Long, FrmSupForm::kPages> y_offsets{};
};
inline LiveCursorMemory live_cursor_memory;

// The display steps of the main poll's view step.
void basic_mapping_display();       // view 3, frm_3d
void additional_mapping_display();  // view 5, frm_2d
void dashboard_display();           // view 6, frm_dashboard
void output_driver_cursors();       // view 7, frm_sup

// ---- The arithmetic, on its own for the tests ----

// The ignition advance with "0.00" and its side: "A" below 0, "B" from 0 up (-2.50A, 6.25B).
std::string side_letter_text(float advance_degrees);

// An axis span: end minus beginning as a 16-bit integer.
std::optional<Integer> axis_span(double begin, double end);

// A marker's offset: `fraction` of `span`, as a 32-bit integer.
std::optional<Long> axis_offset(double fraction, Integer span);

// The rpm cursor of the basic mapping window: rpm / full scale of the span, kept within
// 0 and the span. Nothing when the full scale is 0.
std::optional<Long> rpm_cursor_offset(float rpm, float full_scale, Integer span);

// The lamp (0 to 16) that shows a measured lambda other than 0: richer mixtures light
// lamps further right.
std::optional<Integer> mixture_lamp_index(float lambda);

// The axis mode of output cursor 0 to 7: for an output (0 to 3) its selected mode option
// (11 when none is), for a boost table (4 to 7) 1 when it runs open-loop PWM, else 4.
int output_cursor_mode(int cursor);

struct CursorOffsets {
  std::optional<Long> x;
  std::optional<Long> y;
};
// Offsets of an output cursor in a mode from the live axis positions.
CursorOffsets output_cursor_offsets(int mode, Integer x_span, Integer y_span);

}  // namespace ecu
