#include "ui/picture_box.hpp"

#include <array>
#include <fstream>

namespace ui {

namespace {
// Drawing that is never cleared must not grow without end.
constexpr std::size_t kMaxDrawOps = 200000;
}  // namespace

bool is_picture_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::array<unsigned char, 8> head{};
  file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  const auto got = file.gcount();
  const bool jpeg = got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
  const bool png =
      got >= 8 && head[0] == 0x89 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G';
  const bool bmp = got >= 2 && head[0] == 'B' && head[1] == 'M';
  const bool gif = got >= 4 && head[0] == 'G' && head[1] == 'I' && head[2] == 'F' && head[3] == '8';
  return jpeg || png || bmp || gif;
}

PictureBox::PictureBox(Form& form, std::string name, int index)
    : Control(form, ControlKind::picture_box, std::move(name), index) {}

bool PictureBox::load_picture(const std::string& path) {
  if (!is_picture_file(path)) return false;
  picture_path_ = path;
  changed(Property::picture);
  return true;
}

void PictureBox::clear_picture() {
  if (picture_path_.empty()) return;
  picture_path_.clear();
  changed(Property::picture);
}

void PictureBox::set_scale(float left, float top, float width, float height) {
  scale_left_ = left;
  scale_top_ = top;
  scale_width_ = width;
  scale_height_ = height;
  changed(Property::drawing);
}

void PictureBox::set_bordered(bool value) {
  if (value == bordered_) return;
  bordered_ = value;
  changed(Property::colours);
}

void PictureBox::cls() {
  drawing_.clear();
  current_x_ = scale_left_;
  current_y_ = scale_top_;
  changed(Property::drawing);
}

void PictureBox::add(DrawOp op) {
  if (drawing_.size() >= kMaxDrawOps) drawing_.erase(drawing_.begin());
  drawing_.push_back(std::move(op));
  changed(Property::drawing);
}

void PictureBox::line(float x1, float y1, float x2, float y2, Colour colour) {
  add({DrawOp::Kind::line, x1, y1, x2, y2, colour, {}});
  current_x_ = x2;
  current_y_ = y2;
}

void PictureBox::line_to(float x2, float y2, Colour colour) {
  line(current_x_, current_y_, x2, y2, colour);
}

void PictureBox::circle(float x, float y, float radius, Colour colour) {
  add({DrawOp::Kind::circle, x, y, radius, 0, colour, {}});
  current_x_ = x;
  current_y_ = y;
}

void PictureBox::print(std::string text) {
  add({DrawOp::Kind::text, current_x_, current_y_, 0, 0, fore_colour(), std::move(text)});
}

void PictureBox::point(float x, float y, Colour colour) {
  add({DrawOp::Kind::point, x, y, x, y, colour, {}});
  current_x_ = x;
  current_y_ = y;
}

void PictureBox::set_current_point(float x, float y) {
  current_x_ = x;
  current_y_ = y;
}

}  // namespace ui
