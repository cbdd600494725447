// The basic mapping window's fuel map grid driven through its Qt widget: the step keys,
// Enter and a block chosen with the mouse reach the shared grid editing.

#include <gtest/gtest.h>
#include <QTest>

#include <memory>

#include "gui/rich/grid_widget.hpp"
#include "maps/frm_3d.hpp"
#include "model/shared_state.hpp"
#include "rich_test_support.hpp"
#include "support/console_test.hpp"

namespace {

using gui::rich::GridWidget;

class BasicMappingGridTest : public test::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    rich_test::ensure_application();
    host_ = std::make_unique<QWidget>();
    host_->resize(700, 300);
    widget_ = static_cast<GridWidget*>(observer_.add(grid(), host_.get()));
    widget_->move(0, 0);
    host_->show();
    QApplication::setActiveWindow(host_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(host_.get()));
    widget_->setFocus();
    ecu::open_block_modifier = [this] { ++modifier_openings_; };
  }
  void TearDown() override {
    ecu::open_block_modifier = nullptr;
    host_.reset();
    ConsoleTest::TearDown();
  }
  static ui::Grid& grid() { return ecu::frm_3d().inj_map; }
  QPoint centre_of(int row, int col) const { return widget_->cell_rect(row, col).center(); }

  rich_test::WidgetObserver observer_;
  std::unique_ptr<QWidget> host_;
  GridWidget* widget_ = nullptr;
  int modifier_openings_ = 0;
};

TEST_F(BasicMappingGridTest, KeysAndMouseReachTheGridEditing) {
  grid().set_cell_text(14, 3, ".266");  // byte 34
  grid().set_active_cell(14, 3);
  QTest::keyClick(widget_, Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(grid().cell_text(14, 3), ".274");
  EXPECT_EQ(grid().active_row(), 14) << "the arrow became Shift: the cell stays";
  EXPECT_EQ(grid().cell_back_colour(14, 3), ui::colours::yellow);

  QTest::mousePress(widget_, Qt::LeftButton, {}, centre_of(5, 3));
  QTest::mouseRelease(widget_, Qt::LeftButton, {}, centre_of(2, 7));
  QTest::mouseClick(widget_, Qt::RightButton, {}, centre_of(9, 9));
  EXPECT_EQ(ecu::block_first_row, 2);
  EXPECT_EQ(ecu::block_last_row, 5);
  EXPECT_EQ(ecu::block_first_col, 3);
  EXPECT_EQ(ecu::block_last_col, 7);
  EXPECT_EQ(ecu::block_table_code, 0);
  EXPECT_EQ(modifier_openings_, 1);

  // Enter runs Update; with no controller the edit is not echoed and stays yellow, while the
  // colouring records its band (the highest: every other cell is empty).
  grid().set_active_cell(14, 3);
  QTest::keyClick(widget_, Qt::Key_Return);
  EXPECT_FALSE(widget_->editing());
  EXPECT_EQ(ecu::inj_map_colors[34], 0x008080FF);
  EXPECT_EQ(grid().cell_back_colour(14, 3), ui::colours::yellow);
}

TEST_F(BasicMappingGridTest, BlockKeysWhileTypingCommitThenSelectAndNoKeyEndsTheConsole) {
  const auto focused = [] { return QApplication::focusWidget(); };
  // Keys the editor has no use for stay harmless in the middle of an edit.
  grid().set_active_cell(5, 3);
  QTest::keyClicks(focused(), "1.2");
  for (const Qt::Key key : {Qt::Key_F2, Qt::Key_Insert, Qt::Key_F5})
    QTest::keyClick(focused(), key);
  QTest::keyClick(focused(), Qt::Key_X, Qt::AltModifier);
  QTest::keyClick(focused(), Qt::Key_B, Qt::ControlModifier);
  ASSERT_TRUE(widget_->editing());

  QTest::keyClick(focused(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_FALSE(widget_->editing());
  EXPECT_EQ(grid().cell_text(5, 3), "1.2");
  EXPECT_EQ(grid().cell_back_colour(5, 3), ui::colours::yellow);

  grid().set_active_cell(2, 7);
  QTest::keyClicks(focused(), "-1");
  QTest::keyClick(focused(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(grid().cell_text(2, 7), "-1");
  EXPECT_EQ(ecu::block_first_row, 2);
  EXPECT_EQ(ecu::block_last_row, 5);
  EXPECT_EQ(ecu::block_first_col, 3);
  EXPECT_EQ(ecu::block_last_col, 7);
  EXPECT_EQ(modifier_openings_, 1);
}

}  // namespace
