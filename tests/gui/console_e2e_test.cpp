// The real console on the offscreen platform: started as the program starts it, driven only
// through its Qt widgets, and checked on what its windows show.

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "config/frm_tool.hpp"
#include "gui/rich/gauge_widget.hpp"
#include "gui/rich/grid_widget.hpp"
#include "gui/rich/tab_control_widget.hpp"
#include "gui_test.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_about.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/live_cursors.hpp"
#include "shell/main_poll_loop.hpp"
#include "shell/startup.hpp"
#include "ui/random.hpp"
#include "views/frm_dashboard.hpp"
#include "views/frm_diagnostics.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"
#include "views/monitor_display.hpp"

namespace gui_test {
namespace {

// Long enough for several 50 ms poll ticks, short enough to keep the suite quick.
constexpr int kTicksMs = 300;

class ConsoleEndToEndTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    lay_down_start_up_files("ECU System Console\r\nDemo build\r\n");
  }

  void TearDown() override {
    GuiTest::TearDown();
    ecu::console_command_line.clear();
  }

  ecu::FrmEcuForm& start_demo() {
    ecu::start_console("demo");
    return ecu::FrmEcu();
  }

  // Lets Qt's loop, and with it the model's timers, run for a while.
  static void run_for(int milliseconds) { QTest::qWait(milliseconds); }

  // Saves a picture of the window for a person to look at, in one folder that each run
  // overwrites; the path is in the test report.
  QImage save_picture(QWidget& window, const std::string& name) {
    const QImage shot = window.grab().toImage();
    const std::filesystem::path folder =
        std::filesystem::path(::testing::TempDir()) / "ecu-console-screens";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::string path = (folder / ("console_" + name + ".png")).string();
    shot.save(QString::fromStdString(path));
    RecordProperty("screenshot_" + name, path);
    return shot;
  }

 private:
};

int distinct_colours(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
  }
  return static_cast<int>(colours.size());
}

QStringList menu_captions(QMainWindow& window) {
  QStringList captions;
  for (const QAction* action : window.menuBar()->actions()) {
    if (action->isVisible()) captions << action->text();
  }
  return captions;
}

struct ViewCase {
  const char* name;
  ui::MenuItem& (*menu_item)();
  ui::CommandButton& (*shortcut)();
  ui::Form& (*view)();
  ui::CommandButton& (*close_button)();
  ui::Label* (*demo_label)();  // nullptr: the window has none
  // Optional: the widget text or state that changes from tick to tick in demo mode.
  std::function<QString(gui::FormWindow&)> live_value;
};

QString label_text(gui::FormWindow& window, const ui::Control& label) {
  const auto* shown = dynamic_cast<const QLabel*>(window.widget_for(label));
  return shown ? shown->text() : QStringLiteral("<no label>");
}

const std::vector<ViewCase>& view_cases() {
  static const std::vector<ViewCase> cases{
      {"monitor", []() -> ui::MenuItem& { return ecu::FrmEcu().Menu_View_Monitor; },
       []() -> ui::CommandButton& { return ecu::FrmEcu().Command3d4; },
       []() -> ui::Form& { return ecu::frm_mon(); },
       []() -> ui::CommandButton& { return ecu::frm_mon().Command3d1; },
       []() -> ui::Label* { return &ecu::frm_mon().show_demo_mode; },
       [](gui::FormWindow& window) { return label_text(window, ecu::frm_mon().ECU_Data[0]); }},
      {"dashboard", []() -> ui::MenuItem& { return ecu::FrmEcu().menu_view_dashboard; },
       []() -> ui::CommandButton& { return ecu::FrmEcu().Command1; },
       []() -> ui::Form& { return ecu::frm_dashboard(); },
       []() -> ui::CommandButton& { return ecu::frm_dashboard().Command1; },
       []() -> ui::Label* { return &ecu::frm_dashboard().show_demo_mode; },
       [](gui::FormWindow& window) {
         const auto* gauge = dynamic_cast<gui::rich::GaugeWidget*>(
             window.widget_for(ecu::frm_dashboard().tachometer));
         return gauge ? QString::number(gauge->needle_fraction(), 'f', 6) : QString();
       }},
      {"configuration", []() -> ui::MenuItem& { return ecu::FrmEcu().Menu_View_Injection; },
       []() -> ui::CommandButton& { return ecu::FrmEcu().Command3d1; },
       []() -> ui::Form& { return ecu::frm_tool(); },
       []() -> ui::CommandButton& { return ecu::frm_tool().Command3d2; },
       []() -> ui::Label* { return &ecu::frm_tool().show_demo_mode; }, nullptr},
      {"basic_mapping", []() -> ui::MenuItem& { return ecu::FrmEcu().menu_View_Mapping; },
       []() -> ui::CommandButton& { return ecu::FrmEcu().Command3d2; },
       []() -> ui::Form& { return ecu::frm_3d(); },
       []() -> ui::CommandButton& { return ecu::frm_3d().Command3d1; },
       []() -> ui::Label* { return &ecu::frm_3d().show_demo_mode; },
       [](gui::FormWindow& window) {
         return label_text(window, ecu::frm_3d().control_lambda) +
                label_text(window, ecu::frm_3d().mapping_rpm[0]);
       }},
      {"additional_mapping", []() -> ui::MenuItem& { return ecu::FrmEcu().menu_view_temperature; },
       []() -> ui::CommandButton& { return ecu::FrmEcu().Command3d7; },
       []() -> ui::Form& { return ecu::frm_2d(); },
       []() -> ui::CommandButton& { return ecu::frm_2d().Command3d1; },
       []() -> ui::Label* { return &ecu::frm_2d().show_demo_mode; },
       [](gui::FormWindow& window) { return label_text(window, ecu::frm_2d().inj_pw); }},
      {"gpo_driver", []() -> ui::MenuItem& { return ecu::FrmEcu().menu_View_supp; },
       []() -> ui::CommandButton& { return ecu::FrmEcu().Command2; },
       []() -> ui::Form& { return ecu::frm_sup(); },
       []() -> ui::CommandButton& { return ecu::frm_sup().Command3d1; },
       []() -> ui::Label* { return &ecu::frm_sup().show_demo_mode; }, nullptr},
      {"plotter", []() -> ui::MenuItem& { return ecu::FrmEcu().menu_View_Plotter; },
       []() -> ui::CommandButton& { return ecu::FrmEcu().Command3d3; },
       []() -> ui::Form& { return ecu::frm_plotter(); },
       []() -> ui::CommandButton& { return ecu::frm_plotter().Command3d1; },
       []() -> ui::Label* { return &ecu::frm_plotter().show_demo_mode; },
       [](gui::FormWindow& window) {
         // The chart scrolls with every sample: its picture is the live value.
         QWidget* chart = window.widget_for(ecu::frm_plotter().Strip1);
         if (!chart) return QString();
         const QImage image = chart->grab().toImage();
         return QString::number(qHashBits(image.constBits(), image.sizeInBytes()));
       }},
      {"diagnostics", []() -> ui::MenuItem& { return ecu::FrmEcu().menu_view_diagnostic; },
       []() -> ui::CommandButton& { return ecu::FrmEcu().Command3; },
       []() -> ui::Form& { return ecu::frm_diagnostics(); },
       []() -> ui::CommandButton& { return ecu::frm_diagnostics().Command3d2; }, nullptr, nullptr},
  };
  return cases;
}

// What a person looking at the window would call broken: a control outside the area it
// sits in, two controls on top of one another, a caption that does not fit, a grid that
// cuts off its cells. Markers (shapes and lines) are meant to lie over other controls.
QStringList layout_faults(gui::FormWindow& window, const ui::Form& form) {
  QStringList faults;
  struct Placed {
    const ui::Control* control;
    QWidget* widget;
  };
  std::vector<Placed> placed;
  const auto name_of = [](const ui::Control& control) {
    return QString::fromStdString(control.index() < 0 ? control.name()
                                                      : control.name() + "(" +
                                                            std::to_string(control.index()) + ")");
  };
  for (const ui::Control* control : form.controls()) {
    QWidget* widget = window.widget_for(*control);
    if (!widget || !widget->isVisibleTo(&window)) continue;
    const ui::ControlKind kind = control->kind();
    if (kind == ui::ControlKind::shape || kind == ui::ControlKind::line) continue;
    const QString name = name_of(*control);
    const QWidget* parent = widget->parentWidget();
    if (parent && !QRect(QPoint(0, 0), parent->size()).contains(widget->geometry())) {
      const QRect place = widget->geometry();
      faults << name + QStringLiteral(" lies outside its container (%1,%2 %3x%4 in %5x%6)")
                           .arg(place.x())
                           .arg(place.y())
                           .arg(place.width())
                           .arg(place.height())
                           .arg(parent->width())
                           .arg(parent->height());
    }
    // Controls on the window's own area keep a margin from its right edge.
    constexpr int kMarginPixels = 4;
    if (parent == window.canvas() &&
        widget->geometry().right() >= parent->width() - kMarginPixels) {
      faults << name + QStringLiteral(" touches the window's right edge");
    }
    placed.push_back({control, widget});

    const QFontMetrics metrics(widget->font());
    if (const auto* label = dynamic_cast<const QLabel*>(widget);
        label && !label->text().isEmpty()) {
      const bool fits = label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                          : label->sizeHint().width() <= label->width();
      if (!fits) faults << name + " cuts its caption \"" + label->text() + "\"";
    } else if (const auto* box = dynamic_cast<const QCheckBox*>(widget);
               box && !box->text().isEmpty() && box->sizeHint().width() > box->width()) {
      faults << name + " cuts its caption \"" + box->text() + "\"";
    } else if (const auto* option = dynamic_cast<const QRadioButton*>(widget);
               option && !option->text().isEmpty() &&
               option->sizeHint().width() > option->width()) {
      faults << name + " cuts its caption \"" + option->text() + "\"";
    } else if (const auto* button = dynamic_cast<const QPushButton*>(widget);
               button && metrics.horizontalAdvance(button->text()) + 6 > button->width()) {
      faults << name + " cuts its caption \"" + button->text() + "\"";
    } else if (const auto* frame = dynamic_cast<const QGroupBox*>(widget);
               frame && metrics.horizontalAdvance(frame->title()) + 12 > frame->width()) {
      faults << name + " cuts its title \"" + frame->title() + "\"";
    } else if (const auto* grid = dynamic_cast<const gui::rich::GridWidget*>(widget)) {
      QRect cells;
      for (int row = 0; row < grid->grid().rows(); ++row) {
        for (int col = 0; col < grid->grid().cols(); ++col) cells |= grid->cell_rect(row, col);
      }
      if (!grid->rect().contains(cells)) faults << name + " cuts off some of its cells";
      if (grid->height() - cells.bottom() > 20 || grid->width() - cells.right() > 40) {
        faults << name + " leaves an empty band beside its cells";
      }
    } else if (const auto* tabs = dynamic_cast<const gui::rich::TabControlWidget*>(widget)) {
      const auto& model = static_cast<const ui::TabControl&>(*control);
      QFont bold = widget->font();
      bold.setBold(true);
      for (int tab = 0; tab < model.tab_count(); ++tab) {
        const QString caption = QString::fromStdString(model.tab_caption(tab));
        if (QFontMetrics(bold).horizontalAdvance(caption) + 4 > tabs->tab_rect(tab).width()) {
          faults << name + " cuts its tab caption \"" + caption + "\"";
        }
      }
    }
  }
  for (std::size_t i = 0; i < placed.size(); ++i) {
    for (std::size_t j = i + 1; j < placed.size(); ++j) {
      if (placed[i].widget->parentWidget() != placed[j].widget->parentWidget()) continue;
      const QRect overlap = placed[i].widget->geometry() & placed[j].widget->geometry();
      if (overlap.width() > 1 && overlap.height() > 1) {
        faults << name_of(*placed[i].control) + " overlaps " + name_of(*placed[j].control);
      }
    }
  }
  return faults;
}

// The faults of every page of a window: each tab of each tab control is shown in turn, and
// `page_shown` sees each page.
QStringList layout_faults_on_every_page(gui::FormWindow& window, const ui::Form& form,
                                        const std::function<void(int page)>& page_shown) {
  QStringList faults = layout_faults(window, form);
  for (ui::Control* control : form.controls()) {
    if (control->kind() != ui::ControlKind::tab_control) continue;
    auto& tabs = static_cast<ui::TabControl&>(*control);
    const int shown = tabs.current_tab();
    page_shown(shown);
    for (int tab = 0; tab < tabs.tab_count(); ++tab) {
      if (tab == shown) continue;
      tabs.set_current_tab(tab);
      page_shown(tab);
      for (const QString& fault : layout_faults(window, form)) {
        const QString on_page = fault + " (page " + QString::number(tab) + ")";
        if (!faults.contains(fault)) faults << on_page;
      }
    }
    tabs.set_current_tab(shown);
  }
  return faults;
}

TEST_F(ConsoleEndToEndTest, StartsWithMainWindowTitledAndMenusCaptionedAsDesigned) {
  ecu::FrmEcuForm& main_form = start_demo();
  process_qt_events();

  ASSERT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_EQ(presenter().shown_messages[0].text,
            "Demo Mode has been selected, Communicatons will not be performed.");
  gui::FormWindow& window = window_of(main_form);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.isWindow());
  EXPECT_EQ(window.windowTitle(), "ECU System Console");
  EXPECT_EQ(menu_captions(window),
            QStringList({"&File", "&Units", "&View", "&Comm", "&Tool", "&About"}));

  const QImage shot = save_picture(window, "main");
  EXPECT_EQ(shot.size(), window.size());
  EXPECT_GT(distinct_colours(shot), 16);
  // The branding picture is drawn, not an empty box.
  QWidget* picture = window.widget_for(main_form.Picture1);
  ASSERT_NE(picture, nullptr);
  EXPECT_GT(distinct_colours(picture->grab().toImage()), 4);
  EXPECT_FALSE(program_ended());
}

// The accessible objects below `root`, as an assistive tool walks them.
void collect_accessible(QAccessibleInterface* root, std::vector<QAccessibleInterface*>& found) {
  if (root == nullptr) return;
  found.push_back(root);
  for (int i = 0; i < root->childCount(); ++i) collect_accessible(root->child(i), found);
}

TEST_F(ConsoleEndToEndTest, ShortcutButtonsShowIconsAndAreFoundByNameFromOutside) {
  ecu::FrmEcuForm& main_form = start_demo();
  process_qt_events();
  gui::FormWindow& window = window_of(main_form);
  std::vector<QAccessibleInterface*> accessible;
  collect_accessible(QAccessible::queryAccessibleInterface(&window), accessible);

  const std::pair<ui::CommandButton*, const char*> buttons[] = {
      {&main_form.Command3d4, "Command3d4"}, {&main_form.Command1, "Command1"},
      {&main_form.Command3d1, "Command3d1"}, {&main_form.Command3d2, "Command3d2"},
      {&main_form.Command3d7, "Command3d7"}, {&main_form.Command2, "Command2"},
      {&main_form.Command3d3, "Command3d3"}, {&main_form.Command3, "Command3"},
      {&main_form.Command3d6, "Command3d6"}, {&main_form.Command3d5, "Command3d5"}};
  for (const auto& [button, model_name] : buttons) {
    SCOPED_TRACE(model_name);
    auto* shown = dynamic_cast<QAbstractButton*>(window.widget_for(*button));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->toolTip().toStdString(), button->tool_tip());
    // A real picture of the icon theme, drawn large enough to read beside any caption.
    EXPECT_FALSE(shown->icon().isNull());
    EXPECT_GE(shown->iconSize().width(), button->caption().empty() ? 40 : 16);
    EXPECT_GT(distinct_colours(shown->icon().pixmap(shown->iconSize()).toImage()), 8);
    const QString name = button->caption().empty() ? QString::fromStdString(button->tool_tip())
                                                   : QString::fromStdString(button->caption());
    const auto found = std::find_if(accessible.begin(), accessible.end(), [&](auto* item) {
      return item->text(QAccessible::Name) == name &&
             item->text(QAccessible::Description) == QLatin1String(model_name);
    });
    ASSERT_NE(found, accessible.end());
    EXPECT_EQ((*found)->role(), QAccessible::Button);
  }
  auto* shown_data = window.widget_for(main_form.Picture1);
  ASSERT_NE(shown_data, nullptr);
  EXPECT_EQ(shown_data->accessibleName(), "Contact us for technical support");
  EXPECT_EQ(shown_data->accessibleDescription(), "Picture1");
}

TEST_F(ConsoleEndToEndTest, EveryViewOpensShowsLiveDemoValuesAndClosesBackToMainWindow) {
  ecu::FrmEcuForm& main_form = start_demo();
  process_qt_events();
  gui::FormWindow& main_window = window_of(main_form);

  for (const ViewCase& view_case : view_cases()) {
    for (const bool through_menu : {true, false}) {
      SCOPED_TRACE(std::string(view_case.name) + (through_menu ? " from the menu" : " by button"));
      ASSERT_TRUE(main_window.isVisible());
      if (through_menu) {
        QAction* action = main_window.action_for(view_case.menu_item());
        ASSERT_NE(action, nullptr);
        action->trigger();
      } else {
        auto* button = dynamic_cast<QAbstractButton*>(main_window.widget_for(view_case.shortcut()));
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
      }
      ui::Form& view = view_case.view();
      const std::string view_name = view.name();
      gui::FormWindow& view_window = window_of(view);
      ASSERT_TRUE(wait_until([&] { return view_window.isVisible(); }));
      EXPECT_TRUE(view_window.isWindow());
      EXPECT_FALSE(main_window.isVisible());

      // The plotter samples once a second unless its Logging Interval says otherwise.
      if (view_name == "frm_plotter") {
        QAction* fast = view_window.action_for(ecu::frm_plotter().menu_log_int[1]);
        ASSERT_NE(fast, nullptr);
        fast->trigger();
      }
      run_for(kTicksMs);
      if (view_case.demo_label) {
        QWidget* label = view_window.widget_for(*view_case.demo_label());
        ASSERT_NE(label, nullptr);
        EXPECT_TRUE(label->isVisible());
      }
      if (view_case.live_value) {
        const QString before = view_case.live_value(view_window);
        ASSERT_TRUE(wait_until([&] { return view_case.live_value(view_window) != before; }))
            << "still " << before.toStdString();
      }
      const QImage shot = save_picture(view_window, view_case.name);
      EXPECT_GT(distinct_colours(shot), 8);

      if (through_menu) {
        auto* close =
            dynamic_cast<QAbstractButton*>(view_window.widget_for(view_case.close_button()));
        ASSERT_NE(close, nullptr);
        EXPECT_FALSE(close->icon().isNull()) << "the exit button shows its picture";
        QTest::mouseClick(close, Qt::LeftButton);
      } else {
        // The window frame's close box.
        view_window.close();
      }
      ASSERT_TRUE(wait_until([&] { return main_window.isVisible(); }));
      EXPECT_EQ(ecu::current_view, 0);
      // Closed through the frame, the view is unloaded; through its button, only hidden.
      const ui::Form* left_behind = ui::forms().find(view_name);
      EXPECT_TRUE(left_behind == nullptr || !left_behind->visible());
    }
  }
  EXPECT_FALSE(program_ended());
}

TEST_F(ConsoleEndToEndTest, EveryWindowKeepsItsControlsInsideApartAndReadable) {
  ecu::FrmEcuForm& main_form = start_demo();
  process_qt_events();
  gui::FormWindow& main_window = window_of(main_form);
  EXPECT_EQ(layout_faults(main_window, main_form).join("\n").toStdString(), "");

  for (const ViewCase& view_case : view_cases()) {
    SCOPED_TRACE(view_case.name);
    main_window.action_for(view_case.menu_item())->trigger();
    ui::Form& view = view_case.view();
    gui::FormWindow& view_window = window_of(view);
    ASSERT_TRUE(wait_until([&] { return view_window.isVisible(); }));
    run_for(100);
    const auto save_page = [&](int page) {
      save_picture(view_window, std::string(view_case.name) + "_page" + std::to_string(page));
    };
    EXPECT_EQ(layout_faults_on_every_page(view_window, view, save_page).join("\n").toStdString(),
              "");
    QTest::mouseClick(
        dynamic_cast<QAbstractButton*>(view_window.widget_for(view_case.close_button())),
        Qt::LeftButton);
    ASSERT_TRUE(wait_until([&] { return main_window.isVisible(); }));
  }

  main_window.action_for(main_form.menu_about)->trigger();
  gui::FormWindow& about = window_of(ecu::frm_about());
  ASSERT_TRUE(wait_until([&] { return about.isVisible(); }));
  EXPECT_EQ(layout_faults(about, ecu::frm_about()).join("\n").toStdString(), "");
}

TEST_F(ConsoleEndToEndTest, MonitorUnitTheProgramRewritesStandsAfterTheLambdaValue) {
  ecu::FrmMonForm& monitor = ecu::frm_mon();
  monitor.show();
  process_qt_events();
  gui::FormWindow& window = window_of(monitor);
  const QWidget* value = window.widget_for(monitor.ECU_Data[1]);
  const QWidget* unit = window.widget_for(monitor.Label1[ecu::FrmMonForm::kAfrUnitLabel]);
  ASSERT_NE(value, nullptr);
  ASSERT_NE(unit, nullptr);
  EXPECT_TRUE(unit->isVisible());
  EXPECT_EQ(unit->y(), value->y());
  EXPECT_GT(unit->x(), value->x() + value->width() - 1);
  EXPECT_EQ(label_text(window, monitor.Label1[ecu::FrmMonForm::kAfrUnitLabel]), "Lambda");
}

TEST_F(ConsoleEndToEndTest, AboutWindowOpensOverMainWindowAndCloses) {
  ecu::FrmEcuForm& main_form = start_demo();
  process_qt_events();
  gui::FormWindow& main_window = window_of(main_form);

  QTest::mouseClick(dynamic_cast<QAbstractButton*>(main_window.widget_for(main_form.Command3d6)),
                    Qt::LeftButton);
  gui::FormWindow& about = window_of(ecu::frm_about());
  ASSERT_TRUE(wait_until([&] { return about.isVisible(); }));
  run_for(kTicksMs);
  EXPECT_TRUE(main_window.isVisible());
  EXPECT_EQ(label_text(about, ecu::frm_about().FW_Rev), "DEMO MODE");
  EXPECT_EQ(label_text(about, ecu::frm_about().ECU_Rev), "V1.02.00 02/12/10");
  EXPECT_TRUE(label_text(about, ecu::frm_about().oemtext).contains("Demo build"));
  save_picture(about, "about");

  QTest::mouseClick(dynamic_cast<QAbstractButton*>(about.widget_for(ecu::frm_about().Command3d1)),
                    Qt::LeftButton);
  EXPECT_TRUE(wait_until([&] { return !about.isVisible(); }));
  EXPECT_TRUE(main_window.isVisible());

  // Closed with Escape, which discards it, and opened again: as start-up left it, picture
  // included, though the branding files are gone by now.
  QTest::mouseClick(dynamic_cast<QAbstractButton*>(main_window.widget_for(main_form.Command3d6)),
                    Qt::LeftButton);
  ASSERT_TRUE(wait_until([&] { return about.isActiveWindow(); }));
  QTest::keyClick(about.windowHandle(), Qt::Key_Escape);
  ASSERT_TRUE(wait_until([] { return !ecu::frm_about.loaded(); }));
  std::filesystem::remove("OEM.JPG");
  std::filesystem::remove("OEM.TXT");
  QTest::mouseClick(dynamic_cast<QAbstractButton*>(main_window.widget_for(main_form.Command3d6)),
                    Qt::LeftButton);
  gui::FormWindow& again = window_of(ecu::frm_about());
  ASSERT_TRUE(wait_until([&] { return again.isVisible(); }));
  EXPECT_EQ(label_text(again, ecu::frm_about().ECU_Rev), "V1.02.00 02/12/10");
  EXPECT_TRUE(label_text(again, ecu::frm_about().oemtext).contains("Demo build"));
  QWidget* picture = again.widget_for(ecu::frm_about().Picture1);
  EXPECT_GT(distinct_colours(picture->grab().toImage()), 2) << "the picture shows";
}

TEST_F(ConsoleEndToEndTest, ExitButtonAsksFirstAndEndsOnlyOnYes) {
  ecu::FrmEcuForm& main_form = start_demo();
  process_qt_events();
  gui::FormWindow& main_window = window_of(main_form);
  auto* exit_button = dynamic_cast<QAbstractButton*>(main_window.widget_for(main_form.Command3d5));
  ASSERT_NE(exit_button, nullptr);

  // Unanswered, the question takes its default button: No.
  QTest::mouseClick(exit_button, Qt::LeftButton);
  process_qt_events();
  EXPECT_EQ(presenter().shown_messages.back().text, "Are you sure you want to quit?");
  EXPECT_FALSE(program_ended());
  EXPECT_TRUE(main_window.isVisible());

  presenter().answer_next(ui::MsgResult::yes);
  QTest::mouseClick(exit_button, Qt::LeftButton);
  process_qt_events();
  // The ending is recorded by the fixture instead of leaving the test run.
  EXPECT_TRUE(program_ended());
}

}  // namespace
}  // namespace gui_test
