#pragma once
// One real window per loaded form. It shows every control of the form from the model and
// hands what the user does back to the model; it knows nothing of what the form is for.

#include <QMainWindow>
#include <functional>
#include <unordered_map>
#include <vector>

#include "gui/control_widgets.hpp"
#include "ui/form.hpp"
#include "ui/menu.hpp"
#include "ui/picture_box.hpp"

class QAction;
class QMenu;

namespace gui {

class FrontEnd;

class FormWindow : public QMainWindow {
 public:
  FormWindow(ui::Form& form, FrontEnd& front_end);
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  // The form shown; nullptr once the window was detached from it.
  [[nodiscard]] ui::Form* form() const { return form_; }
  // The form is gone (unloaded or destroyed): never touch it or its controls again.
  void detach();

  // Model to window.
  void form_changed();
  void control_changed(ui::Control& control, ui::Property what);
  // Shows or hides the window as the model says, modal when the form is shown modal. A form
  // that never stated a position opens centred over `opener` (the window that opened it),
  // or over the screen.
  void show_as_model_says(const QWidget* opener = nullptr);

  // The widget showing a control (nullptr for timers, menu items and unknown controls), the
  // action of a menu item, and the area the form's own controls sit on.
  [[nodiscard]] QWidget* widget_for(const ui::Control& control) const;
  [[nodiscard]] QAction* action_for(const ui::MenuItem& item) const;
  [[nodiscard]] QWidget* canvas() const { return canvas_; }

  // Size of the window's frame and title bar, which the form's outer size includes.
  static constexpr int kFrameWidthPixels = 8;
  static constexpr int kFrameHeightPixels = 30;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Enter and Escape that no control took: a dialog's default and cancel keys.
  void keyPressEvent(QKeyEvent* event) override;
  // Tab follows the form's stated order, then reading order, not the creation order.
  bool focusNextPrevChild(bool next) override;

 private:
  void centre_over(const QWidget* opener);
  // The widgets in the order Tab visits them, whether they can take the focus now or not.
  [[nodiscard]] std::vector<QWidget*> tab_chain() const;
  void add_in_reading_order(const ui::Control* container, int tab_page,
                            const std::vector<ui::Control*>& candidates,
                            std::vector<QWidget*>& chain) const;
  [[nodiscard]] bool takes_tab_focus(const QWidget* widget) const;
  void refresh_default_button();
  static void refresh_accessible_text(const ui::Control& control, QWidget& widget);

  struct Binding {
    ui::Control* control = nullptr;
    ui::ControlKind kind = ui::ControlKind::label;
    QWidget* widget = nullptr;
    bool rich = false;  // drawn by the rich widgets, which refresh themselves
  };

  // Counts model-driven updates in progress: widget signals they cause are not user input.
  class ModelUpdate {
   public:
    explicit ModelUpdate(FormWindow& window) : window_(window) { ++window_.model_updates_; }
    ~ModelUpdate() { --window_.model_updates_; }
    ModelUpdate(const ModelUpdate&) = delete;
    ModelUpdate& operator=(const ModelUpdate&) = delete;

   private:
    FormWindow& window_;
  };

  // Marks the control the user is typing into while the model hears of it.
  class UserEdit {
   public:
    UserEdit(FormWindow& window, const ui::Control& control)
        : window_(window), previous_(window.user_edit_) {
      window_.user_edit_ = &control;
    }
    ~UserEdit() { window_.user_edit_ = previous_; }
    UserEdit(const UserEdit&) = delete;
    UserEdit& operator=(const UserEdit&) = delete;

   private:
    FormWindow& window_;
    const ui::Control* previous_;
  };

  [[nodiscard]] bool accepts_user_input() const { return form_ != nullptr && model_updates_ == 0; }
  // Runs what the user did now, or once the request under way has returned.
  void user_action(std::function<void()> action);

  void build();
  void build_menus();
  void add_menu_item(ui::MenuItem& item, QWidget* parent_menu);
  void refresh_menu_item(ui::MenuItem& item);
  void refresh_menu_bar_visibility();
  void click_menu_item(ui::MenuItem& item);

  Binding* add_binding(ui::Control& control);
  QWidget* create_widget(ui::Control& control, bool& rich);
  void connect_user_input(ui::Control& control, QWidget* widget);
  void rebuild(Binding& binding);
  void place(Binding& binding);
  QWidget* container_widget(const ui::Control& control) const;
  void stack_graphical_controls_below();
  void refresh(Binding& binding, ui::Property what);
  void refresh_kind(Binding& binding, ui::Property what);
  void refresh_colours(Binding& binding);
  void refresh_text_box(Binding& binding, ui::Property what);
  KeyOutcome deliver_key(ui::TextBox& box, const QKeyEvent& event);
  void deliver_mouse(ui::PictureBox& box, int kind, const QMouseEvent& event);
  Binding* binding_for(const ui::Control& control);

  ui::Form* form_;
  FrontEnd& front_end_;
  QWidget* canvas_ = nullptr;
  int model_updates_ = 0;
  bool placed_ = false;  // shown once, or placed by the form: the user's position is kept
  const ui::Control* user_edit_ = nullptr;
  std::unordered_map<const ui::Control*, Binding> bindings_;
  std::vector<ui::Control*> order_;  // controls with widgets, in the form's order
  std::unordered_map<const ui::Control*, QAction*> actions_;
};

}  // namespace gui
