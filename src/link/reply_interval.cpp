#include "link/reply_interval.hpp"

namespace ecu {

void show_reply_interval(Single milliseconds) {
  shown_reply_interval_ms = milliseconds;
}

}  // namespace ecu
