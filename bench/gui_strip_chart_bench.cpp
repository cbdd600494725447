// Feeds the plotter's strip chart widget as the fastest logging interval would: 21
// channels at 1000 samples a second for ten seconds of simulated time, with the Qt event
// loop given a pass every simulated millisecond, and reports the cost per 21-channel sample.
// The repaint itself is timed apart, as the widget repaints at most ~30 times a second of
// wall time whatever the sample rate.

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <map>

#include "gui/rich/strip_chart_widget.hpp"
#include "gui/rich_widgets.hpp"
#include "ui/form.hpp"
#include "ui/strip_chart.hpp"

namespace {

constexpr int kSamplesPerSecond = 1000;
constexpr int kSeconds = 10;
constexpr int kSamples = kSamplesPerSecond * kSeconds;
constexpr int kTimedRepaints = 200;

class PlotterForm : public ui::Form {
 public:
  PlotterForm() : ui::Form("frm_plotter", "DATA PLOTTER", 12000, 6000) {
    Strip1.move(0, 0, 9000, 3600);  // 600 x 240 pixels, one pixel per visible sample
  }
  ui::StripChart Strip1{*this, "Strip1"};
};

// Routes change notices to the widget as the front-end does.
class Router : public ui::FormObserver {
 public:
  Router(ui::Control& control, QWidget* widget) : control_(control), widget_(widget) {}
  void form_loaded(ui::Form& /*form*/) override {}
  void form_unloaded(ui::Form& /*form*/) override {}
  void form_changed(ui::Form& /*form*/) override {}
  void form_shown(ui::Form& /*form*/) override {}
  void form_hidden(ui::Form& /*form*/) override {}
  void form_activated(ui::Form& /*form*/) override {}
  void control_changed(ui::Control& control, ui::Property what) override {
    if (&control == &control_) gui::refresh_rich_widget(widget_, control, what);
  }

 private:
  ui::Control& control_;
  QWidget* widget_;
};

float channel_value(int sample, int channel) {
  // Some channels run past the chart's 0 to 1 on purpose: they are drawn pinned.
  return 0.5F + 0.6F * static_cast<float>(std::sin(sample * 0.01 + channel * 0.3));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  PlotterForm form;
  QWidget window;
  window.resize(620, 260);
  QWidget* widget = gui::create_rich_widget(form.Strip1, &window);
  auto* chart = static_cast<gui::rich::StripChartWidget*>(widget);
  Router router(form.Strip1, widget);
  ui::forms().set_observer(&router);
  for (int channel = 0; channel < ui::StripChart::kChannels; ++channel) {
    form.Strip1.select_channel(channel);
    form.Strip1.set_channel_colour(ui::qb_color(9 + channel % 7));
  }
  window.show();
  QCoreApplication::processEvents();

  const int paints_before = chart->paint_count();
  QElapsedTimer clock;
  clock.start();
  for (int sample = 0; sample < kSamples; ++sample) {
    for (int channel = 0; channel < ui::StripChart::kChannels; ++channel) {
      form.Strip1.select_channel(channel);
      form.Strip1.add_point(channel_value(sample, channel));
    }
    QCoreApplication::processEvents();
  }
  const double feed_ns = static_cast<double>(clock.nsecsElapsed());
  const int paints_while_feeding = chart->paint_count() - paints_before;

  // A full chart (600 samples of 21 channels on screen) painted again and again.
  clock.restart();
  for (int i = 0; i < kTimedRepaints; ++i) widget->repaint();
  const double repaint_ns = static_cast<double>(clock.nsecsElapsed()) / kTimedRepaints;
  ui::forms().set_observer(nullptr);

  const double per_sample_us = feed_ns / kSamples / 1000;
  const double repaint_us = repaint_ns / 1000;
  // One second of logging at full rate: 1000 samples and at most 30 repaints.
  const double busy_share = (per_sample_us * kSamplesPerSecond + repaint_us * 30) / 1e6;
  std::printf("strip chart: %d samples x %d channels, event loop pass per sample\n", kSamples,
              ui::StripChart::kChannels);
  std::printf("  feeding: %.2f us per 21-channel sample (%.1f ms in all, %d repaints)\n",
              per_sample_us, feed_ns / 1e6, paints_while_feeding);
  std::printf("  repaint of a full chart: %.0f us\n", repaint_us);
  std::printf("  share of one second spent at 1000 samples/s with 30 repaints/s: %.1f %%\n",
              busy_share * 100);
  return 0;
}
