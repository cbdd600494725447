// The grid widget against the window model: what it shows, how typing, keys and the mouse
// reach the model's handlers, and what it does with what the handlers leave of a key.

#include <gtest/gtest.h>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "gui/rich/grid_widget.hpp"
#include "rich_test_support.hpp"
#include "support/console_test.hpp"
#include "ui/grid.hpp"

namespace {

using gui::rich::GridWidget;

class MapForm : public ui::Form {
 public:
  MapForm() : ui::Form("frm_grid_test", "Grid", 6000, 6000) {}
  ui::Grid inj_map{*this, "inj_map", 17, 17};
};

class RichGridTest : public test::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    rich_test::ensure_application();
    form_ = std::make_unique<MapForm>();
    grid().move(0, 0, 17 * 600, 17 * 255);
    host_ = std::make_unique<QWidget>();
    host_->resize(760, 340);
    widget_ = static_cast<GridWidget*>(observer_.add(grid(), host_.get()));
    host_->show();
    QApplication::setActiveWindow(host_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(host_.get()));
    widget_->setFocus();
    grid().on_cell_change = [this](int row, int col) {
      changes_.push_back({row, col, grid().cell_text(row, col)});
    };
  }
  void TearDown() override {
    host_.reset();
    form_.reset();
    ConsoleTest::TearDown();
  }

  ui::Grid& grid() { return form_->inj_map; }
  QPoint centre_of(int row, int col) const { return widget_->cell_rect(row, col).center(); }
  // Keys go where the focus is, as the user's keys do: the grid or its cell editor.
  static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  }
  static void type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }

  struct Change {
    int row, col;
    std::string text;
  };

  rich_test::WidgetObserver observer_;
  std::unique_ptr<MapForm> form_;
  std::unique_ptr<QWidget> host_;
  GridWidget* widget_ = nullptr;
  std::vector<Change> changes_;
};

TEST_F(RichGridTest, CellsShowTheModelsColoursExactly) {
  grid().set_cell_back_colour(3, 4, ui::qb_color(14));
  grid().set_cell_back_colour(16, 16, 0x0080FF80);
  const QColor yellow = rich_test::pixel_of(*widget_, centre_of(3, 4));
  const QColor green = rich_test::pixel_of(*widget_, centre_of(16, 16));
  const QColor header = rich_test::pixel_of(*widget_, centre_of(0, 5));
  EXPECT_EQ(yellow, QColor(255, 255, 0));
  EXPECT_EQ(green, QColor(128, 255, 128));
  EXPECT_EQ(header, QColor(0xD4, 0xD0, 0xC8));  // the face colour of the header cells
}

TEST_F(RichGridTest, WidthsAndHeightsFollowTheModelInTwipsAndZeroHides) {
  EXPECT_EQ(widget_->cell_rect(1, 1).width(), 40);   // 600 twips
  EXPECT_EQ(widget_->cell_rect(1, 1).height(), 17);  // 255 twips
  grid().set_column_width(2, 0);
  grid().set_row_height(0, 450);
  EXPECT_TRUE(widget_->cell_rect(5, 2).isEmpty());
  EXPECT_EQ(widget_->cell_rect(0, 1).height(), 30);
  // Column 3 moves left into the place of the hidden column.
  EXPECT_EQ(widget_->cell_rect(1, 3).left(), 80);
  EXPECT_EQ(widget_->col_at(85), 3);
}

TEST_F(RichGridTest, TypingAndEnterCommitsTheTextThroughTheCellChange) {
  std::vector<int> key_presses;
  grid().on_key_press = [&](int& key_ascii) { key_presses.push_back(key_ascii); };
  grid().set_active_cell(5, 3);
  type("1.5");
  EXPECT_TRUE(widget_->editing());
  EXPECT_TRUE(changes_.empty());
  press(Qt::Key_Return);
  EXPECT_FALSE(widget_->editing());
  ASSERT_EQ(changes_.size(), 1U);
  EXPECT_EQ(changes_[0].row, 5);
  EXPECT_EQ(changes_[0].col, 3);
  EXPECT_EQ(changes_[0].text, "1.5");
  EXPECT_EQ((std::vector<int>{'1', '.', '5', 13}), key_presses);
}

TEST_F(RichGridTest, EnterCommitsBeforeTheKeyPressHandlerRuns) {
  // The editors' Enter runs Update, which must find the typed cell already written.
  std::string seen_by_update;
  grid().on_key_press = [&](int& key_ascii) {
    if (key_ascii != 13) return;
    seen_by_update = grid().cell_text(2, 2);
    key_ascii = 0;
  };
  grid().set_active_cell(2, 2);
  type("7");
  press(Qt::Key_Enter);
  EXPECT_EQ(seen_by_update, "7");
}

TEST_F(RichGridTest, LeavingTheCellCommitsAndEscapeDiscards) {
  struct Case {
    const char* name;
    Qt::Key key;
    bool committed;
    int active_row, active_col;
  };
  const Case cases[] = {
      {"down arrow", Qt::Key_Down, true, 5, 4},
      {"up arrow", Qt::Key_Up, true, 3, 4},
      {"right arrow", Qt::Key_Right, true, 4, 5},
      {"escape", Qt::Key_Escape, false, 4, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    changes_.clear();
    grid().set_cell_text(4, 4, "");
    changes_.clear();
    grid().set_active_cell(4, 4);
    widget_->setFocus();
    type("42");
    press(c.key);
    EXPECT_FALSE(widget_->editing());
    EXPECT_EQ(grid().cell_text(4, 4), c.committed ? "42" : "");
    EXPECT_EQ(changes_.size(), c.committed ? 1U : 0U);
    EXPECT_EQ(grid().active_row(), c.active_row);
    EXPECT_EQ(grid().active_col(), c.active_col);
  }
}

TEST_F(RichGridTest, ClickingAnotherCellCommitsTheEdit) {
  grid().set_active_cell(6, 6);
  type("3.25");
  QTest::mouseClick(widget_, Qt::LeftButton, {}, centre_of(8, 2));
  ASSERT_EQ(changes_.size(), 1U);
  EXPECT_EQ(changes_[0].text, "3.25");
  EXPECT_EQ(changes_[0].row, 6);
  EXPECT_EQ(grid().active_row(), 8);
  EXPECT_EQ(grid().active_col(), 2);
}

TEST_F(RichGridTest, KeyDownReachesTheHandlerFirstAndTheGridActsOnWhatIsLeft) {
  struct Case {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int expected_code, expected_shift;
    int replacement;  // -1 leaves the key alone
    int active_row, active_col;
  };
  const Case cases[] = {
      {"down moves", Qt::Key_Down, Qt::NoModifier, 40, 0, -1, 9, 8},
      {"shift up becomes the shift key", Qt::Key_Up, Qt::ShiftModifier, 38, 1, 16, 8, 8},
      {"swallowed right", Qt::Key_Right, Qt::NoModifier, 39, 0, 0, 8, 8},
      {"left turned into right", Qt::Key_Left, Qt::NoModifier, 37, 0, 39, 8, 9},
      {"ctrl s passes", Qt::Key_S, Qt::ControlModifier, 83, 2, -1, 8, 8},
      {"page down", Qt::Key_PageDown, Qt::NoModifier, 34, 0, -1, 16, 8},
      {"tab moves right", Qt::Key_Tab, Qt::NoModifier, 9, 0, -1, 8, 9},
      {"shift tab moves left", Qt::Key_Backtab, Qt::ShiftModifier, 9, 1, -1, 8, 7},
      {"page up", Qt::Key_PageUp, Qt::NoModifier, 33, 0, -1, 1, 8},
      {"alt shift delete", Qt::Key_Delete, Qt::AltModifier | Qt::ShiftModifier, 46, 5, -1, 8, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    grid().set_active_cell(8, 8);
    std::vector<std::pair<int, int>> seen;
    grid().on_key_down = [&](int& key_code, int shift) {
      // The modifier keys arrive as keys of their own first.
      if (key_code >= 16 && key_code <= 18) return;
      seen.emplace_back(key_code, shift);
      if (c.replacement >= 0) key_code = c.replacement;
    };
    press(c.key, c.modifiers);
    ASSERT_EQ(seen.size(), 1U);
    EXPECT_EQ(seen[0].first, c.expected_code);
    EXPECT_EQ(seen[0].second, c.expected_shift);
    EXPECT_EQ(grid().active_row(), c.active_row);
    EXPECT_EQ(grid().active_col(), c.active_col);
    EXPECT_FALSE(widget_->editing());
  }
}

TEST_F(RichGridTest, HandlerStepsTheActiveCellWithShiftUp) {
  // As the map editors do: the handler rewrites the active cell and hides the arrow.
  grid().set_cell_text(3, 3, "1.000");
  grid().on_key_down = [this](int& key_code, int shift) {
    if (shift == 1 && key_code == 38) {
      key_code = 16;
      grid().set_cell_text(grid().active_row(), grid().active_col(), "1.008");
    }
  };
  grid().set_active_cell(3, 3);
  changes_.clear();
  press(Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(grid().active_row(), 3);
  ASSERT_EQ(changes_.size(), 1U);
  EXPECT_EQ(changes_[0].text, "1.008");
}

TEST_F(RichGridTest, KeyPressHandlerCanReplaceOrSwallowTypedCharacters) {
  grid().on_key_press = [](int& key_ascii) {
    if (key_ascii == 'x') key_ascii = 0;
    if (key_ascii >= 'a' && key_ascii <= 'z') key_ascii -= 'a' - 'A';
  };
  grid().set_active_cell(1, 1);
  type("x");
  EXPECT_FALSE(widget_->editing());
  type("abx");
  press(Qt::Key_Return);
  EXPECT_EQ(grid().cell_text(1, 1), "AB");
}

TEST_F(RichGridTest, SwallowedKeyDownTypesNothing) {
  grid().on_key_down = [](int& key_code, int /*shift*/) {
    if (key_code == 55) key_code = 0;  // the 7 key
  };
  grid().set_active_cell(2, 5);
  type("17");
  press(Qt::Key_Return);
  EXPECT_EQ(grid().cell_text(2, 5), "1");
}

TEST_F(RichGridTest, ReadOnlyGridDoesNotEdit) {
  grid().set_read_only(true);
  grid().set_active_cell(4, 4);
  type("9");
  EXPECT_FALSE(widget_->editing());
  press(Qt::Key_F2);
  EXPECT_FALSE(widget_->editing());
  EXPECT_EQ(grid().cell_text(4, 4), "");
}

TEST_F(RichGridTest, F2EditsTheTextInPlaceAndTheCaretKeysStayInTheEditor) {
  grid().set_cell_text(7, 7, "1.25");
  grid().set_active_cell(7, 7);
  press(Qt::Key_F2);
  ASSERT_TRUE(widget_->editing());
  press(Qt::Key_Left);
  press(Qt::Key_Backspace);
  press(Qt::Key_Return);
  EXPECT_EQ(grid().cell_text(7, 7), "1.5");
  EXPECT_EQ(grid().active_col(), 7);
}

TEST_F(RichGridTest, ShiftUpWhileEditingStepsTheTypedValue) {
  grid().set_cell_text(3, 3, "1.000");
  grid().set_cell_keys({{38, 1}});
  grid().on_key_down = [this](int& key_code, int shift) {
    if (shift == 1 && key_code == 38) {
      key_code = 16;
      const int row = grid().active_row();
      const int col = grid().active_col();
      grid().set_cell_text(row, col, grid().cell_text(row, col) + "+");
    }
  };
  grid().set_active_cell(3, 3);
  type("2");
  press(Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_FALSE(widget_->editing());
  EXPECT_EQ(grid().cell_text(3, 3), "2+");
}

TEST_F(RichGridTest, MouseEventsCarryButtonShiftAndTheCellUnderThePointer) {
  struct Seen {
    int button, shift, row, col;
  };
  std::vector<Seen> downs, ups;
  grid().on_mouse_down = [&](int button, int shift, float, float) {
    downs.push_back({button, shift, grid().mouse_row(), grid().mouse_col()});
  };
  grid().on_mouse_up = [&](int button, int shift, float, float) {
    ups.push_back({button, shift, grid().mouse_row(), grid().mouse_col()});
  };
  QTest::mousePress(widget_, Qt::LeftButton, {}, centre_of(4, 4));
  QTest::mouseRelease(widget_, Qt::LeftButton, {}, centre_of(9, 1));
  QTest::mousePress(widget_, Qt::LeftButton, Qt::ShiftModifier, centre_of(0, 3));
  QTest::mouseRelease(widget_, Qt::LeftButton, {}, QPoint(-5, 40));  // off the grid
  QTest::mouseClick(widget_, Qt::RightButton, Qt::ControlModifier, centre_of(2, 2));
  QTest::mouseClick(widget_, Qt::MiddleButton, {}, centre_of(2, 2));
  ASSERT_EQ(downs.size(), 4U);
  ASSERT_EQ(ups.size(), 4U);
  const Seen expected_downs[] = {{1, 0, 4, 4}, {1, 1, 0, 3}, {2, 2, 2, 2}, {4, 0, 2, 2}};
  const Seen expected_ups[] = {{1, 0, 9, 1}, {1, 0, -1, -1}, {2, 2, 2, 2}, {4, 0, 2, 2}};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(downs[i].button, expected_downs[i].button);
    EXPECT_EQ(downs[i].shift, expected_downs[i].shift);
    EXPECT_EQ(downs[i].row, expected_downs[i].row);
    EXPECT_EQ(downs[i].col, expected_downs[i].col);
    EXPECT_EQ(ups[i].button, expected_ups[i].button);
    EXPECT_EQ(ups[i].shift, expected_ups[i].shift);
    EXPECT_EQ(ups[i].row, expected_ups[i].row);
    EXPECT_EQ(ups[i].col, expected_ups[i].col);
  }
}

TEST_F(RichGridTest, ActiveCellFollowsTheModelAndTheUser) {
  grid().set_active_cell(12, 3);
  press(Qt::Key_Down);
  EXPECT_EQ(grid().active_row(), 13);
  QTest::mouseClick(widget_, Qt::LeftButton, {}, centre_of(2, 15));
  EXPECT_EQ(grid().active_row(), 2);
  EXPECT_EQ(grid().active_col(), 15);
  // A click on a header cell does not make it the active cell.
  QTest::mouseClick(widget_, Qt::LeftButton, {}, centre_of(0, 7));
  EXPECT_EQ(grid().active_row(), 2);
  // Arrows stop at the edge of the data cells.
  grid().set_active_cell(1, 1);
  press(Qt::Key_Up);
  press(Qt::Key_Left);
  EXPECT_EQ(grid().active_row(), 1);
  EXPECT_EQ(grid().active_col(), 1);
}

TEST_F(RichGridTest, TextWiderThanItsCellKeepsItsFront) {
  // The windows' 11 pixel font in a column of 600 twips (40 pixels).
  QFont window_font = widget_->font();
  window_font.setPixelSize(11);
  widget_->setFont(window_font);
  for (const char* text : {"-12.00", "100.000", "-123456789.125"}) {
    SCOPED_TRACE(text);
    grid().set_cell_text(6, 2, text);
    const QString shown = widget_->shown_text(6, 2);
    // Shrunk to fit whole, or cut at the end; never at the front.
    EXPECT_TRUE(shown == QLatin1String(text) || shown.endsWith(QChar(0x2026)));
    EXPECT_EQ(shown.left(2), QString::fromLatin1(text, 2));
  }
  EXPECT_TRUE(widget_->shown_text(6, 2).endsWith(QChar(0x2026)));
  grid().set_cell_text(6, 2, "1.5");
  EXPECT_EQ(widget_->shown_font_pixels(6, 2), 11);
}

TEST_F(RichGridTest, CellsWrittenOneByOneAllShow) {
  for (int row = 1; row < 17; ++row) {
    for (int col = 1; col < 17; ++col) {
      grid().set_cell_back_colour(row, col, ui::rgb(row * 15, col * 15, 100));
    }
  }
  const QImage image = widget_->grab().toImage();
  for (int row = 1; row < 17; row += 5) {
    for (int col = 1; col < 17; col += 5) {
      EXPECT_EQ(image.pixelColor(centre_of(row, col)), QColor(row * 15, col * 15, 100));
    }
  }
}

}  // namespace
