#include "gui/option_button_accessible.hpp"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QRadioButton>

#include "gui/control_widgets.hpp"

namespace gui {

namespace {

class OptionButtonAccessible : public QAccessibleWidget {
 public:
  explicit OptionButtonAccessible(QRadioButton* button)
      : QAccessibleWidget(button, QAccessible::RadioButton) {}

  [[nodiscard]] QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = button()->isChecked();
    return state;
  }

  [[nodiscard]] QString text(QAccessible::Text kind) const override {
    QString text = QAccessibleWidget::text(kind);
    if (kind == QAccessible::Name && text.isEmpty()) {
      text = button()->text();
      text.remove(QLatin1Char('&'));
    }
    return text;
  }

  [[nodiscard]] QStringList actionNames() const override { return {pressAction(), toggleAction()}; }

  void doAction(const QString& action) override {
    if (action != pressAction() && action != toggleAction()) {
      QAccessibleWidget::doAction(action);
      return;
    }
    // Selected as a click selects it, so the model hears of it as of the user's click.
    if (button()->isEnabled()) button()->click();
  }

 private:
  [[nodiscard]] QRadioButton* button() const { return static_cast<QRadioButton*>(widget()); }
};

QAccessibleInterface* option_button_factory(const QString& /*class_name*/, QObject* object) {
  if (auto* option = dynamic_cast<OptionButtonWidget*>(object)) {
    return new OptionButtonAccessible(option);
  }
  return nullptr;
}

}  // namespace

void install_option_button_accessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(option_button_factory);
    return true;
  }();
  static_cast<void>(installed);
}

}  // namespace gui
