#pragma once
// Requests to the controller: every exchange goes through send_command, which takes the
// reply's length from the command table, so a call site names only the code and its payload.

#include <cstdint>
#include <functional>
#include <string>

#include "model/basic_types.hpp"

namespace ecu {

// Sends `command` (the code and up to three payload bytes) and waits for the reply the
// command table gives its code. Callers learn the outcome from `reply_received`. A code
// the table lacks is a fault of the caller: nothing is sent for it. While a window runs
// requests of its own (the poll is inhibited), the user's waiting input runs after each.
void send_command(const std::string& command);
// The same; `on_reply` runs once the reply is in (or the request has failed), before the
// user's input that came meanwhile is served.
void send_command(const std::string& command, const std::function<void()>& on_reply);

// A command code followed by three payload bytes, each the low byte of its value.
std::string command_with_payload(std::uint8_t code, Long first, Long second, Long third);

// True while a transaction runs (its failure dialog included). A request made meanwhile, by
// a timer tick or a decoder, returns at once; poll timers check this and skip their tick.
[[nodiscard]] bool link_busy();

// Forgets the answers the last request may still be owed (start-up state; used by tests).
void forget_owed_answers();

// True when the answer the last request took may be a late one to an earlier request of the
// same kind with other bytes (another value written to the same item): that request was
// still owed answers when its time was over, so a controller slower than the link's wait
// may send one of them during this request, which cannot tell it from its own.
[[nodiscard]] bool last_answer_may_answer_earlier_request();

// Lets the message loop run once, and then every click and key that waited; while a
// transaction runs, clicks and keys wait.
void yield_to_message_loop();

// Waits the given seconds while the message loop runs.
void delay_seconds(Single seconds);

// The 8 bytes on the wire: 0x02 0x08, the command padded with '0' to four bytes (longer
// commands are cut), then the byte sum of those six, low byte first.
std::string build_request_frame(const std::string& command);

Single afr_to_lambda(Single afr);
Single lambda_to_afr(Single lambda);
Long low_byte(Long value);
Long high_byte(Long value);

}  // namespace ecu
