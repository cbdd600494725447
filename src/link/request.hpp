#pragma once
// The request transaction: every exchange with the controller goes through send_request.

#include <string>

#include "model/basic_types.hpp"

namespace ecu {

// Sends `command` (the code and up to three payload bytes) and waits for the reply of
// `expected_length` bytes without its sum; on return the variable holds 2 more, unless the
// link was not usable. Callers learn the outcome from `reply_received`.
void send_request(const std::string& command, Integer& expected_length);

// send_request for a caller that keeps no length variable of its own: the length is copied.
void send_command(const std::string& command, Integer reply_length);

// True while a transaction runs (its failure dialog included). A request made meanwhile, by
// a timer tick or a decoder, returns at once; poll timers check this and skip their tick.
[[nodiscard]] bool link_busy();

// Lets the message loop run once; while a transaction runs, clicks and keys wait.
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
