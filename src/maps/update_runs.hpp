#pragma once
// The Update of an editor window, the same in every window that writes items one request at
// a time. An Update runs to its end, whatever the user does meanwhile; an Update asked for
// while one runs is remembered, and one more pass runs when the running one ends (never two
// at once). A pass writes each field and cell as it read when its Update was asked for: one
// typed into after that, or half typed then, is left marked for the next pass, and the echo
// of its write does not overwrite what the user has typed since.

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "maps/grid_editing.hpp"
#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace ecu {

class UpdateRuns {
 public:
  struct Steps {
    // Notes every field and cell marked now (`note`), at the moment of asking.
    std::function<void()> snapshot;
    // One pass over the window's items.
    std::function<void()> pass;
    // After the last pass, once the poll runs again (a message about the whole Update).
    std::function<void()> after = {};
  };

  // Runs the Update: the snapshot, then passes while the poll is held (`settle_seconds`
  // before the first and after the last). While a pass runs, takes the snapshot for one
  // more pass and returns.
  void request(const Steps& steps, Single settle_seconds);
  [[nodiscard]] bool running() const { return running_; }

  // While the snapshot is taken: this item is marked and shows `text`.
  void note(const GridEditing& cells, int i) { noted_[key(cells, i)] = cells.text(i); }
  void note(const ui::TextBox& field) { noted_[key(field)] = field.text(); }
  // While a pass runs: the text the item showed when the pass was asked for; nullptr when it
  // was not marked then, and waits for the next pass.
  [[nodiscard]] const std::string* asked_text(const GridEditing& cells, int i) const;
  [[nodiscard]] const std::string* asked_text(const ui::TextBox& field) const;

  // Sends the write of an item whose value was taken from `sent_text`, and tells whether
  // the reply came. When the item shows another text now (typed since the Update was asked
  // for), that text is put back once the echo is in, before the user is served again, so
  // the item stays marked and the user's text stands.
  bool send_write(GridEditing& cells, int i, const std::string& command,
                  const std::string& sent_text);
  bool send_write(ui::TextBox& field, const std::string& command, const std::string& sent_text);

  // A close through the frame while the Update runs: `leave` takes the window off the screen
  // now, and the window is unloaded once the last pass has ended. True when deferred so.
  bool defer_unload(bool& cancel, ui::Form& form, const std::function<void()>& leave);
  // The deferred unload is under way: the window left the screen already.
  [[nodiscard]] bool unloading_at_end() const { return unloading_; }
  // The window was shown again before its Update ended: it stays loaded.
  void keep_loaded() { unload_form_ = nullptr; }

 private:
  using Item = std::pair<const void*, int>;
  static Item key(const GridEditing& cells, int i) { return {&cells, i}; }
  static Item key(const ui::TextBox& field) { return {&field, 0}; }
  [[nodiscard]] const std::string* asked(Item item) const;
  bool send_write(const std::string& command, const std::string& sent_text,
                  const std::function<std::string()>& shown,
                  const std::function<void(const std::string&)>& put_back);

  bool running_ = false;
  bool again_ = false;
  bool unloading_ = false;
  ui::Form* unload_form_ = nullptr;
  std::map<Item, std::string> noted_;  // the latest ask's
  std::map<Item, std::string> asked_;  // the running pass's
};

}  // namespace ecu
