#pragma once
// A picture box shows a loaded picture and keeps what code draws on it as a display list,
// so the drawing survives being covered or hidden. Drawing coordinates are in the box's
// own scale (scale_left/top/width/height), which the front-end maps onto its pixels.

#include <memory>
#include <string>
#include <vector>

#include "ui/control.hpp"

namespace ui {

// A picture as read from its file. The bytes are read once and shared by every box that
// shows them, so a box filled later shows what was read then, whatever the file holds now.
class Picture {
 public:
  Picture() = default;
  // Reads the file; an empty picture when it is missing, unreadable, larger than 64 MiB or
  // in none of the formats the front-end shows (told by its first bytes, before it is read).
  static Picture read(const std::string& path);

  [[nodiscard]] bool empty() const { return bytes_ == nullptr; }
  // The file it was read from; empty for an empty picture.
  [[nodiscard]] const std::string& path() const { return path_; }
  // The file's contents; empty for an empty picture.
  [[nodiscard]] const std::string& bytes() const;
  // The same reading of a file (not merely equal contents).
  [[nodiscard]] bool operator==(const Picture& other) const { return bytes_ == other.bytes_; }

 private:
  std::string path_;
  std::shared_ptr<const std::string> bytes_;
};

struct DrawOp {
  enum class Kind { line, circle, text, point };
  Kind kind = Kind::line;
  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // circle: centre in x1/y1, radius in x2
  Colour colour = colours::black;
  std::string text;
};

class PictureBox : public Control {
 public:
  PictureBox(Form& form, std::string name, int index = -1);

  // Loads a picture file; a missing or unreadable file changes nothing and returns false.
  bool load_picture(const std::string& path);
  // Shows a picture read before.
  void set_picture(Picture picture);
  void clear_picture();
  [[nodiscard]] const Picture& picture() const { return picture_; }
  [[nodiscard]] const std::string& picture_path() const { return picture_.path(); }

  // A sunken border round the box, as a terminal shows; none by default (plots, pictures).
  [[nodiscard]] bool bordered() const { return bordered_; }
  void set_bordered(bool value);

  // The user scale: the coordinates of the top-left corner and the extent.
  void set_scale(float left, float top, float width, float height);
  [[nodiscard]] float scale_left() const { return scale_left_; }
  [[nodiscard]] float scale_top() const { return scale_top_; }
  [[nodiscard]] float scale_width() const { return scale_width_; }
  [[nodiscard]] float scale_height() const { return scale_height_; }

  // Drawing: clear, lines, lines from the current point, circles, text at the current point.
  void cls();
  void line(float x1, float y1, float x2, float y2, Colour colour);
  void line_to(float x2, float y2, Colour colour);
  void circle(float x, float y, float radius, Colour colour);
  void print(std::string text);
  void point(float x, float y, Colour colour);
  [[nodiscard]] float current_x() const { return current_x_; }
  [[nodiscard]] float current_y() const { return current_y_; }
  void set_current_point(float x, float y);
  [[nodiscard]] const std::vector<DrawOp>& drawing() const { return drawing_; }

  std::function<void()> on_click;
  std::function<void(int button, int shift, float x, float y)> on_mouse_down;
  std::function<void(int button, int shift, float x, float y)> on_mouse_move;
  std::function<void(int button, int shift, float x, float y)> on_mouse_up;
  void click() { raise(on_click); }
  // User actions as a front-end or a test delivers them; x and y in the box's own scale.
  void mouse_down(int button, int shift, float x, float y) {
    raise_event(on_mouse_down, button, shift, x, y);
  }
  void mouse_move(int button, int shift, float x, float y) {
    raise_event(on_mouse_move, button, shift, x, y);
  }
  void mouse_up(int button, int shift, float x, float y) {
    raise_event(on_mouse_up, button, shift, x, y);
  }

 private:
  void add(DrawOp op);

  Picture picture_;
  bool bordered_ = false;
  float scale_left_ = 0, scale_top_ = 0, scale_width_ = 0, scale_height_ = 0;
  float current_x_ = 0, current_y_ = 0;
  std::vector<DrawOp> drawing_;
};

}  // namespace ui
