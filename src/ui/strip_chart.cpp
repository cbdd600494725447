#include "ui/strip_chart.hpp"

#include <algorithm>

namespace ui {

namespace {
constexpr std::size_t kMaxMarks = 256;
}  // namespace

StripChart::StripChart(Form& form, std::string name, int index)
    : Control(form, ControlKind::strip_chart, std::move(name), index) {
  set_back_colour(colours::black);
}

const StripChart::Channel* StripChart::channel_at(int channel) const {
  if (channel < 0 || channel >= kChannels) return nullptr;
  return &channels_[static_cast<std::size_t>(channel)];
}

void StripChart::select_channel(int channel) {
  selected_ = channel;
}

void StripChart::set_channel_colour(Colour colour) {
  if (channel_at(selected_) == nullptr) return;
  auto& channel = channels_[static_cast<std::size_t>(selected_)];
  if (channel.colour == colour) return;
  channel.colour = colour;
  changed(Property::colours);
}

void StripChart::set_channel_visible(bool visible) {
  if (channel_at(selected_) == nullptr) return;
  auto& channel = channels_[static_cast<std::size_t>(selected_)];
  if (channel.visible == visible) return;
  channel.visible = visible;
  changed(Property::visibility);
}

void StripChart::add_point(float value) {
  if (channel_at(selected_) == nullptr) return;
  auto& channel = channels_[static_cast<std::size_t>(selected_)];
  channel.ring[static_cast<std::size_t>(channel.count % kHistory)] = value;
  ++channel.count;
  changed(Property::points);
}

void StripChart::add_text_mark(std::string text) {
  if (marks_.size() >= kMaxMarks) marks_.erase(marks_.begin());
  marks_.push_back({total_samples(), std::move(text)});
  changed(Property::points);
}

void StripChart::clear() {
  for (auto& channel : channels_) channel.count = 0;
  marks_.clear();
  changed(Property::points);
}

Colour StripChart::channel_colour(int channel) const {
  const Channel* found = channel_at(channel);
  return found ? found->colour : colours::black;
}

bool StripChart::channel_visible(int channel) const {
  const Channel* found = channel_at(channel);
  return found != nullptr && found->visible;
}

std::vector<float> StripChart::samples(int channel) const {
  const Channel* found = channel_at(channel);
  if (found == nullptr) return {};
  const long long kept = std::min<long long>(found->count, kHistory);
  std::vector<float> result;
  result.reserve(static_cast<std::size_t>(kept));
  for (long long i = found->count - kept; i < found->count; ++i) {
    result.push_back(found->ring[static_cast<std::size_t>(i % kHistory)]);
  }
  return result;
}

long long StripChart::sample_count(int channel) const {
  const Channel* found = channel_at(channel);
  return found ? found->count : 0;
}

long long StripChart::total_samples() const {
  long long most = 0;
  for (const auto& channel : channels_) most = std::max(most, channel.count);
  return most;
}

}  // namespace ui
