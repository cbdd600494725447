#include "decode/wheel_page_reply.hpp"

#include "model/shared_state.hpp"

namespace ecu {

namespace {
constexpr int kSamplesPerPage = 15;
}  // namespace

void decode_wheel_page_reply(const ReplyFrame& reply, Integer /*n*/) {
  const int page = reply.at(3);
  Integer index = 4;
  for (int i = 0; i < kSamplesPerPage; ++i) {
    const Long sample = read_word(reply, index);
    // A page number beyond the capture (13 from its seventh sample on, 14 and up) ends the
    // page at the array's last element; nothing is written past it.
    const std::size_t slot =
        static_cast<std::size_t>(page) * kSamplesPerPage + static_cast<std::size_t>(i);
    if (slot >= wheel_diag_samples.size()) return;
    wheel_diag_samples[slot] = static_cast<Single>(sample);
  }
}

}  // namespace ecu
