#pragma once
// A scrolling strip chart of 21 channels. Values run from 0 (bottom) to 1 (top); values
// outside are kept and drawn clipped. Each channel keeps its most recent samples.

#include <array>
#include <vector>

#include "ui/control.hpp"

namespace ui {

class StripChart : public Control {
 public:
  static constexpr int kChannels = 21;
  static constexpr int kHistory = 1024;  // more than the ~600 samples shown

  StripChart(Form& form, std::string name, int index = -1);

  // Later channel calls act on the selected channel; an index outside 0 to 20 selects none.
  void select_channel(int channel);
  [[nodiscard]] int selected_channel() const { return selected_; }
  void set_channel_colour(Colour colour);
  void set_channel_visible(bool visible);
  void add_point(float value);
  // A text written along the time axis at the current sample.
  void add_text_mark(std::string text);
  void clear();

  [[nodiscard]] Colour channel_colour(int channel) const;
  [[nodiscard]] bool channel_visible(int channel) const;
  // The samples of a channel, oldest first (at most kHistory).
  [[nodiscard]] std::vector<float> samples(int channel) const;
  // Samples added to the channel since the chart was cleared.
  [[nodiscard]] long long sample_count(int channel) const;

  struct TextMark {
    long long sample;  // the chart's sample count when the mark was written
    std::string text;
  };
  [[nodiscard]] const std::vector<TextMark>& text_marks() const { return marks_; }
  [[nodiscard]] long long total_samples() const;

  std::function<void()> on_click;
  void click() { raise(on_click); }

 private:
  struct Channel {
    Colour colour = colours::black;
    bool visible = true;
    std::array<float, kHistory> ring{};
    long long count = 0;
  };
  [[nodiscard]] const Channel* channel_at(int channel) const;

  std::array<Channel, kChannels> channels_{};
  int selected_ = 0;
  std::vector<TextMark> marks_;
};

}  // namespace ui
