#pragma once
// The transaction under send_command, for the link's own tests: the reply length is the
// caller's, as a test of the framing or of a fault needs.

#include <string>

#include "model/basic_types.hpp"

namespace ecu {

// Sends `command` and waits for the reply of `expected_length` bytes without its sum; on
// return the variable holds 2 more, unless the link was not usable.
void send_request(const std::string& command, Integer& expected_length);

}  // namespace ecu
