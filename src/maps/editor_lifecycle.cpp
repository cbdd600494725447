#include "maps/editor_lifecycle.hpp"

#include <cstdint>

#include "decode/command_table.hpp"
#include "decode/reply_decoders.hpp"
#include "link/poll_inhibit.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"

namespace ecu {

namespace {

// Marks the Update running for as long as it lasts, also when a pass throws.
class UpdatingScope {
 public:
  UpdatingScope(bool& updating, bool& again) : updating_(updating), again_(again) {
    updating_ = true;
  }
  ~UpdatingScope() {
    updating_ = false;
    again_ = false;
  }
  UpdatingScope(const UpdatingScope&) = delete;
  UpdatingScope& operator=(const UpdatingScope&) = delete;

 private:
  bool& updating_;
  bool& again_;
};

// An item is written once, and its echo shows what the controller holds. Once more only
// when the echo taken carries another value than sent and may be a late echo of an earlier
// write of the item (a controller slower than the link's wait, the same item written again at
// once by the next pass); then it is most likely that write's, and the next echo is this
// one's. A controller that answers within three waits leaves two such echoes at most.
constexpr int kMostSendsOfOneWrite = 3;

bool echo_carries_value_sent(const std::string& command) {
  const CommandInfo* info =
      command.empty() ? nullptr : find_command(static_cast<std::uint8_t>(command.front()));
  return info == nullptr || echo_confirms_write(*info, command);
}

// Sends the write, again while its echo may be an earlier write's and carries another value
// (at most `sends` times), and runs `after_echo` once the last echo is in, all before the
// user is served again. An echo that is surely this write's stands, whatever value it
// carries: a controller that keeps another value holds that value, and it is shown.
bool send_until_echoed(const std::string& command, int sends,
                       const std::function<void()>& after_echo) {
  bool answered = false;
  reply_received = 0;
  send_command(command, [&] {
    answered = reply_received != 0;
    if (answered && sends > 1 && last_answer_may_answer_earlier_request() &&
        !echo_carries_value_sent(command)) {
      answered = send_until_echoed(command, sends - 1, after_echo);
      return;
    }
    if (after_echo) after_echo();
  });
  return answered;
}

}  // namespace

EditorLifecycle::Reading::Reading(EditorLifecycle& lifecycle) : lifecycle_(lifecycle) {
  lifecycle_.reading_ = true;
}

EditorLifecycle::Reading::~Reading() {
  lifecycle_.reading_ = false;
  lifecycle_.unload_if_closed();
}

void EditorLifecycle::request(const Steps& steps, Single settle_seconds) {
  // The read fills every item afresh; what shows meanwhile was neither read nor typed.
  if (reading_) return;
  // The latest ask holds every item still marked, those of an earlier ask not yet written
  // included.
  noted_.clear();
  steps.snapshot();
  if (updating_) {
    again_ = true;
    return;
  }
  {
    const UpdatingScope updating(updating_, again_);
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
  // A message about the whole Update is for a window still on the screen. One closed
  // meanwhile has sent every item the user asked for; what it would say of the others (how
  // many it held back as never read) is moot, as opening it again reads them all afresh,
  // and a box over the view the user went to would speak of a window no longer there.
  if (steps.after && window_.visible()) steps.after();
  unload_if_closed();
}

const std::string* EditorLifecycle::asked(Item item) const {
  const auto found = asked_.find(item);
  return found == asked_.end() ? nullptr : &found->second;
}

const std::string* EditorLifecycle::asked_text(const GridEditing& cells, int i) const {
  return asked(key(cells, i));
}

const std::string* EditorLifecycle::asked_text(const ui::TextBox& field) const {
  return asked(key(field));
}

bool EditorLifecycle::send_write(const std::string& command, const std::string& sent_text,
                                 const std::function<std::string()>& shown,
                                 const std::function<void(const std::string&)>& put_back) {
  const std::string typed = shown();
  const bool typed_since = typed != sent_text;
  return send_until_echoed(command, kMostSendsOfOneWrite, [&] {
    if (typed_since && shown() != typed) put_back(typed);
  });
}

bool EditorLifecycle::send_write(GridEditing& cells, int i, const std::string& command,
                                 const std::string& sent_text) {
  return send_write(
      command, sent_text, [&] { return cells.text(i); },
      [&](const std::string& text) {
        cells.grid().set_cell_text(cells.row_of(i), cells.col_of(i), text);
      });
}

bool EditorLifecycle::send_write(ui::TextBox& field, const std::string& command,
                                 const std::string& sent_text) {
  return send_write(
      command, sent_text, [&] { return field.text(); },
      [&](const std::string& text) { field.set_text(text); });
}

bool EditorLifecycle::send_write(const std::string& command) {
  return send_until_echoed(command, kMostSendsOfOneWrite, {});
}

void EditorLifecycle::stay_loaded() {
  if (closing_ == Closing::unload_at_end) closing_ = Closing::none;
}

void EditorLifecycle::query_unload(bool& cancel) {
  if (!busy()) return;
  // The window must outlive what fills or writes it: it leaves now, and is unloaded at the
  // end. Its close command also stops a read after the request under way.
  cancel = true;
  closing_ = Closing::unload_at_end;
  window_.close_command();
}

void EditorLifecycle::unload_if_closed() {
  if (busy() || closing_ != Closing::unload_at_end) return;
  closing_ = Closing::unloading;
  // The window, and with it this object, is destroyed only once its handlers have returned.
  window_.unload();
  closing_ = Closing::none;
}

}  // namespace ecu
