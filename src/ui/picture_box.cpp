#include "ui/picture_box.hpp"

#include <fstream>
#include <utility>

#include "ui/text_file.hpp"

namespace ui {

namespace {
// Drawing that is never cleared must not grow without end.
constexpr std::size_t kMaxDrawOps = 200000;
// The longest signature looked for (PNG's).
constexpr std::size_t kSignatureBytes = 8;
// A branding picture is some hundred kilobytes; a larger file is no picture to show, and
// reading it would cost its size in memory before anything is shown.
constexpr std::streamoff kMaxPictureBytes = 64 * 1024 * 1024;

// Whether the bytes begin as a picture in one of the formats the front-end shows.
bool is_picture(const std::string& bytes) {
  const auto byte = [&](std::size_t i) {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0U;
  };
  const bool jpeg = byte(0) == 0xFF && byte(1) == 0xD8 && byte(2) == 0xFF;
  const bool png = bytes.size() >= 8 && byte(0) == 0x89 && bytes.compare(1, 3, "PNG") == 0;
  const bool bmp = bytes.compare(0, 2, "BM") == 0;
  const bool gif = bytes.compare(0, 4, "GIF8") == 0;
  return jpeg || png || bmp || gif;
}

}  // namespace

Picture Picture::read(const std::string& path) {
  // Regular files only: a pipe or a device of that name would never end.
  if (!file_exists(path)) return {};
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  // Look before reading: only a file whose first bytes show a picture and whose size is one
  // a picture has is read whole.
  std::string head(kSignatureBytes, '\0');
  file.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(file.gcount()));
  if (file.bad() || !is_picture(head)) return {};
  file.clear();
  const std::streamoff size = file.seekg(0, std::ios::end).tellg();
  if (size <= 0 || size > kMaxPictureBytes) return {};
  std::string bytes(static_cast<std::size_t>(size), '\0');
  // A file cut short since it was measured is unreadable; bytes added since are not read.
  if (!file.seekg(0).read(bytes.data(), size) || !is_picture(bytes)) return {};
  Picture picture;
  picture.path_ = path;
  picture.bytes_ = std::make_shared<const std::string>(std::move(bytes));
  return picture;
}

const std::string& Picture::bytes() const {
  static const std::string kNone;
  return bytes_ ? *bytes_ : kNone;
}

PictureBox::PictureBox(Form& form, std::string name, int index)
    : Control(form, ControlKind::picture_box, std::move(name), index) {}

bool PictureBox::load_picture(const std::string& path) {
  Picture picture = Picture::read(path);
  if (picture.empty()) return false;
  set_picture(std::move(picture));
  return true;
}

void PictureBox::set_picture(Picture picture) {
  if (picture == picture_) return;
  picture_ = std::move(picture);
  changed(Property::picture);
}

void PictureBox::clear_picture() {
  set_picture(Picture());
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
