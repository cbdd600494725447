#include "maps/update_runs.hpp"

#include "link/poll_inhibit.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"

namespace ecu {

namespace {

// Marks the Update running for as long as it lasts, also when a pass throws.
class RunningScope {
 public:
  RunningScope(bool& running, bool& again) : running_(running), again_(again) { running_ = true; }
  ~RunningScope() {
    running_ = false;
    again_ = false;
  }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;

 private:
  bool& running_;
  bool& again_;
};

}  // namespace

void UpdateRuns::request(const Steps& steps, Single settle_seconds) {
  // The latest ask holds every item still marked, those of an earlier ask not yet written
  // included.
  noted_.clear();
  steps.snapshot();
  if (running_) {
    again_ = true;
    return;
  }
  {
    const RunningScope running(running_, again_);
    // The poll stays held from the first pass to the last; an ask during the wait after the
    // last one brings one more.
    do {
      PollInhibitScope inhibit(settle_seconds, settle_seconds);
      do {
        again_ = false;
        asked_ = std::move(noted_);
        noted_.clear();
        steps.pass();
      } while (again_);
      inhibit.release();
    } while (again_);
    asked_.clear();
  }
  if (steps.after) steps.after();
  if (unload_form_ == nullptr) return;
  ui::Form& form = *unload_form_;
  unload_form_ = nullptr;
  unloading_ = true;
  // The window, and with it this object, is destroyed only once its handlers have returned.
  form.unload();
  unloading_ = false;
}

const std::string* UpdateRuns::asked(Item item) const {
  const auto found = asked_.find(item);
  return found == asked_.end() ? nullptr : &found->second;
}

const std::string* UpdateRuns::asked_text(const GridEditing& cells, int i) const {
  return asked(key(cells, i));
}

const std::string* UpdateRuns::asked_text(const ui::TextBox& field) const {
  return asked(key(field));
}

bool UpdateRuns::send_write(const std::string& command, const std::string& sent_text,
                            const std::function<std::string()>& shown,
                            const std::function<void(const std::string&)>& put_back) {
  const std::string typed = shown();
  const bool typed_since = typed != sent_text;
  reply_received = 0;
  send_command(command, [&] {
    if (typed_since && shown() != typed) put_back(typed);
  });
  return reply_received != 0;
}

bool UpdateRuns::send_write(GridEditing& cells, int i, const std::string& command,
                            const std::string& sent_text) {
  return send_write(
      command, sent_text, [&] { return cells.text(i); },
      [&](const std::string& text) {
        cells.grid().set_cell_text(cells.row_of(i), cells.col_of(i), text);
      });
}

bool UpdateRuns::send_write(ui::TextBox& field, const std::string& command,
                            const std::string& sent_text) {
  return send_write(
      command, sent_text, [&] { return field.text(); },
      [&](const std::string& text) { field.set_text(text); });
}

bool UpdateRuns::defer_unload(bool& cancel, ui::Form& form, const std::function<void()>& leave) {
  if (!running_) return false;
  cancel = true;
  unload_form_ = &form;
  leave();
  return true;
}

}  // namespace ecu
