#include "gui/form_window.hpp"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>

#include "gui/convert.hpp"
#include "gui/front_end.hpp"
#include "gui/option_button_accessible.hpp"
#include "gui/rich/rich_support.hpp"
#include "gui/rich_widgets.hpp"

namespace gui {

namespace {

// Room left between a button's icon and its border, on both sides together.
constexpr int kIconMarginPixels = 10;

// The windows were laid out for an 8 point dialog font of about 11 pixels.
constexpr int kFontPixels = 11;

bool all_or(ui::Property what, ui::Property wanted) {
  return what == ui::Property::everything || what == wanted;
}

// Controls the desktop draws on their container rather than as windows of their own: they
// always lie beneath the windowed controls.
bool is_graphical(ui::ControlKind kind) {
  return kind == ui::ControlKind::label || kind == ui::ControlKind::shape ||
         kind == ui::ControlKind::line;
}

// Kinds the rich widgets are asked for first.
bool is_rich_kind(ui::ControlKind kind) {
  switch (kind) {
    case ui::ControlKind::picture_box:
    case ui::ControlKind::tab_control:
    case ui::ControlKind::scroll_bar:
    case ui::ControlKind::grid:
    case ui::ControlKind::gauge:
    case ui::ControlKind::strip_chart:
      return true;
    default:
      return false;
  }
}

Qt::Alignment label_alignment(ui::Label::Align align) {
  switch (align) {
    case ui::Label::Align::right:
      return Qt::AlignRight | Qt::AlignTop;
    case ui::Label::Align::centre:
      return Qt::AlignHCenter | Qt::AlignTop;
    case ui::Label::Align::left:
      break;
  }
  return Qt::AlignLeft | Qt::AlignTop;
}

Qt::CheckState check_state(int value) {
  if (value == ui::CheckBox::checked) return Qt::Checked;
  if (value == ui::CheckBox::grayed) return Qt::PartiallyChecked;
  return Qt::Unchecked;
}

// The designed colours hold while the control is enabled (the window active or not). A
// disabled control keeps its background and writes in the desktop's greyed text, so the
// enable rules can be seen.
void set_designed_colours(QPalette& palette, QPalette::ColorRole back_role, const QColor& back,
                          QPalette::ColorRole text_role, const QColor& text) {
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, back_role, back);
    palette.setColor(group, text_role, text);
  }
  palette.setColor(QPalette::Disabled, back_role, back);
  palette.setColor(QPalette::Disabled, text_role,
                   QApplication::palette().color(QPalette::Disabled, text_role));
}

int mouse_button_code(Qt::MouseButtons buttons) {
  int code = 0;
  if (buttons.testFlag(Qt::LeftButton)) code |= 1;
  if (buttons.testFlag(Qt::RightButton)) code |= 2;
  if (buttons.testFlag(Qt::MiddleButton)) code |= 4;
  return code;
}

}  // namespace

FormWindow::FormWindow(ui::Form& form, FrontEnd& front_end) : form_(&form), front_end_(front_end) {
  setObjectName(QString::fromStdString(form.name()));
  QFont dialog_font = font();
  dialog_font.setPixelSize(kFontPixels);
  setFont(dialog_font);
  canvas_ = new QWidget(this);
  canvas_->setObjectName(QStringLiteral("canvas"));
  canvas_->setAutoFillBackground(true);
  setCentralWidget(canvas_);
  // The window follows the canvas, whose size the form sets.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  build();
  form_changed();
}

FormWindow::~FormWindow() = default;

void FormWindow::detach() {
  if (!form_) return;
  ModelUpdate update(*this);
  form_ = nullptr;
  bindings_.clear();
  order_.clear();
  actions_.clear();
  hide();
}

void FormWindow::build() {
  ModelUpdate update(*this);
  for (ui::Control* control : form_->controls()) add_binding(*control);
  for (ui::Control* control : order_) refresh(bindings_.at(control), ui::Property::everything);
  stack_graphical_controls_below();
  build_menus();
}

FormWindow::Binding* FormWindow::add_binding(ui::Control& control) {
  if (control.kind() == ui::ControlKind::menu_item || control.kind() == ui::ControlKind::timer) {
    return nullptr;
  }
  bool rich = false;
  QWidget* widget = create_widget(control, rich);
  if (!widget) return nullptr;
  // Rich widgets name themselves.
  if (!rich) {
    widget->setObjectName(QString::fromStdString(
        control.index() < 0 ? control.name()
                            : control.name() + "(" + std::to_string(control.index()) + ")"));
  }
  auto& binding = bindings_[&control];
  binding = Binding{&control, control.kind(), widget, rich};
  order_.push_back(&control);
  if (!rich) connect_user_input(control, widget);
  return &binding;
}

FormWindow::Binding* FormWindow::binding_for(const ui::Control& control) {
  auto found = bindings_.find(&control);
  if (found == bindings_.end() || found->second.kind != control.kind()) return nullptr;
  return &found->second;
}

QWidget* FormWindow::create_widget(ui::Control& control, bool& rich) {
  rich = false;
  if (is_rich_kind(control.kind())) {
    if (QWidget* widget = create_rich_widget(control, canvas_)) {
      rich = true;
      return widget;
    }
  }
  switch (control.kind()) {
    case ui::ControlKind::label: {
      auto* label = new ClickLabel(canvas_);
      label->setTextFormat(Qt::PlainText);
      // Captions wrap within the label's width, as on the desktop.
      label->setWordWrap(true);
      return label;
    }
    case ui::ControlKind::text_box: {
      const auto& box = static_cast<const ui::TextBox&>(control);
      if (box.multi_line()) return new MultiLineTextBox(canvas_);
      return new LineTextBox(canvas_);
    }
    case ui::ControlKind::check_box:
      return new CheckBoxWidget(canvas_);
    case ui::ControlKind::option_button: {
      install_option_button_accessibility();
      auto* option = new OptionButtonWidget(canvas_);
      // The model groups option buttons by container and clears the others itself; the
      // accessibility factory still reports them as radio buttons.
      option->setAutoExclusive(false);
      return option;
    }
    case ui::ControlKind::command_button: {
      auto* button = new CommandButtonWidget(canvas_);
      // Enter presses the form's default button only, whatever button has the focus.
      button->setAutoDefault(false);
      return button;
    }
    case ui::ControlKind::frame:
      return new FrameWidget(canvas_);
    case ui::ControlKind::shape:
      return new ShapeWidget(canvas_);
    case ui::ControlKind::line:
      return new LineWidget(canvas_);
    case ui::ControlKind::picture_box:
      return new PictureWidget(canvas_);
    case ui::ControlKind::tab_control:
    case ui::ControlKind::scroll_bar:
    case ui::ControlKind::grid:
    case ui::ControlKind::gauge:
    case ui::ControlKind::strip_chart: {
      // No rich widget for it: an empty framed area keeps the layout and holds children.
      auto* placeholder = new QFrame(canvas_);
      placeholder->setFrameShape(QFrame::StyledPanel);
      return placeholder;
    }
    case ui::ControlKind::menu_item:
    case ui::ControlKind::timer:
      break;
  }
  return nullptr;
}

void FormWindow::connect_user_input(ui::Control& control, QWidget* widget) {
  // Every path into the model first checks the window still shows a form and that the
  // signal does not come from a model-driven update of the widget; then it runs as the
  // user's action, queued while a request to the controller is outstanding.
  switch (control.kind()) {
    case ui::ControlKind::label: {
      auto& label = static_cast<ui::Label&>(control);
      static_cast<ClickLabel*>(widget)->on_click = [this, &label] {
        user_action([&label] { label.click(); });
      };
      break;
    }
    case ui::ControlKind::text_box: {
      auto& box = static_cast<ui::TextBox&>(control);
      TextBoxHooks hooks;
      hooks.key = [this, &box](const QKeyEvent& event) { return deliver_key(box, event); };
      hooks.got_focus = [this, &box] { user_action([&box] { box.get_focus(); }); };
      hooks.lost_focus = [this, &box] { user_action([&box] { box.lose_focus(); }); };
      hooks.double_click = [this, &box] { user_action([&box] { box.double_click(); }); };
      if (auto* line = dynamic_cast<LineTextBox*>(widget)) {
        line->hooks = std::move(hooks);
        // Every change of the text reaches the model, so its change handler runs per key.
        connect(line, &QLineEdit::textChanged, this, [this, &box](const QString& text) {
          user_action([this, &box, typed = rich::to_model_text(text)] {
            const UserEdit edit(*this, box);
            box.set_text(typed);
          });
        });
      } else if (auto* editor = dynamic_cast<MultiLineTextBox*>(widget)) {
        editor->hooks = std::move(hooks);
        connect(editor, &QPlainTextEdit::textChanged, this, [this, &box, editor] {
          user_action([this, &box, typed = text_from_editor(editor->toPlainText())] {
            const UserEdit edit(*this, box);
            box.set_text(typed);
          });
        });
      }
      break;
    }
    case ui::ControlKind::check_box: {
      auto& box = static_cast<ui::CheckBox&>(control);
      // Any change of the box's state, whoever made it (a click, the keyboard, an assistive
      // tool's toggle, which emits no click), is one click for the model.
      connect(static_cast<QCheckBox*>(widget), &QCheckBox::stateChanged, this, [this, &box] {
        user_action([this, &box] {
          box.click();
          // Qt toggled the box on its own; the model's value is the one shown.
          if (Binding* binding = form_ ? binding_for(box) : nullptr) {
            refresh(*binding, ui::Property::value);
          }
        });
      });
      break;
    }
    case ui::ControlKind::option_button: {
      auto& option = static_cast<ui::OptionButton&>(control);
      connect(static_cast<QRadioButton*>(widget), &QRadioButton::toggled, this, [this, &option] {
        user_action([this, &option] {
          option.click();
          if (Binding* binding = form_ ? binding_for(option) : nullptr) {
            refresh(*binding, ui::Property::value);
          }
        });
      });
      break;
    }
    case ui::ControlKind::command_button: {
      auto& button = static_cast<ui::CommandButton&>(control);
      connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this, [this, &button] {
        user_action([this, &button] {
          // A press by the keyboard or an assistive tool takes no focus from a cell editor.
          commit_cell_edits(*this);
          if (form_) button.click();
        });
      });
      break;
    }
    case ui::ControlKind::picture_box: {
      auto& box = static_cast<ui::PictureBox&>(control);
      auto* picture = static_cast<PictureWidget*>(widget);
      picture->on_click = [this, &box] { user_action([&box] { box.click(); }); };
      picture->on_mouse = [this, &box](int kind, const QMouseEvent& event) {
        if (accepts_user_input()) deliver_mouse(box, kind, event);
      };
      break;
    }
    default:
      break;
  }
}

void FormWindow::user_action(std::function<void()> action) {
  if (!accepts_user_input()) return;
  front_end_.run_user_action(this, [this, action = std::move(action)] {
    // The form may have gone while the action waited.
    if (form_) action();
  });
}

KeyOutcome FormWindow::deliver_key(ui::TextBox& box, const QKeyEvent& event) {
  if (!accepts_user_input()) return {};
  const UserEdit edit(*this, box);
  const int code = rich::virtual_key(event);
  if (code != 0) {
    const int result = box.key_down(code, rich::shift_mask(event.modifiers()));
    // The handler may have closed the window.
    if (!form_ || result == 0) return {KeyOutcome::Action::swallow, {}};
  }
  // Typed characters, Enter, Backspace and Escape reach the key press handler; Tab moves
  // the focus instead.
  const int typed = rich::typed_character(event);
  if (typed == 0 || typed == '\t') return {};
  const int result = box.key_press(typed);
  if (!form_ || result == 0) return {KeyOutcome::Action::swallow, {}};
  if (result == typed) return {};
  if (result < 32 || result > 0xFFFF) return {KeyOutcome::Action::swallow, {}};
  return {KeyOutcome::Action::replace, QString(QChar(static_cast<char16_t>(result)))};
}

void FormWindow::deliver_mouse(ui::PictureBox& box, int kind, const QMouseEvent& event) {
  const QWidget* widget = widget_for(box);
  if (!widget) return;
  const QPointF point = event.position();
  // The point in the box's own scale; twips when no scale was set.
  float x = static_cast<float>(point.x()) * rich::kTwipsPerPixel;
  float y = static_cast<float>(point.y()) * rich::kTwipsPerPixel;
  if (box.scale_width() != 0 && widget->width() > 0) {
    x = box.scale_left() +
        static_cast<float>(point.x()) * box.scale_width() / static_cast<float>(widget->width());
  }
  if (box.scale_height() != 0 && widget->height() > 0) {
    y = box.scale_top() +
        static_cast<float>(point.y()) * box.scale_height() / static_cast<float>(widget->height());
  }
  // A release reports the button released, a press or move the buttons held.
  const int button = kind == 2 ? mouse_button_code(event.button())
                               : mouse_button_code(kind == 0 ? event.button() : event.buttons());
  const int shift = rich::shift_mask(event.modifiers());
  const auto& handler = kind == 0   ? box.on_mouse_down
                        : kind == 1 ? box.on_mouse_move
                                    : box.on_mouse_up;
  if (handler) box.form().raise([&] { handler(button, shift, x, y); });
}

void FormWindow::build_menus() {
  const auto bar = form_->menu_bar();
  if (bar.empty()) return;
  for (ui::MenuItem* item : bar) add_menu_item(*item, menuBar());
  refresh_menu_bar_visibility();
}

void FormWindow::add_menu_item(ui::MenuItem& item, QWidget* parent_menu) {
  QAction* action = nullptr;
  if (item.separator()) {
    action = new QAction(parent_menu);
    action->setSeparator(true);
  } else if (!item.items().empty()) {
    auto* menu = new QMenu(parent_menu);
    for (ui::MenuItem* child : item.items()) add_menu_item(*child, menu);
    // A menu's own click runs as it opens, so it can set up its items first.
    // It only sets up the items (no request), so it runs at once even while input is held.
    connect(menu, &QMenu::aboutToShow, this, [this, &item] {
      if (!accepts_user_input()) return;
      item.click();
      if (form_) refresh_menu_item(item);
    });
    action = menu->menuAction();
  } else {
    action = new QAction(parent_menu);
    connect(action, &QAction::triggered, this, [this, &item] { click_menu_item(item); });
  }
  action->setObjectName(QString::fromStdString(item.name()));
  parent_menu->addAction(action);
  actions_[&item] = action;
  refresh_menu_item(item);
}

void FormWindow::refresh_menu_item(ui::MenuItem& item) {
  auto found = actions_.find(&item);
  if (found == actions_.end()) return;
  ModelUpdate update(*this);
  QAction* action = found->second;
  // The caption's "&" is Qt's access key mark too.
  if (!item.separator()) action->setText(rich::to_qstring(item.caption()));
  action->setVisible(item.visible());
  action->setEnabled(item.enabled());
  // Only checked items are checkable, so unchecked ones show no empty box.
  action->setCheckable(item.checked());
  action->setChecked(item.checked());
}

void FormWindow::refresh_menu_bar_visibility() {
  const auto bar = form_->menu_bar();
  if (bar.empty()) return;
  const bool any_visible =
      std::any_of(bar.begin(), bar.end(), [](const ui::MenuItem* item) { return item->visible(); });
  menuBar()->setVisible(any_visible);
}

void FormWindow::click_menu_item(ui::MenuItem& item) {
  // A menu item chosen other than by the mouse or the keyboard (an assistive tool's press)
  // leaves its menus open, and they would take the next click only to close: the menus
  // close as a chosen item closes them.
  while (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
    if (!menu->close()) break;
  }
  if (!accepts_user_input()) return;
  front_end_.run_menu_command(this, [this, &item] {
    if (!form_) return;
    // A menu takes no focus from a cell editor: what was typed goes with the command.
    commit_cell_edits(*this);
    if (!form_) return;
    item.click();
    // Qt flips checkable actions itself; the model says what is checked.
    if (form_) refresh_menu_item(item);
  });
}

QWidget* FormWindow::container_widget(const ui::Control& control) const {
  const ui::Control* container = control.container();
  if (!container) return canvas_;
  auto found = bindings_.find(container);
  if (found == bindings_.end()) return canvas_;
  const Binding& holder = found->second;
  if (holder.kind != ui::ControlKind::tab_control || !holder.rich || control.tab_page() < 0) {
    return holder.widget;
  }
  // Positions on a tab page are relative to the page, below the rows of tabs.
  QWidget* page = tab_page_widget(holder.widget, control.tab_page());
  return page ? page : holder.widget;
}

void FormWindow::place(Binding& binding) {
  const ui::Control& control = *binding.control;
  QWidget* parent = container_widget(control);
  if (binding.widget->parentWidget() != parent) binding.widget->setParent(parent);
  if (binding.kind == ui::ControlKind::line) {
    static_cast<LineWidget*>(binding.widget)->show_line(static_cast<const ui::Line&>(control));
  } else {
    binding.widget->setGeometry(
        to_pixel_rect(control.left(), control.top(), control.width(), control.height()));
  }
  // Reparenting hides a widget.
  binding.widget->setVisible(control.visible());
}

void FormWindow::stack_graphical_controls_below() {
  // Lowering from the last to the first keeps their order among themselves.
  for (auto control = order_.rbegin(); control != order_.rend(); ++control) {
    const Binding& binding = bindings_.at(*control);
    if (is_graphical(binding.kind)) binding.widget->lower();
  }
}

void FormWindow::refresh(Binding& binding, ui::Property what) {
  ModelUpdate update(*this);
  ui::Control& control = *binding.control;
  QWidget* widget = binding.widget;
  if (all_or(what, ui::Property::geometry) || what == ui::Property::layout) place(binding);
  if (what == ui::Property::visibility) widget->setVisible(control.visible());
  if (what == ui::Property::focus) widget->setFocus(Qt::OtherFocusReason);
  if (all_or(what, ui::Property::enabled)) widget->setEnabled(control.enabled());
  if (all_or(what, ui::Property::text) || all_or(what, ui::Property::tool_tip)) {
    refresh_accessible_text(control, *widget);
  }
  if (all_or(what, ui::Property::tool_tip)) {
    widget->setToolTip(rich::to_qstring(control.tool_tip()));
    // A button without caption or picture shows its tool tip on its face.
    if (binding.kind == ui::ControlKind::command_button) widget->update();
  }
  if (binding.rich) {
    refresh_rich_widget(widget, control, what);
    return;
  }
  refresh_kind(binding, what);
}

void FormWindow::refresh_accessible_text(const ui::Control& control, QWidget& widget) {
  // Assistive tools find a control by what the user reads on it (a picture button by its tool
  // tip) and by its name in the window model, "ECU_Data(3)" for an element of an array.
  // A label is read for what it says, so one without text has no name.
  QString name = label_text(control.caption());
  const bool is_label = control.kind() == ui::ControlKind::label;
  if (name.isEmpty() && !is_label) name = rich::to_qstring(control.tool_tip());
  QString model_name = QString::fromStdString(control.name());
  if (control.index() >= 0) model_name += QStringLiteral("(%1)").arg(control.index());
  if (name.isEmpty() && !is_label) name = model_name;
  widget.setAccessibleName(name);
  widget.setAccessibleDescription(model_name);
}

void FormWindow::refresh_kind(Binding& binding, ui::Property what) {
  ui::Control& control = *binding.control;
  QWidget* widget = binding.widget;
  const bool text = all_or(what, ui::Property::text);
  if (all_or(what, ui::Property::colours)) refresh_colours(binding);
  switch (binding.kind) {
    case ui::ControlKind::label: {
      const auto& label = static_cast<const ui::Label&>(control);
      auto* shown = static_cast<ClickLabel*>(widget);
      if (text) {
        shown->setText(label_text(label.caption()));
        shown->setAlignment(label_alignment(label.alignment()));
      }
      break;
    }
    case ui::ControlKind::text_box:
      refresh_text_box(binding, what);
      break;
    case ui::ControlKind::check_box: {
      const auto& box = static_cast<const ui::CheckBox&>(control);
      auto* shown = static_cast<QCheckBox*>(widget);
      // A box no wider than the box itself keeps its caption as a hidden record (the
      // configuration's phase tables mark a changed row there).
      constexpr float kBoxOnlyWidth = 255;
      if (text) {
        shown->setText(box.width() <= kBoxOnlyWidth ? QString() : rich::to_qstring(box.caption()));
      }
      if (all_or(what, ui::Property::value)) {
        shown->setTristate(box.value() == ui::CheckBox::grayed);
        shown->setCheckState(check_state(box.value()));
      }
      break;
    }
    case ui::ControlKind::option_button: {
      const auto& option = static_cast<const ui::OptionButton&>(control);
      auto* shown = static_cast<QRadioButton*>(widget);
      if (text) shown->setText(rich::to_qstring(option.caption()));
      if (all_or(what, ui::Property::value)) shown->setChecked(option.value());
      break;
    }
    case ui::ControlKind::command_button: {
      const auto& button = static_cast<const ui::CommandButton&>(control);
      auto* shown = static_cast<QPushButton*>(widget);
      if (text) shown->setText(rich::to_qstring(button.caption()));
      if (all_or(what, ui::Property::picture)) shown->setIcon(button_picture(button.picture()));
      if (text || all_or(what, ui::Property::picture)) {
        // The icon fills the face but for the border and the caption beside it.
        const int caption_width =
            shown->text().isEmpty() ? 0 : shown->fontMetrics().horizontalAdvance(shown->text()) + 4;
        const int side = std::max(
            16, std::min(shown->height(), shown->width() - caption_width) - kIconMarginPixels);
        shown->setIconSize(QSize(side, side));
      }
      break;
    }
    case ui::ControlKind::frame:
      if (text) static_cast<QGroupBox*>(widget)->setTitle(rich::to_qstring(control.caption()));
      break;
    case ui::ControlKind::shape:
      if (all_or(what, ui::Property::colours) || what == ui::Property::layout) {
        static_cast<ShapeWidget*>(widget)->show_shape(static_cast<const ui::Shape&>(control));
      }
      break;
    case ui::ControlKind::line:
      // The colour is drawn with the points.
      if (what == ui::Property::colours) place(binding);
      break;
    case ui::ControlKind::picture_box:
      if (all_or(what, ui::Property::picture)) {
        static_cast<PictureWidget*>(widget)->show_picture(
            static_cast<const ui::PictureBox&>(control).picture());
      }
      break;
    default:
      break;
  }
}

void FormWindow::refresh_colours(Binding& binding) {
  const ui::Control& control = *binding.control;
  QWidget* widget = binding.widget;
  const QColor back = to_qcolor(control.back_colour());
  const QColor fore = to_qcolor(control.fore_colour());
  QPalette palette = widget->palette();
  switch (binding.kind) {
    case ui::ControlKind::label:
      widget->setAutoFillBackground(!static_cast<const ui::Label&>(control).transparent());
      set_designed_colours(palette, QPalette::Window, back, QPalette::WindowText, fore);
      break;
    case ui::ControlKind::text_box:
      set_designed_colours(palette, QPalette::Base, back, QPalette::Text, fore);
      break;
    case ui::ControlKind::check_box:
    case ui::ControlKind::option_button:
      // Qt paints buttons, check boxes included, in the button roles.
      set_designed_colours(palette, QPalette::Button, back, QPalette::ButtonText, fore);
      [[fallthrough]];
    case ui::ControlKind::frame:
      widget->setAutoFillBackground(true);
      set_designed_colours(palette, QPalette::Window, back, QPalette::WindowText, fore);
      break;
    case ui::ControlKind::command_button:
      set_designed_colours(palette, QPalette::Button, back, QPalette::ButtonText, fore);
      break;
    case ui::ControlKind::picture_box:
      static_cast<PictureWidget*>(widget)->set_background(back);
      return;
    default:
      return;
  }
  widget->setPalette(palette);
}

void FormWindow::refresh_text_box(Binding& binding, ui::Property what) {
  const auto& box = static_cast<const ui::TextBox&>(*binding.control);
  if (what == ui::Property::layout &&
      box.multi_line() != (dynamic_cast<MultiLineTextBox*>(binding.widget) != nullptr)) {
    rebuild(binding);
    return;
  }
  if (all_or(what, ui::Property::text)) {
    if (auto* line = dynamic_cast<LineTextBox*>(binding.widget)) {
      // The text the user just typed comes back from the model unchanged: leave it alone.
      // Compared as the model's bytes, so text the user typed is never shown differently.
      if (rich::to_model_text(line->text()) != box.text()) {
        const QString wanted = rich::to_qstring(box.text());
        const int cursor = line->cursorPosition();
        line->setText(wanted);
        // A box being typed in keeps its cursor; any other shows the start of its text.
        const bool typed_in = line->hasFocus() || user_edit_ == &box;
        line->setCursorPosition(typed_in ? std::min<int>(cursor, wanted.size()) : 0);
      }
    } else if (auto* editor = dynamic_cast<MultiLineTextBox*>(binding.widget)) {
      if (text_from_editor(editor->toPlainText()) != box.text()) {
        editor->setPlainText(text_for_editor(box.text()));
      }
    }
  }
  if (all_or(what, ui::Property::enabled)) {
    if (auto* line = dynamic_cast<LineTextBox*>(binding.widget)) line->setReadOnly(box.locked());
    if (auto* editor = dynamic_cast<MultiLineTextBox*>(binding.widget)) {
      editor->setReadOnly(box.locked());
    }
  }
}

void FormWindow::rebuild(Binding& binding) {
  ui::Control& control = *binding.control;
  QWidget* old_widget = binding.widget;
  bool rich = false;
  QWidget* widget = create_widget(control, rich);
  if (!widget) return;
  widget->setObjectName(old_widget->objectName());
  binding.widget = widget;
  binding.rich = rich;
  if (!rich) connect_user_input(control, widget);
  // The old widget may be the one whose signal is being delivered.
  old_widget->hide();
  old_widget->disconnect(this);
  old_widget->deleteLater();
  refresh(binding, ui::Property::everything);
}

void FormWindow::form_changed() {
  if (!form_) return;
  ModelUpdate update(*this);
  setWindowTitle(rich::to_qstring(form_->caption()));
  // The form's size is the outer size: frame, title bar and menu bar included.
  const bool menu_shown = !form_->menu_bar().empty() && menuBar()->isVisibleTo(this);
  const int menu_height = menu_shown ? menuBar()->sizeHint().height() : 0;
  canvas_->setFixedSize(
      std::max(1, rich::twips_to_pixels(form_->width()) - kFrameWidthPixels),
      std::max(1, rich::twips_to_pixels(form_->height()) - kFrameHeightPixels - menu_height));
  // A form at the origin was never placed: it is centred when first shown.
  if (form_->left() != 0 || form_->top() != 0) {
    move(rich::twips_to_pixels(form_->left()), rich::twips_to_pixels(form_->top()));
    placed_ = true;
  }
  setEnabled(form_->enabled());
  refresh_default_button();
  QPalette palette = canvas_->palette();
  palette.setColor(QPalette::Window, to_qcolor(form_->back_colour()));
  canvas_->setPalette(palette);
}

void FormWindow::refresh_default_button() {
  for (ui::Control* control : order_) {
    const Binding& binding = bindings_.at(control);
    if (binding.kind != ui::ControlKind::command_button) continue;
    static_cast<QPushButton*>(binding.widget)->setDefault(control == form_->default_button());
  }
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const bool escape = event->key() == Qt::Key_Escape;
  if (plain && (enter || escape) && form_ && form_->is_dialog()) {
    event->accept();
    if (!accepts_user_input()) return;
    if (enter) {
      form_->press_enter();
    } else {
      form_->press_escape();
    }
    return;
  }
  QMainWindow::keyPressEvent(event);
}

namespace {

// Reading order: rows from the top, each row from the left. A control belongs to the row
// of the first control above it when it starts within that control's upper half.
void sort_in_reading_order(std::vector<ui::Control*>& controls) {
  std::stable_sort(controls.begin(), controls.end(),
                   [](const ui::Control* a, const ui::Control* b) { return a->top() < b->top(); });
  auto row_start = controls.begin();
  while (row_start != controls.end()) {
    const float row_limit = (*row_start)->top() + (*row_start)->height() / 2;
    auto row_end = std::find_if(row_start, controls.end(), [row_limit](const ui::Control* c) {
      return c->top() >= row_limit;
    });
    std::stable_sort(row_start, row_end, [](const ui::Control* a, const ui::Control* b) {
      return a->left() < b->left();
    });
    row_start = row_end;
  }
}

}  // namespace

void FormWindow::add_in_reading_order(const ui::Control* container, int tab_page,
                                      const std::vector<ui::Control*>& candidates,
                                      std::vector<QWidget*>& chain) const {
  std::vector<ui::Control*> inside;
  for (ui::Control* control : candidates) {
    if (control->container() == container && (tab_page < 0 || control->tab_page() == tab_page)) {
      inside.push_back(control);
    }
  }
  sort_in_reading_order(inside);
  for (ui::Control* control : inside) {
    chain.push_back(bindings_.at(control).widget);
    // A container's controls follow it, a tab control's page by page.
    if (control->kind() == ui::ControlKind::tab_control) {
      const int pages = static_cast<const ui::TabControl*>(control)->tab_count();
      for (int page = 0; page < pages; ++page) {
        add_in_reading_order(control, page, candidates, chain);
      }
    } else {
      add_in_reading_order(control, -1, candidates, chain);
    }
  }
}

std::vector<QWidget*> FormWindow::tab_chain() const {
  std::vector<QWidget*> chain;
  if (!form_) return chain;
  const std::vector<ui::Control*>& stated = form_->tab_order();
  for (const ui::Control* control : stated) {
    auto found = bindings_.find(control);
    if (found != bindings_.end()) chain.push_back(found->second.widget);
  }
  std::vector<ui::Control*> rest;
  for (ui::Control* control : order_) {
    if (std::find(stated.begin(), stated.end(), control) == stated.end()) rest.push_back(control);
  }
  add_in_reading_order(nullptr, -1, rest, chain);
  // A control whose container has no widget would be left out above.
  for (ui::Control* control : rest) {
    QWidget* widget = bindings_.at(control).widget;
    if (std::find(chain.begin(), chain.end(), widget) == chain.end()) chain.push_back(widget);
  }
  return chain;
}

bool FormWindow::takes_tab_focus(const QWidget* widget) const {
  return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && widget->isEnabled() &&
         widget->isVisibleTo(this);
}

bool FormWindow::focusNextPrevChild(bool next) {
  const std::vector<QWidget*> chain = tab_chain();
  const auto count = static_cast<int>(chain.size());
  // The control holding the focus, or holding the widget that does (a grid's cell editor).
  int current = -1;
  for (QWidget* focused = focusWidget(); focused != nullptr && current < 0;
       focused = focused->parentWidget()) {
    const auto found = std::find(chain.begin(), chain.end(), focused);
    if (found != chain.end()) current = static_cast<int>(found - chain.begin());
  }
  if (current < 0) current = next ? -1 : count;
  for (int step = 1; step <= count; ++step) {
    const int candidate = ((current + (next ? step : -step)) % count + count) % count;
    QWidget* widget = chain[static_cast<std::size_t>(candidate)];
    if (!takes_tab_focus(widget)) continue;
    widget->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
  }
  return QMainWindow::focusNextPrevChild(next);
}

void FormWindow::centre_over(const QWidget* opener) {
  const QScreen* shown_on = opener ? opener->screen() : screen();
  const QRect screen_area = shown_on ? shown_on->availableGeometry() : QRect();
  const QRect area = opener ? opener->frameGeometry() : screen_area;
  if (!area.isValid()) return;
  const QSize size = sizeHint().expandedTo(minimumSizeHint());
  QPoint corner = area.center() - QPoint(size.width() / 2, size.height() / 2);
  // Never above or left of the screen's usable area, where the title bar could not be grabbed.
  if (screen_area.isValid()) {
    corner.setX(std::max(corner.x(), screen_area.left()));
    corner.setY(std::max(corner.y(), screen_area.top()));
  }
  move(corner);
}

void FormWindow::show_as_model_says(const QWidget* opener) {
  if (!form_) return;
  ModelUpdate update(*this);
  if (!form_->visible()) {
    hide();
    return;
  }
  if (!placed_) {
    placed_ = true;
    const bool over_opener = opener && opener != this && opener->isVisible();
    centre_over(over_opener && !form_->centred_on_screen() ? opener : nullptr);
  }
  if (focusWidget() == nullptr) {
    // The window opens on the first control of its Tab order.
    for (QWidget* widget : tab_chain()) {
      if (!takes_tab_focus(widget)) continue;
      // As Qt's own choice on activation: no change of control the model hears of.
      widget->setFocus(Qt::ActiveWindowFocusReason);
      break;
    }
  }
  const Qt::WindowModality wanted = form_->is_modal() ? Qt::ApplicationModal : Qt::NonModal;
  if (windowModality() != wanted) {
    // Qt takes a new modality only while the window is hidden.
    hide();
    setWindowModality(wanted);
  }
  show();
}

void FormWindow::control_changed(ui::Control& control, ui::Property what) {
  if (!form_) return;
  if (control.kind() == ui::ControlKind::menu_item) {
    auto& item = static_cast<ui::MenuItem&>(control);
    refresh_menu_item(item);
    if (what == ui::Property::visibility && item.parent() == nullptr) {
      refresh_menu_bar_visibility();
      // The menu bar's height comes from or goes to the canvas.
      form_changed();
    }
    return;
  }
  Binding* binding = binding_for(control);
  if (!binding) {
    // A control that came after the window was built.
    if (bindings_.count(&control) != 0) return;
    const auto& controls = form_->controls();
    if (std::find(controls.begin(), controls.end(), &control) == controls.end()) return;
    binding = add_binding(control);
    if (!binding) return;
    what = ui::Property::everything;
  }
  refresh(*binding, what);
}

QWidget* FormWindow::widget_for(const ui::Control& control) const {
  auto found = bindings_.find(&control);
  return found == bindings_.end() ? nullptr : found->second.widget;
}

QAction* FormWindow::action_for(const ui::MenuItem& item) const {
  auto found = actions_.find(&item);
  return found == actions_.end() ? nullptr : found->second;
}

bool FormWindow::event(QEvent* event) {
  const bool handled = QMainWindow::event(event);
  if (event->type() == QEvent::WindowActivate && form_) front_end_.window_activated(*this);
  return handled;
}

void FormWindow::closeEvent(QCloseEvent* event) {
  // The form decides: its query-unload handler may keep it, or unloading hides the window.
  event->ignore();
  if (!form_) {
    event->accept();
    return;
  }
  // A disabled window cannot be closed from its frame, as it takes no other input.
  if (!isEnabled()) return;
  user_action([this] { form_->request_close(); });
}

}  // namespace gui
