#pragma once
// The life of an editor window, the same in every window that reads its items from the
// controller and writes the edited ones back (basic and additional mapping, output drivers,
// configuration, the dashboard's settings):
// - Its read (a fetch, the configuration's load, the dashboard's opening reads) fills every
//   item afresh: an Update asked for meanwhile sends nothing.
// - An Update runs to its end, whatever the user does meanwhile; one asked for while it runs
//   is remembered, and one more pass runs when the running one ends (never two at once). A
//   pass writes each field and cell as it read when its Update was asked for: one typed into
//   after that, or half typed then, is left marked for the next pass, and the echo of its
//   write does not overwrite what the user has typed since.
// - A close through the frame during the read or an Update takes the window off the screen
//   at once (its close command); the window is unloaded once the read or the last pass has
//   ended. Shown again before that, it stays loaded and what runs carries on.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "maps/grid_editing.hpp"
#include "model/basic_types.hpp"
#include "shell/view_commands.hpp"
#include "ui/ui.hpp"

namespace ecu {

class EditorLifecycle {
 public:
  explicit EditorLifecycle(ViewForm& window) : window_(window) {}
  EditorLifecycle(const EditorLifecycle&) = delete;
  EditorLifecycle& operator=(const EditorLifecycle&) = delete;

  // ---- The read ----
  // Marks the window's read as running while the scope lasts; at its end a close through
  // the frame meanwhile unloads the window.
  class Reading {
   public:
    explicit Reading(EditorLifecycle& lifecycle);
    ~Reading();
    Reading(const Reading&) = delete;
    Reading& operator=(const Reading&) = delete;

   private:
    EditorLifecycle& lifecycle_;
  };
  [[nodiscard]] bool reading() const { return reading_; }

  // ---- The Update ----
  struct Steps {
    // Notes every field and cell marked now (`note`), at the moment of asking.
    std::function<void()> snapshot;
    // One pass over the window's items.
    std::function<void()> pass;
    // After the last pass, once the poll runs again: a message about the whole Update, for
    // a window still on the screen only.
    std::function<void()> after = {};
  };

  // Runs the Update: the snapshot, then passes while the poll is held (`settle_seconds`
  // before the first and after the last). While a pass runs, takes the snapshot for one
  // more pass and returns; while the window reads, does nothing.
  void request(const Steps& steps, Single settle_seconds);

  // While the snapshot is taken: this item is marked and shows `text`.
  void note(const GridEditing& cells, int i) { noted_[key(cells, i)] = cells.text(i); }
  void note(const ui::TextBox& field) { noted_[key(field)] = field.text(); }
  // While a pass runs: the text the item showed when the pass was asked for; nullptr when it
  // was not marked then, and waits for the next pass.
  [[nodiscard]] const std::string* asked_text(const GridEditing& cells, int i) const;
  [[nodiscard]] const std::string* asked_text(const ui::TextBox& field) const;

  // Sends the write of an item whose value was taken from `sent_text`, and tells whether
  // the reply came. One write per item; its echo shows what the controller holds. Only an
  // echo that carries another value than sent and may be a late echo of an earlier write of
  // the item (the link cannot tell) has the write go again, at most three times in all.
  // When the item shows another text now
  // (typed since the Update was asked for), that text is put back once the last echo is in,
  // before the user is served again, so the item stays marked and the user's text stands.
  bool send_write(GridEditing& cells, int i, const std::string& command,
                  const std::string& sent_text);
  bool send_write(ui::TextBox& field, const std::string& command, const std::string& sent_text);
  // The write of a group (check boxes, option buttons) as it stands.
  bool send_write(const std::string& command);

  // ---- Closing and showing again ----
  // The window is shown again: a close through the frame meanwhile no longer unloads it.
  void stay_loaded();
  // Its read or Update still runs: a window shown again lets it carry on and starts no read
  // of its own.
  [[nodiscard]] bool busy() const { return reading_ || updating_; }
  // A close through the frame (`Form::on_query_unload`).
  void query_unload(bool& cancel);
  // The unload a frame close put off is under way: the window left the screen already.
  [[nodiscard]] bool deferred_unload_under_way() const { return closing_ == Closing::unloading; }

 private:
  using Item = std::pair<const void*, int>;
  static Item key(const GridEditing& cells, int i) { return {&cells, i}; }
  static Item key(const ui::TextBox& field) { return {&field, 0}; }
  [[nodiscard]] const std::string* asked(Item item) const;
  bool send_write(const std::string& command, const std::string& sent_text,
                  const std::function<std::string()>& shown,
                  const std::function<void(const std::string&)>& put_back);
  void unload_if_closed();

  ViewForm& window_;
  bool reading_ = false;
  bool updating_ = false;
  bool again_ = false;
  // What a close through the frame during the read or an Update left to do.
  enum class Closing : std::uint8_t { none, unload_at_end, unloading };
  Closing closing_ = Closing::none;
  std::map<Item, std::string> noted_;  // the latest ask's
  std::map<Item, std::string> asked_;  // the running pass's
};

// A view that reads its items from the controller and writes them back: a close through its
// frame waits for its read or Update (`lifecycle_`).
class EditorForm : public ViewForm {
 public:
  using ViewForm::ViewForm;

 protected:
  void on_query_unload(bool& cancel) final { lifecycle_.query_unload(cancel); }
  bool on_frame_close() final { return !lifecycle_.deferred_unload_under_way(); }

  EditorLifecycle lifecycle_{*this};
};

}  // namespace ecu
